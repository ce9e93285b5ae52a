#pragma once

// The pictures a skin names with url(). A relative name is found from the
// skin file's folder, so a skin shows the same pictures whatever folder the
// program is started from; Qt would take it from the current folder.
//
// Qt's style sheets decode a picture once for every widget and rule that
// use it, unless the picture fits in Qt's pixmap cache: one 5000 x 5000 PNG
// of a few kilobytes then costs gigabytes. So every picture must exist and
// tell Qt its size, their decoded size together (width x height x 4 bytes,
// counting for each picture its largest "@2x"-style variant, which Qt takes
// on high-resolution screens) is capped, and the pixmap cache is given room
// for all of them when the skin is applied.

#include "qt/platform/appearance/skinfile.h"

#include <QSet>
#include <QString>

namespace drillix {

class SkinPictures
{
public:
    static constexpr qint64 kDecodedLimit = 32 * 1024 * 1024;

    // Relative names are taken from this folder.
    explicit SkinPictures(QString folder);

    // The section's text with each url() naming its picture by full path.
    // Checks each picture the first time it is named; throws Failure, its
    // text starting "Skin file", for a picture that is missing, is no
    // picture Qt reads, or takes the skin's pictures over the limit.
    QString resolve(const SkinFile::Section &section);

    qint64 decodedBytes() const { return m_decodedBytes; }

    // Grows Qt's pixmap cache, when needed, so that it holds this many
    // bytes of pictures besides its usual share.
    static void makeRoomInPixmapCache(qint64 pictureBytes);

private:
    void check(const QString &path, int line);

    QString m_folder;
    QSet<QString> m_checked;
    qint64 m_decodedBytes = 0;
};

} // namespace drillix
