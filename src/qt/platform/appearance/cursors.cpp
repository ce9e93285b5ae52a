#include "qt/platform/appearance/cursors.h"

#include "qt/platform/appearance/qtpictureloader.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QHash>
#include <QLoggingCategory>
#include <QPixmap>

#include <algorithm>
#include <exception>
#include <optional>

namespace drillix {

namespace {

Q_LOGGING_CATEGORY(lcCursors, "drillix.cursors")

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

QCursor makeCursor(const PictureImages &images, const Picture &picture, bool doubled)
{
    const QImage &image = images.image;
    const int hotX = std::clamp(picture.hotSpotX, 0, image.width() - 1);
    const int hotY = std::clamp(picture.hotSpotY, 0, image.height() - 1);
    if (!doubled)
        return QCursor(QPixmap::fromImage(image), hotX, hotY);

    QPixmap pixmap = QPixmap::fromImage(
        images.doubleSize.isNull() ? image.scaled(image.size() * 2, Qt::IgnoreAspectRatio, Qt::FastTransformation)
                                   : images.doubleSize);
    pixmap.setDevicePixelRatio(2);
    return QCursor(pixmap, hotX * 2, hotY * 2);
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
    const QString source = QString::fromStdString(picture.source);
    const std::optional<PictureImages> kept = QtPictureLoader::keptImages(picture.source);
    // A picture loaded again is a new image, with a key of its own.
    const QString key = QStringLiteral("%1|%2|%3|%4")
                            .arg(kept ? QString::number(kept->image.cacheKey()) : source)
                            .arg(picture.hotSpotX)
                            .arg(picture.hotSpotY)
                            .arg(doubled ? 2 : 1);
    QHash<QString, QCursor> *cache = cursorCache();
    if (const auto found = cache->constFind(key); found != cache->constEnd())
        return *found;

    QCursor cursor(Qt::ArrowCursor);
    try {
        cursor = makeCursor(kept ? *kept : readPictureImages(source), picture, doubled);
    } catch (const std::exception &failure) {
        qCWarning(lcCursors) << "the arrow stands in for" << source << ':' << failure.what();
    }
    if (cache->size() >= kCacheSize)
        cache->clear();
    cache->insert(key, cursor);
    return cursor;
}

} // namespace drillix
