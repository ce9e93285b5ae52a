#include "qt/platform/appearance/pictures.h"

#include "testfiles.h"

#include <QPixmap>

using namespace drillix;
using namespace drillix::test;

namespace {

QColor topLeft(const QCursor &cursor)
{
    return cursor.pixmap().toImage().pixelColor(2, 2);
}

} // namespace

TEST(Cursors, CarryThePicturesHotSpotOrFallBackToTheArrow)
{
    Scratch scratch;
    const std::string hand = scratch.icotool(testImage(32, Qt::blue), {"--cursor"});
    if (hand.empty())
        GTEST_SKIP() << "icotool is not installed";
    const QCursor cursor = cursorForPicture(Picture{hand, 5, 9}, 1.0);
    EXPECT_EQ(cursor.hotSpot(), QPoint(5, 9));
    EXPECT_EQ(cursor.pixmap().size(), QSize(32, 32));
    EXPECT_EQ(topLeft(cursor), QColor(Qt::blue));
    const Picture resource{":/qt-project.org/styles/commonstyle/images/trash-16.png", 3, 4};
    EXPECT_EQ(cursorForPicture(resource, 1.0).hotSpot(), QPoint(3, 4));

    EXPECT_EQ(cursorForPicture(Picture{}, 1.0).shape(), Qt::ArrowCursor);
    EXPECT_EQ(cursorForPicture(Picture{scratch.path(QStringLiteral("gone")).toStdString()}, 1.0).shape(), Qt::ArrowCursor);
    EXPECT_EQ(cursorForPicture(Picture{scratch.file("text")}, 1.0).shape(), Qt::ArrowCursor);
}

// The window's pictures and the cursors follow one rule.
TEST(Cursors, AtRatioTwoUseTheDoubleSizeSiblingOrDoubleThePicture)
{
    Scratch scratch;
    scratch.png(testImage(64, Qt::red), QStringLiteral("pin@2x.png"));
    scratch.png(testImage(48, Qt::red), QStringLiteral("odd@2x.png")); // the wrong size
    scratch.file("damaged", QStringLiteral("bad@2x.png"));
    for (const auto &[name, colour] : {std::pair{"pin.ico", Qt::red}, {"lone.png", Qt::blue}, {"odd.png", Qt::blue},
                                       {"bad.png", Qt::blue}}) {
        SCOPED_TRACE(name);
        const Picture picture{scratch.png(testImage(32, Qt::blue), QString::fromLatin1(name)), 31, 9};
        const QCursor crisp = cursorForPicture(picture, 2.0);
        EXPECT_EQ(crisp.pixmap().size(), QSize(64, 64));
        EXPECT_EQ(crisp.pixmap().devicePixelRatio(), 2.0);
        EXPECT_EQ(crisp.hotSpot(), QPoint(62, 18)); // X11 takes it in the pixmap's pixels
        EXPECT_EQ(topLeft(crisp), QColor(colour));
        EXPECT_EQ(cursorForPicture(picture, 1.0).pixmap().size(), QSize(32, 32));
        const QPixmap drawn = pixmapForPicture(QString::fromStdString(picture.source), 1.5);
        EXPECT_EQ(drawn.toImage().pixelColor(2, 2), QColor(colour));
        EXPECT_EQ(drawn.size(), QSize(colour == Qt::red ? 64 : 32, colour == Qt::red ? 64 : 32));
    }
}

TEST(Cursors, PicturesTheLoaderLoadedAreReadOnceForTheLifeOfTheProgram)
{
    Scratch scratch;
    const std::string hand = scratch.png(testImage(32, Qt::blue), QStringLiteral("HAND-M.CUR"));
    scratch.png(testImage(64, Qt::red), QStringLiteral("HAND-M@2x.png"));
    QtPictureLoader loader;
    const Picture picture = loader.loadPicture(hand);

    // Replaced, then deleted, before the pointer ever turns into the hand.
    for (const bool deleted : {false, true}) {
        SCOPED_TRACE(deleted ? "deleted" : "replaced");
        if (deleted) {
            ASSERT_TRUE(QFile::remove(QString::fromStdString(hand)));
            ASSERT_TRUE(QFile::remove(scratch.path(QStringLiteral("HAND-M@2x.png"))));
        } else {
            scratch.png(testImage(32, Qt::green), QStringLiteral("HAND-M.CUR"));
            scratch.png(testImage(64, Qt::green), QStringLiteral("HAND-M@2x.png"));
        }
        EXPECT_EQ(topLeft(cursorForPicture(picture, 1.0)), QColor(Qt::blue));
        EXPECT_EQ(topLeft(cursorForPicture(picture, 2.0)), QColor(Qt::red));
    }

    // Loading again takes the new file, not a cursor made from the old one.
    scratch.png(testImage(32, Qt::green), QStringLiteral("HAND-M.CUR"));
    EXPECT_EQ(topLeft(cursorForPicture(loader.loadPicture(hand), 1.0)), QColor(Qt::green));
}
