#include "qt/platform/desktop.h"

#include "core/platform.h"

#include <QApplication>
#include <QFontDatabase>
#include <QLabel>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

using namespace drillix;

TEST(MessageBoxText, CarriageReturnsBreakLines)
{
    EXPECT_EQ(QtMessageBoxes::displayText("a\r\nb\r\rc"), QStringLiteral("a\nb\n\nc"));
}

TEST(MessageBoxes, KeepTheDesktopsFontWhateverTheProgramsIs)
{
    const QFont desktopFont = QApplication::font();
    QFont designFont = desktopFont;
    designFont.setBold(true);
    designFont.setPixelSize(23);
    QApplication::setFont(designFont);
    QFont shown;
    QTimer::singleShot(0, [&] {
        if (QWidget *box = QApplication::activeModalWidget()) {
            shown = box->findChild<QLabel *>()->font();
            box->close();
        }
    });
    QtMessageBoxes().show("Some text", 0, "A title");
    QApplication::setFont(desktopFont);
    EXPECT_EQ(shown, QFontDatabase::systemFont(QFontDatabase::GeneralFont));
}

// How an address with shell syntax reaches the opener is proved in
// qtshell_test.cpp.
TEST(Shell, ProgramsThatCannotStartFail)
{
    QtShell shell;
    EXPECT_THROW(shell.run("drillix-no-such-program-here x"), Failure);
    EXPECT_THROW(shell.run(""), Failure);
}

TEST(LocalFiles, OpenReadAndListOnlyWhatIsThere)
{
    QTemporaryDir dir;
    const std::string root = dir.path().toStdString();
    const std::string file = root + "/items.txt";
    std::ofstream(file) << "China\r\n";
    const std::string fifo = root + "/fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string dangling = root + "/dangling";
    ASSERT_EQ(::symlink((root + "/nowhere").c_str(), dangling.c_str()), 0);
    ::mkdir((root + "/folder").c_str(), 0700);
    std::ofstream(root + "/.hidden") << "x";

    LocalFileSystem files;
    auto in = files.openForInput(file);
    char buf[16];
    EXPECT_EQ(in->read(buf, sizeof buf), 7u);
    EXPECT_EQ(in->read(buf, sizeof buf), 0u);

    // A missing file, a folder and a FIFO fail with their own reports in
    // startup_files_test.cpp.
    EXPECT_THROW(files.openForInput(""), Failure);

    EXPECT_TRUE(files.isNormalFile(file));
    EXPECT_FALSE(files.isNormalFile(root + "/folder"));
    EXPECT_FALSE(files.isNormalFile(fifo));
    EXPECT_FALSE(files.isNormalFile(dangling));
    EXPECT_FALSE(files.isNormalFile(root + "/.hidden"));

    EXPECT_TRUE(files.exists(file));
    EXPECT_TRUE(files.exists(root + "/folder"));
    EXPECT_FALSE(files.exists(root + "/missing"));
    EXPECT_FALSE(files.exists(dangling));
    EXPECT_FALSE(files.exists(""));
}

TEST(SystemRandom, FractionsStayBelowOneAndFollowTheSeed)
{
    SystemRandom a, b;
    a.seed(1234.5f);
    b.seed(1234.5f);
    for (int i = 0; i < 10000; ++i) {
        const float r = a.next();
        ASSERT_GE(r, 0.0f);
        ASSERT_LT(r, 1.0f);
        ASSERT_EQ(r, b.next());
    }
    SystemClock clock;
    const float s = clock.secondsSinceMidnight();
    EXPECT_GE(s, 0.0f);
    EXPECT_LT(s, 86401.0f);
}
