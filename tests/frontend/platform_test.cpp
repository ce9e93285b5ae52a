#include "qt/platform/desktop.h"
#include "qt/platform/sidefiles.h"

#include "core/platform.h"

#include <QApplication>
#include <QFontDatabase>
#include <QLabel>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

using namespace drillix;

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
    QtMessageBoxes().show("Some text", contract::MessageBoxStyle::OkOnly, "A title");
    QApplication::setFont(desktopFont);
    EXPECT_EQ(shown, QFontDatabase::systemFont(QFontDatabase::GeneralFont));
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

    LocalFileSystem files;
    auto in = files.openForInput(file);
    char buf[16];
    EXPECT_EQ(in->read(buf, sizeof buf), 7u);
    EXPECT_EQ(in->read(buf, sizeof buf), 0u);

    // Each failed open names the path as reports show it, and leaves no
    // descriptor open; the names file's own cases are in startup_files_test.cpp.
    const auto openDescriptors = [] {
        return std::distance(std::filesystem::directory_iterator("/proc/self/fd"), {});
    };
    const long before = openDescriptors();
    const std::string tooLong = root + "/" + std::string(300, 'x');
    const std::pair<std::string, std::string> failures[] = {
        {"", "Bad file name or number"},
        {root + "/missing", "File not found: " + root + "/missing"},
        {tooLong, "Bad file name: " + tooLong},
        {root + "/folder", "Path/File access error: " + root + "/folder"},
        {fifo, "Path/File access error: " + fifo},
    };
    for (const auto &[path, report] : failures) {
        try {
            files.openForInput(path);
            ADD_FAILURE() << path;
        } catch (const Failure &failure) {
            EXPECT_EQ(failure.what(), report);
        }
    }
    EXPECT_EQ(openDescriptors(), before);

    EXPECT_TRUE(files.isNormalFile(file));
    EXPECT_FALSE(files.isNormalFile(root + "/folder"));
    EXPECT_FALSE(files.isNormalFile(fifo));
    EXPECT_FALSE(files.isNormalFile(dangling));

    EXPECT_TRUE(files.exists(file));
    EXPECT_TRUE(files.exists(root + "/folder"));
    EXPECT_FALSE(files.exists(root + "/missing"));
    EXPECT_FALSE(files.exists(dangling));
    EXPECT_FALSE(files.exists(""));
}

TEST(SideFiles, EachIsTakenFromTheFirstFolderThatHoldsIt)
{
    QTemporaryDir dir;
    const std::string root = dir.path().toStdString();
    const std::string user = root + "/home/veltmora-drillix", program = root + "/program",
                      first = root + "/first/veltmora-drillix", second = root + "/second/veltmora-drillix",
                      shipped = root + "/share/veltmora-drillix";
    const QByteArray oldHome = qgetenv("XDG_DATA_HOME"), oldDirs = qgetenv("XDG_DATA_DIRS");
    qputenv("XDG_DATA_HOME", QByteArray::fromStdString(root + "/home"));
    qputenv("XDG_DATA_DIRS", QByteArray::fromStdString(root + "/first:" + root + "/second/"));
    QStandardPaths::setTestModeEnabled(false);
    std::filesystem::create_directories(shipped);
    const struct {
        const char *name;
        std::vector<std::string> holders;
        std::string found;
    } rows[] = {
        {"items.txt", {user, program, first, second, shipped}, user},
        {"sounds/correct.wma", {program, first, second}, program},
        {"x/o.cjs", {first, second, shipped}, first},
        {"HAND-M.CUR", {second}, second},
        {"sounds/complete.wma", {shipped}, shipped},
        {"sounds/wrong.wma", {}, shipped}, // where a report says it belongs
        {"unreadable", {user, program}, user},
        {"dangling", {program}, program},
    };
    for (const auto &row : rows) {
        for (const std::string &folder : row.holders) {
            std::filesystem::create_directories(std::filesystem::path(folder + '/' + row.name).parent_path());
            std::ofstream(folder + '/' + row.name) << "x";
        }
    }
    ::chmod((user + "/unreadable").c_str(), 0);
    std::filesystem::create_symlink("nowhere", user + "/dangling");

    QtSideFiles sideFiles(program, "../share/veltmora-drillix");
    QtSideFiles uninstalled(program, "../elsewhere");
    qputenv("XDG_DATA_HOME", oldHome);
    qputenv("XDG_DATA_DIRS", oldDirs);
    EXPECT_EQ(sideFiles.folders(), (std::vector<std::string>{user, program, first, second, shipped}));
    for (const auto &row : rows)
        EXPECT_EQ(sideFiles.locate(row.name), row.found + '/' + row.name) << row.name;
    EXPECT_EQ(uninstalled.locate("sounds/wrong.wma"), program + "/sounds/wrong.wma")
        << "without an installed data folder, a missing file belongs beside the program";
}
