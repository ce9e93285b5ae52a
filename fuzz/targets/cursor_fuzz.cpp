// The picture and cursor loader on arbitrary bytes: the icon/cursor
// directory checks, then Qt's image decoders, both on the bytes in memory
// and through a file as the program loads HAND-M.CUR, whose image the
// loader must keep once the file is gone.

#include "core/platform.h"
#include "qt/platform/appearance/pictures.h"
#include "qtfuzzapp.h"

#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {

[[noreturn]] void broken(const char *what)
{
    std::fprintf(stderr, "picture loader broke its promise: %s\n", what);
    std::abort();
}

std::unique_ptr<QTemporaryDir> scratch;

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    drillix::fuzz::startApplication<QGuiApplication>();
    scratch = std::make_unique<QTemporaryDir>();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));

    bool decoded = false;
    drillix::DecodedPicture picture;
    try {
        picture = drillix::decodePicture(bytes);
        decoded = true;
    } catch (const drillix::Failure &failure) {
        if (std::string(failure.what()).rfind("Invalid picture", 0) != 0)
            broken("a failure text does not start \"Invalid picture\"");
    }
    if (decoded) {
        if (picture.image.isNull())
            broken("a null image was accepted");
        if (picture.image.width() > drillix::kPictureSideLimit || picture.image.height() > drillix::kPictureSideLimit)
            broken("an image over the size limit was accepted");
        if (picture.hotSpotX < 0 || picture.hotSpotY < 0 || picture.hotSpotX >= picture.image.width()
            || picture.hotSpotY >= picture.image.height())
            broken("the hot spot lies outside the image");
    }

    // The same bytes as a file, as the program reads its hand cursor.
    const QString path = scratch->filePath(QStringLiteral("HAND-M.CUR"));
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
            broken("cannot write the scratch file");
    }
    bool loaded = false;
    try {
        const drillix::Picture p = drillix::QtPictureLoader().loadPicture(path.toStdString());
        loaded = true;
        if (decoded && (p.hotSpotX != picture.hotSpotX || p.hotSpotY != picture.hotSpotY))
            broken("the file and the bytes give different hot spots");
        QFile::remove(path);
        const QPixmap kept = drillix::pixmapForPicture(path, 1.0);
        if (kept.isNull() || (decoded && kept.size() != picture.image.size()))
            broken("the loader did not keep the image it loaded");
    } catch (const drillix::Failure &) {
    }
    if (loaded != decoded)
        broken("the file and the bytes disagree about being a picture");
    return 0;
}
