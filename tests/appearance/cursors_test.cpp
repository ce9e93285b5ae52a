#include "qt/appearance/cursors.h"

#include "testfiles.h"

#include <QPixmap>

#include <gtest/gtest.h>

using namespace drillix;
using drillix::test::Scratch;
using drillix::test::testImage;

namespace {

QColor pixel(const QCursor &cursor, int x, int y)
{
    return cursor.pixmap().toImage().pixelColor(x, y);
}

} // namespace

TEST(Cursors, ComeFromCursorFilesWithTheirHotSpot)
{
    Scratch scratch;
    const std::string path = scratch.cursor(QStringLiteral("HAND-M.CUR"), testImage(32, Qt::blue), 5, 9);
    if (path.empty())
        GTEST_SKIP() << "icotool is not installed";

    const QCursor cursor = cursorForPicture(Picture{path, 5, 9}, 1.0);
    EXPECT_EQ(cursor.shape(), Qt::BitmapCursor);
    EXPECT_EQ(cursor.hotSpot(), QPoint(5, 9));
    EXPECT_EQ(cursor.pixmap().size(), QSize(32, 32));
    EXPECT_EQ(pixel(cursor, 2, 2), QColor(Qt::blue));
    // Asked again, the same cursor comes from the cache.
    EXPECT_EQ(cursorForPicture(Picture{path, 5, 9}, 1.0), cursor);
}

TEST(Cursors, ComeFromResources)
{
    const QCursor cursor = cursorForPicture(Picture{":/qt-project.org/styles/commonstyle/images/trash-16.png", 3, 4}, 1.0);
    EXPECT_EQ(cursor.shape(), Qt::BitmapCursor);
    EXPECT_EQ(cursor.hotSpot(), QPoint(3, 4));
}

TEST(Cursors, FallBackToTheArrow)
{
    Scratch scratch;
    EXPECT_EQ(cursorForPicture(Picture{}).shape(), Qt::ArrowCursor);
    EXPECT_EQ(cursorForPicture(Picture{scratch.path(QStringLiteral("gone.cur")).toStdString(), 0, 0}).shape(),
              Qt::ArrowCursor);
    EXPECT_EQ(cursorForPicture(Picture{scratch.write(QStringLiteral("text.cur"), "not a picture"), 0, 0}).shape(),
              Qt::ArrowCursor);
}

TEST(Cursors, UseTheDoubleSizeSiblingOnDoubleRatioScreens)
{
    Scratch scratch;
    const std::string pin = scratch.png(QStringLiteral("pin.png"), testImage(32, Qt::blue));
    scratch.png(QStringLiteral("pin@2x.png"), testImage(64, Qt::red));

    const QCursor normal = cursorForPicture(Picture{pin, 4, 30}, 1.0);
    EXPECT_EQ(normal.pixmap().size(), QSize(32, 32));
    EXPECT_EQ(normal.hotSpot(), QPoint(4, 30));

    const QCursor crisp = cursorForPicture(Picture{pin, 4, 30}, 2.0);
    EXPECT_EQ(crisp.pixmap().size(), QSize(64, 64));
    EXPECT_EQ(crisp.pixmap().devicePixelRatio(), 2.0);
    EXPECT_EQ(crisp.hotSpot(), QPoint(8, 60));
    EXPECT_EQ(pixel(crisp, 2, 2), QColor(Qt::red));
}

TEST(Cursors, DoubleThePictureWhenNoSiblingFits)
{
    Scratch scratch;
    const std::string lone = scratch.png(QStringLiteral("lone.png"), testImage(32, Qt::blue));
    const std::string odd = scratch.png(QStringLiteral("odd.png"), testImage(32, Qt::blue));
    scratch.png(QStringLiteral("odd@2x.png"), testImage(48, Qt::red));
    const std::string broken = scratch.png(QStringLiteral("broken.png"), testImage(32, Qt::blue));
    scratch.write(QStringLiteral("broken@2x.png"), "damaged");

    for (const std::string &path : {lone, odd, broken}) {
        SCOPED_TRACE(path);
        const QCursor cursor = cursorForPicture(Picture{path, 31, 0}, 2.0);
        EXPECT_EQ(cursor.pixmap().size(), QSize(64, 64));
        EXPECT_EQ(cursor.hotSpot(), QPoint(62, 0));
        EXPECT_EQ(pixel(cursor, 2, 2), QColor(Qt::blue));
    }
}
