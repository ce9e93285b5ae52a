#include "qt/appearance/cursors.h"

#include "qt/appearance/boundedfile.h"
#include "qt/appearance/qtpictureloader.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHash>
#include <QPixmap>

#include <algorithm>
#include <exception>

namespace drillix {

namespace {

constexpr qsizetype kCacheSize = 16;

// Held on the heap and emptied by a post routine, so that no pixmap
// outlives the application.
QHash<QString, QCursor> *cursorCache()
{
    static QHash<QString, QCursor> *cache = nullptr;
    if (!cache) {
        cache = new QHash<QString, QCursor>;
        qAddPostRoutine([] {
            delete cache;
            cache = nullptr;
        });
    }
    return cache;
}

QImage readImage(const QString &source)
{
    return decodePicture(readBoundedFile(source, "Picture file", kPictureFileLimit)).image;
}

// "dir/pin.ico" -> "dir/pin@2x.png", when it exists and is exactly twice the
// size; a null image otherwise.
QImage doubleSizeSibling(const QString &source, QSize size)
{
    const QFileInfo info(source);
    const QString sibling = info.path() + QLatin1Char('/') + info.completeBaseName() + QLatin1String("@2x.png");
    if (!QFileInfo(sibling).isFile())
        return {};
    try {
        QImage image = readImage(sibling);
        if (image.size() == size * 2)
            return image;
    } catch (const std::exception &) {
    }
    return {};
}

QCursor makeCursor(const Picture &picture, bool doubled)
{
    const QString source = QString::fromStdString(picture.source);
    try {
        const QImage image = readImage(source);
        const int hotX = std::clamp(picture.hotSpotX, 0, image.width() - 1);
        const int hotY = std::clamp(picture.hotSpotY, 0, image.height() - 1);
        if (!doubled)
            return QCursor(QPixmap::fromImage(image), hotX, hotY);

        QImage large = doubleSizeSibling(source, image.size());
        if (large.isNull())
            large = image.scaled(image.size() * 2, Qt::IgnoreAspectRatio, Qt::FastTransformation);
        QPixmap pixmap = QPixmap::fromImage(large);
        pixmap.setDevicePixelRatio(2);
        return QCursor(pixmap, hotX * 2, hotY * 2);
    } catch (const std::exception &) {
        return QCursor(Qt::ArrowCursor);
    }
}

} // namespace

QCursor cursorForPicture(const Picture &picture)
{
    return cursorForPicture(picture, qGuiApp ? qGuiApp->devicePixelRatio() : 1.0);
}

QCursor cursorForPicture(const Picture &picture, qreal screenRatio)
{
    if (picture.isNull())
        return QCursor(Qt::ArrowCursor);
    const bool doubled = screenRatio >= 1.5;
    const QString key = QStringLiteral("%1|%2|%3|%4")
                            .arg(QString::fromStdString(picture.source))
                            .arg(picture.hotSpotX)
                            .arg(picture.hotSpotY)
                            .arg(doubled ? 2 : 1);
    QHash<QString, QCursor> *cache = cursorCache();
    if (const auto found = cache->constFind(key); found != cache->constEnd())
        return *found;
    const QCursor cursor = makeCursor(picture, doubled);
    if (cache->size() >= kCacheSize)
        cache->clear();
    cache->insert(key, cursor);
    return cursor;
}

} // namespace drillix
