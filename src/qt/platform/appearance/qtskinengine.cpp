#include "qt/platform/appearance/qtskinengine.h"

#include "qt/platform/appearance/pictures.h"
#include "qt/platform/appearance/skinfile.h"
#include "qt/platform/sidefiles.h"

#include <QDir>
#include <QFileInfo>
#include <QImageReader>
#include <QPixmapCache>

#include <algorithm>
#include <map>
#include <set>

namespace drillix {

namespace {

std::string where(const QString &path, int line)
{
    return "Skin file picture " + path.toStdString() + " (line " + std::to_string(line) + ")";
}

// The bytes the picture takes once decoded, at the larger of itself and its
// double-size sibling, which Qt takes on high-resolution screens.
qint64 checkPicture(const QString &path, int line, qint64 earlier)
{
    qint64 largest = 0;
    for (const QString &file : {path, doubleSizeName(path)}) {
        if (file != path && !QFileInfo::exists(file))
            continue;
        const std::string what = where(file, line);
        checkBoundedFile(file, what, QtSkinEngine::kDecodedPicturesLimit);
        QImageReader reader(file);
        const QSize size = reader.size();
        if (size.isEmpty())
            throw Failure(what + " is not a picture that Qt reads (" + reader.errorString().toStdString() + ")");
        const qint64 bytes = qint64(size.width()) * size.height() * 4;
        if (earlier + bytes > QtSkinEngine::kDecodedPicturesLimit)
            throw Failure(what + " is " + sizeText(size.width(), size.height())
                          + " pixels, which brings the skin's pictures to " + describeSize(earlier + bytes)
                          + " once decoded; the limit is " + describeSize(QtSkinEngine::kDecodedPicturesLimit));
        largest = std::max(largest, bytes);
    }
    return largest;
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
            pictureBytes += checkPicture(path, line, pictureBytes);
        const QChar quote = path.contains(QLatin1Char('"')) ? QLatin1Char('\'') : QLatin1Char('"');
        if (path.contains(quote))
            throw Failure(where(path, line) + " has both kinds of quote in its name");
        return QLatin1String("url(") + quote + path + quote + QLatin1Char(')');
    };
    std::map<QString, QString> applied;
    for (const skinfile::Section &section : skinfile::parse(readBoundedFile(file, "Skin file", kFileLimit))) {
        const QString text = skinfile::resolveStyleSheet(section, picture);
        if (section.variant.isEmpty() && section.part != QLatin1String("window"))
            applied[section.part] = text;
    }
    if (!m_window)
        return;
    // Room for the pictures beside the 10 MB that Qt gives the cache unless told otherwise.
    QPixmapCache::setCacheLimit(std::max(QPixmapCache::cacheLimit(), int(10 * 1024 + pictureBytes / 1024)));
    // A second sheet set before the first was ever polished never reaches
    // the children (seen with Qt 6.4), so polish with the present one first.
    m_window->ensurePolished();
    m_window->setStyleSheet(applied[QStringLiteral("controls")] + applied[QStringLiteral("colours")]
                            + applied[QStringLiteral("metrics")]);
}

} // namespace drillix
