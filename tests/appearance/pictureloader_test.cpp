#include "qt/platform/appearance/pictures.h"

#include "testfiles.h"

#include <QtEndian>

#include <gmock/gmock.h>

using namespace drillix;
using namespace drillix::test;
using ::testing::StartsWith;

namespace {

constexpr int kFirstImage = 6 + 16; // its bitmap header, in a one-image file

class PictureLoaderTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        cursorPath = scratch.icotool(testImage(32, Qt::blue), {"--cursor", "--hotspot-x=5", "--hotspot-y=9"});
        if (cursorPath.empty())
            GTEST_SKIP() << "icotool is not installed";
        cursor = readAll(cursorPath);
    }

    std::string load(const std::string &path) { return failureOf([&] { picture = loader.loadPicture(path); }); }

    std::string patched(int at, quint32 value)
    {
        QByteArray bytes = cursor;
        qToLittleEndian<quint32>(value, bytes.data() + at);
        return scratch.file(bytes);
    }

    Scratch scratch;
    QtPictureLoader loader;
    Picture picture;
    std::string cursorPath;
    QByteArray cursor;
};

} // namespace

TEST_F(PictureLoaderTest, TakesTheHotSpotFromCursorsAndTopLeftForOtherPictures)
{
    for (const Picture &expected : {
             Picture{cursorPath, 5, 9},
             Picture{patched(10, 31 | 31 << 16), 31, 31},
             Picture{scratch.icotool(testImage(32, Qt::blue), {}), 0, 0}, // an icon
             Picture{scratch.png(testImage(32, Qt::green), QStringLiteral("png.CUR")), 0, 0},
             Picture{":/qt-project.org/styles/commonstyle/images/trash-16.png", 0, 0},
         }) {
        EXPECT_EQ(load(expected.source), "(no failure)");
        EXPECT_EQ(picture, expected);
    }
}

TEST_F(PictureLoaderTest, DamagedPicturesFailClearly)
{
    const std::pair<std::string, const char *> cases[] = {
        {scratch.file(""), "Invalid picture (the file is empty)"},
        {scratch.file(cursor.left(5)), "Invalid picture (its header is cut short)"},
        {scratch.file(cursor.left(12)), "Invalid picture (its header is cut short)"},
        {scratch.file(cursor.left(300)), "Invalid picture (image 1 of 1 lies outside the file)"},
        {patched(4, 0), "Invalid picture (it holds no images)"},
        {patched(14, 0xfffffff0u), "Invalid picture (image 1 of 1 lies outside the file)"},
        {patched(kFirstImage + 4, 100000), "Invalid picture (image 1 of 1 declares 100000 x 32 pixels"},
        {scratch.file(lyingIcon({plainImage(16), plainImage(3000)})),
         "Invalid picture (image 2 of 2 declares 3000 x 3000 pixels; the most is 256 x 256)"},
        {scratch.pipe(), "Picture file is not a normal file"},
        {patched(10, 40 | 9 << 16), "Invalid picture (the cursor's hot spot 40,9 lies outside its 32 x 32 image)"},
        {scratch.file("This is not a picture.\n"), "Invalid picture"},
        {scratch.png(QImage(2049, 8, QImage::Format_Mono), QStringLiteral("wide.png")),
         "Invalid picture (it declares 2049 x 8 pixels; the most is 2048 x 2048)"},
        {scratch.sized(50 << 20), "Picture file is too large (50 MB; the limit is 1 MB)"},
        {scratch.folder(), "Picture file is a folder, not a file"},
        {scratch.danglingLink(), "Picture file is a link to a file that does not exist"},
        {scratch.path(QStringLiteral("missing.cur")).toStdString(), "Picture file not found"},
        {"/dev/zero", "Picture file is not a normal file"},
    };
    for (const auto &[path, failure] : cases)
        EXPECT_THAT(load(path), StartsWith(failure));
}

TEST_F(PictureLoaderTest, CutOrFlippedCursorsNeverLoadWrongly)
{
    for (qsizetype length = 0; length < cursor.size(); length += 7)
        EXPECT_THAT(load(scratch.file(cursor.left(length))), StartsWith("Invalid picture"));
    for (int at = 0; at < kFirstImage + 40; ++at) {
        QByteArray bytes = cursor;
        bytes[at] = char(~bytes[at]);
        const std::string result = load(scratch.file(bytes));
        SCOPED_TRACE("byte " + std::to_string(at) + ": " + result);
        EXPECT_TRUE(result.rfind("Invalid picture", 0) == 0 || (picture.hotSpotX < 32 && picture.hotSpotY < 32));
    }
}
