#include "qt/appearance/qtpictureloader.h"

#include "testfiles.h"

#include <QtEndian>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using namespace drillix;
using drillix::test::failureOf;
using drillix::test::readAll;
using drillix::test::Scratch;
using drillix::test::testImage;
using ::testing::HasSubstr;
using ::testing::StartsWith;

namespace {

// Where icotool puts the first image's bitmap header in a one-image file.
constexpr int kFirstImage = 6 + 16;

class PictureLoaderTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        cursorPath = scratch.cursor(QStringLiteral("hand.cur"), testImage(32, Qt::blue), 5, 9);
        if (cursorPath.empty())
            GTEST_SKIP() << "icotool is not installed";
        cursorBytes = readAll(cursorPath);
    }

    std::string load(const std::string &path) { return failureOf([&] { picture = loader.loadPicture(path); }); }

    QByteArray patched(int at, quint32 value, int width) const
    {
        QByteArray bytes = cursorBytes;
        if (width == 2)
            qToLittleEndian<quint16>(quint16(value), bytes.data() + at);
        else
            qToLittleEndian<quint32>(value, bytes.data() + at);
        return bytes;
    }

    Scratch scratch;
    QtPictureLoader loader;
    Picture picture;
    std::string cursorPath;
    QByteArray cursorBytes;
};

} // namespace

TEST_F(PictureLoaderTest, ReadsACursorsHotSpotExactly)
{
    ASSERT_EQ(load(cursorPath), "(no failure)");
    EXPECT_EQ(picture, (Picture{cursorPath, 5, 9}));

    const std::string corner = scratch.cursor(QStringLiteral("corner"), testImage(32, Qt::red), 31, 31);
    ASSERT_EQ(load(corner), "(no failure)"); // no extension needed
    EXPECT_EQ(picture, (Picture{corner, 31, 31}));
}

TEST_F(PictureLoaderTest, OtherPicturesHaveTheirHotSpotTopLeft)
{
    // In an icon, bytes 10 to 13 are planes and bit depth, not a hot spot.
    const std::string icon = scratch.icon(QStringLiteral("pin.ico"), testImage(32, Qt::blue));
    ASSERT_EQ(load(icon), "(no failure)");
    EXPECT_EQ(picture, (Picture{icon, 0, 0}));

    const std::string png = scratch.png(QStringLiteral("png.CUR"), testImage(32, Qt::green));
    ASSERT_EQ(load(png), "(no failure)");
    EXPECT_EQ(picture, (Picture{png, 0, 0}));

    const std::string resource = ":/qt-project.org/styles/commonstyle/images/trash-16.png";
    ASSERT_EQ(load(resource), "(no failure)");
    EXPECT_EQ(picture, (Picture{resource, 0, 0}));
}

TEST_F(PictureLoaderTest, DamagedCursorsGiveClearFailures)
{
    const struct {
        const char *name;
        QByteArray bytes;
        const char *failure;
    } cases[] = {
        {"empty", "", "Invalid picture (the file is empty)"},
        {"header cut", cursorBytes.left(5), "Invalid picture (its header is cut short)"},
        {"directory cut", cursorBytes.left(12), "Invalid picture (its header is cut short)"},
        {"image cut", cursorBytes.left(300), "Invalid picture (image 1 of 1 lies outside the file)"},
        {"no images", patched(4, 0, 2), "Invalid picture (it holds no images)"},
        {"more images than entries", patched(4, 40, 2), "Invalid picture (its header is cut short)"},
        {"huge data size", patched(14, 0xfffffff0u, 4), "Invalid picture (image 1 of 1 lies outside the file)"},
        {"data offset past end", patched(18, 0x7fffffffu, 4), "Invalid picture (image 1 of 1 lies outside the file)"},
        {"huge width", patched(kFirstImage + 4, 100000, 4),
         "Invalid picture (its first image declares 100000 x 32 pixels; the most is 256 x 256)"},
        {"negative height", patched(kFirstImage + 8, 0xffffffc0u, 4), "Invalid picture (its first image declares"},
        {"hot spot outside", patched(10, 40, 2),
         "Invalid picture (the cursor's hot spot 40,9 lies outside its 32 x 32 image)"},
        {"text", "This is not a picture.\n", "Invalid picture"},
        {"cursor header then junk", QByteArray("\0\0\2\0\1\0", 6) + QByteArray(40, 'x'), "Invalid picture"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_THAT(load(scratch.write(QString::fromLatin1(c.name), c.bytes)), StartsWith(c.failure));
    }
}

TEST_F(PictureLoaderTest, EveryCutOrFlippedHeaderByteFailsOrLoadsWithoutHarm)
{
    for (qsizetype length = 0; length < cursorBytes.size(); length += 7) {
        SCOPED_TRACE("first " + std::to_string(length) + " bytes");
        EXPECT_THAT(load(scratch.write(QStringLiteral("cut"), cursorBytes.left(length))), StartsWith("Invalid picture"));
    }
    for (int at = 0; at < kFirstImage + 40; ++at) {
        QByteArray bytes = cursorBytes;
        bytes[at] = char(~bytes[at]);
        const std::string result = load(scratch.write(QStringLiteral("flipped"), bytes));
        SCOPED_TRACE("byte " + std::to_string(at) + " flipped: " + result);
        EXPECT_TRUE(result == "(no failure)" || result.rfind("Invalid picture", 0) == 0);
        if (result == "(no failure)") {
            EXPECT_LT(picture.hotSpotX, 256);
            EXPECT_LT(picture.hotSpotY, 256);
        }
    }
}

TEST_F(PictureLoaderTest, OversizedPicturesAreRefused)
{
    QByteArray png = readAll(scratch.png(QStringLiteral("small.png"), testImage(16, Qt::red)));
    qToBigEndian<quint32>(100000, png.data() + 16); // the declared width
    EXPECT_THAT(load(scratch.write(QStringLiteral("wide.png"), png)), StartsWith("Invalid picture"));

    EXPECT_EQ(load(scratch.png(QStringLiteral("large.png"), QImage(2049, 8, QImage::Format_Mono))),
              "Invalid picture (it declares 2049 x 8 pixels; the most is 2048 x 2048)");
}

TEST_F(PictureLoaderTest, FilesThatCannotBePicturesAreRefusedUnread)
{
    const struct {
        const char *name;
        std::string path;
        const char *failure;
    } cases[] = {
        {"50 MB", scratch.sized(QStringLiteral("HAND-M.CUR"), 50 * 1024 * 1024),
         "Picture file is too large (50 MB; the limit is 1 MB)"},
        {"folder", scratch.folder(QStringLiteral("folder.cur")), "Picture file is a folder, not a file"},
        {"resource folder", ":/qt-project.org", "Picture file is a folder, not a file"},
        {"dangling link", scratch.danglingLink(QStringLiteral("link.cur")),
         "Picture file is a link to a file that does not exist"},
        {"missing", scratch.path(QStringLiteral("missing.cur")).toStdString(), "Picture file not found"},
        {"device", "/dev/zero", "Picture file is not a normal file"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(load(c.path), c.failure);
    }
}
