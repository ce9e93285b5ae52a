#include "qt/platform/appearance/qtskinengine.h"

#include "qt/platform/appearance/pictures.h"
#include "qt/platform/appearance/skinfile.h"
#include "qt/platform/sidefiles.h"

#include <QDir>
#include <QPixmapCache>

#include <set>

namespace drillix {

namespace {

std::string where(const QString &path, int line)
{
    return "Skin file picture " + path.toStdString() + " (line " + std::to_string(line) + ")";
}

// Adds to `total` the bytes that the picture and each sibling that Qt's
// style sheets take in its place on a screen of ratio 2 to 9 take once
// decoded. A sibling has "@2x" to "@9x" before the last dot of the path, or
// before ".9." in a nine-patch name, or at its end when it has no dot.
void checkPicture(const QString &path, int line, qint64 &total)
{
    addDecodedSize(path, where(path, line), total);
    const qsizetype dot = path.contains(u'.') ? path.lastIndexOf(u'.') : path.size();
    const qsizetype nine = QStringView(path).first(dot).endsWith(u".9") ? dot - 2 : dot;
    for (const qsizetype at : nine == dot ? QList{dot} : QList{dot, nine}) {
        for (int ratio = 2; ratio <= 9; ++ratio) {
            const QString file = QString(path).insert(at, QStringLiteral("@%1x").arg(ratio));
            if (QFileInfo::exists(file))
                addDecodedSize(file, where(file, line), total);
        }
    }
}

} // namespace

void QtSkinEngine::applySkin(const std::string &path)
{
    const QString file = qtFileName(path);
    const QDir folder = QFileInfo(file).absoluteDir();
    std::set<QString> checked;
    qint64 pictureBytes = 0;
    const auto picture = [&](const QString &name, int line) {
        const QString path = QDir::cleanPath(folder.filePath(name));
        if (checked.insert(path).second)
            checkPicture(path, line, pictureBytes);
        const QChar quote = path.contains(u'"') ? u'\'' : u'"';
        // Qt would read a backslash in the name as the start of an escape.
        if (path.contains(quote) || path.contains(u'\\'))
            throw Failure(where(path, line) + " has a backslash or both kinds of quote in its name");
        return QStringLiteral("url(") + quote + path + quote + u')';
    };
    QString sheets[3]; // of [controls], [colours] and [metrics], applied in this order
    for (const skinfile::Section &section : skinfile::parse(readBoundedFile(file, "Skin file"))) {
        const QString text = skinfile::resolveStyleSheet(section, picture);
        const qsizetype part = QStringList{"controls", "colours", "metrics"}.indexOf(section.part);
        if (section.variant.isEmpty() && part >= 0)
            sheets[part] = text;
    }
    if (!m_window)
        return;
    // Room for the pictures beside the 10 MB that Qt gives the cache unless told otherwise.
    QPixmapCache::setCacheLimit(std::max(QPixmapCache::cacheLimit(), int(10 * 1024 + pictureBytes / 1024)));
    // A second sheet set before the first was ever polished never reaches
    // the children (seen with Qt 6.4), so polish with the present one first.
    m_window->ensurePolished();
    m_window->setStyleSheet(sheets[0] + sheets[1] + sheets[2]);
}

} // namespace drillix
