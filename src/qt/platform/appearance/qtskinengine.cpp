#include "qt/platform/appearance/qtskinengine.h"

#include "qt/platform/appearance/pictures.h"
#include "qt/platform/appearance/skinfile.h"
#include "qt/platform/sidefiles.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QImageReader>
#include <QPixmapCache>

#include <algorithm>
#include <map>
#include <set>
#include <utility>

namespace drillix {

namespace {

std::string where(const QString &path, int line)
{
    return "Skin file picture " + path.toStdString() + " (line " + std::to_string(line) + ")";
}

// The picture and each sibling that Qt's style sheets take in its place on
// a screen of ratio 2 to 9: "@2x" to "@9x" before the last dot of the path,
// or before ".9." in a nine-patch name, or at its end when it has no dot.
QStringList candidates(const QString &path)
{
    QStringList files{path};
    const qsizetype dot = path.contains(QLatin1Char('.')) ? path.lastIndexOf(QLatin1Char('.')) : path.size();
    for (const qsizetype at : {dot, QStringView(path).first(dot).endsWith(u".9") ? dot - 2 : dot}) {
        for (int ratio = 2; ratio <= 9; ++ratio) {
            const QString file = QString(path).insert(at, QStringLiteral("@%1x").arg(ratio));
            if (!files.contains(file) && QFileInfo::exists(file))
                files.append(file);
        }
    }
    return files;
}

// The bytes the picture and its siblings take once decoded, every image in
// each file (Qt's icons read them all), each as large as what Qt decodes.
qint64 checkPicture(const QString &path, int line, qint64 earlier)
{
    qint64 total = 0;
    for (const QString &file : candidates(path)) {
        const std::string what = where(file, line);
        const QByteArray bytes = readBoundedFile(file, what, QtSkinEngine::kDecodedPicturesLimit);
        QList<QSize> icon;
        try {
            icon = iconImageSizes(bytes);
        } catch (const Failure &failure) {
            throw Failure(what + ": " + failure.what());
        }
        qint64 images = icon.size();
        QSize largest;
        for (const QSize &size : std::as_const(icon)) {
            total += qint64(size.width()) * size.height() * 4;
            largest = largest.expandedTo(size);
        }
        if (icon.isEmpty()) {
            QBuffer buffer;
            buffer.setData(bytes);
            // Named by its suffix first and then by its content, as Qt reads the file.
            QImageReader reader(&buffer, QFileInfo(file).suffix().toLatin1());
            largest = reader.size();
            if (largest.isEmpty())
                throw Failure(what + " is not a picture that Qt reads (" + reader.errorString().toStdString() + ")");
            images = std::max(1, reader.imageCount());
            total += images * largest.width() * largest.height() * 4;
        }
        if (earlier + total > QtSkinEngine::kDecodedPicturesLimit)
            throw Failure(what + " is " + (images > 1 ? std::to_string(images) + " images of up to " : "")
                          + sizeText(largest.width(), largest.height()) + " pixels, which brings the skin's pictures to "
                          + describeSize(earlier + total) + " once decoded; the limit is "
                          + describeSize(QtSkinEngine::kDecodedPicturesLimit));
    }
    return total;
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
        // Qt would read a backslash in the name as the start of an escape.
        if (path.contains(quote) || path.contains(QLatin1Char('\\')))
            throw Failure(where(path, line) + " has a backslash or both kinds of quote in its name");
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
    limitDecodedImages();
    // Room for the pictures beside the 10 MB that Qt gives the cache unless told otherwise.
    QPixmapCache::setCacheLimit(std::max(QPixmapCache::cacheLimit(), int(10 * 1024 + pictureBytes / 1024)));
    // A second sheet set before the first was ever polished never reaches
    // the children (seen with Qt 6.4), so polish with the present one first.
    m_window->ensurePolished();
    m_window->setStyleSheet(applied[QStringLiteral("controls")] + applied[QStringLiteral("colours")]
                            + applied[QStringLiteral("metrics")]);
}

} // namespace drillix
