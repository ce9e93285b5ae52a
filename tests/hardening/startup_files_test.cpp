// The start-up against side files that only the real file system makes:
// missing, folders, FIFOs, failing and unreadable files, and a huge line,
// with the real file system, picture loader and skin engine on Qt's
// offscreen platform; only the message boxes (recorded) and the sound are
// stand-ins. Each case checks which steps are reported, in order, and that
// the window then paints. What damaged contents do is proved where they are
// read: the names file's lines in the unit tests, cursors in
// pictureloader_test.cpp and skins in skinengine_test.cpp; the real program
// meets a FIFO in e2e_startup_files.py.

#include "core/quiz.h"
#include "qt/platform/appearance/pictures.h"
#include "qt/platform/appearance/qtskinengine.h"
#include "qt/window/quizwindow.h"
#include "qt/platform/desktop.h"

#include "fakes.h"
#include "memory.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <functional>
#include <string>

#include <sys/stat.h>
#include <unistd.h>

using namespace drillix;

namespace {

using Steps = std::vector<int>;

const QString kData = QStringLiteral(DRILLIX_DATA_DIR);

// An installation folder with the shipped side files, changed by the case.
class Installation
{
public:
    Installation()
    {
        for (const char *name : {"items.txt", "HAND-M.CUR", "x/o.cjs"}) {
            const QString to = path(name);
            QDir().mkpath(QFileInfo(to).path());
            EXPECT_TRUE(QFile::copy(kData + QLatin1Char('/') + QLatin1String(name), to)) << name;
        }
    }
    QString path(const char *name) const { return m_dir.filePath(QLatin1String(name)); }
    std::string folder() const { return m_dir.path().toStdString(); }

    void write(const char *name, const QByteArray &bytes)
    {
        remove(name);
        QFile f(path(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        ASSERT_EQ(f.write(bytes), bytes.size());
    }
    void remove(const char *name)
    {
        const QString p = path(name);
        if (QFileInfo(p).isDir())
            QDir(p).removeRecursively();
        else
            QFile::remove(p);
    }
    void makeFolder(const char *name)
    {
        remove(name);
        ASSERT_TRUE(QDir().mkpath(path(name)));
    }
    void makeFifo(const char *name)
    {
        remove(name);
        ASSERT_EQ(::mkfifo(QFile::encodeName(path(name)).constData(), 0600), 0);
    }

private:
    QTemporaryDir m_dir;
};

// One start-up of the window in the installation, as main() does it.
struct Started {
    test::FakeMessageBoxes boxes;
    test::FakeSound sound;
    test::FakeBrowser browser;
    QtSkinEngine skin;
    QtPictureLoader pictures;
    LocalFileSystem files;
    test::FakeRandom random;
    test::FakeSideFiles sideFiles;
    Platform platform{boxes, sound, browser, skin, pictures, files, random, sideFiles};
    Quiz quiz{platform};
    QuizWindow window{quiz};

    explicit Started(const Installation &where)
    {
        sideFiles.folder = where.folder();
        skin.setWindow(&window);
        quiz.start();
    }

    Steps steps() const
    {
        Steps out;
        for (const auto &b : boxes.shown) {
            EXPECT_EQ(b.title, "Application Error");
            const auto at = b.text.find("at line ");
            if (at != std::string::npos)
                out.push_back(std::stoi(b.text.substr(at + 8)));
        }
        return out;
    }
    std::string firstText() const { return boxes.shown.empty() ? std::string() : boxes.shown.front().text; }
};

struct Case {
    const char *what;
    std::function<void(Installation &)> alter;
    Steps steps;
    const char *text = ""; // a part of the first report's text
};

void runCases(const std::vector<Case> &cases)
{
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        Installation where;
        c.alter(where);
        Started started(where);
        EXPECT_EQ(started.steps(), c.steps);
        EXPECT_NE(started.firstText().find(c.text), std::string::npos) << started.firstText();
        EXPECT_FALSE(started.quiz.closed());
        EXPECT_FALSE(started.window.grab().isNull());
    }
}

} // namespace

TEST(StartupFiles, SideFilesOnARealFileSystem)
{
    runCases({
        {"shipped files", [](Installation &) {}, {}},
        {"names in any bytes",
         [](Installation &w) { w.write("items.txt", QByteArray("\xDCr\xFCmqi \x93x\x94\r\n\xC3\x28\r\nCh\0na\r\n\0\0", 25)); },
         {}},
        {"names file missing", [](Installation &w) { w.remove("items.txt"); }, {130}, "File not found"},
        {"names file a folder", [](Installation &w) { w.makeFolder("items.txt"); }, {130}, "Path/File access error"},
        {"names file a FIFO", [](Installation &w) { w.makeFifo("items.txt"); }, {130}, "Path/File access error"},
        // A regular file whose every read fails (EIO): reported once, and the
        // reading ends.
        {"names file fails every read",
         [](Installation &w) {
             w.remove("items.txt");
             ASSERT_TRUE(QFile::link(QStringLiteral("/proc/self/mem"), w.path("items.txt")));
         },
         {134}, "Device I/O error"},
        // A folder named like the hand cursor is loaded and fails; a skin
        // that is no normal file counts as absent.
        {"hand cursor a folder", [](Installation &w) { w.makeFolder("HAND-M.CUR"); }, {106}, "folder"},
        {"skin a dangling link",
         [](Installation &w) {
             w.remove("x/o.cjs");
             ASSERT_TRUE(QFile::link(w.path("x/gone.cjs"), w.path("x/o.cjs")));
         },
         {}},
        {"skin a FIFO", [](Installation &w) { w.makeFifo("x/o.cjs"); }, {}},
        {"skin with a style-sheet error",
         [](Installation &w) { w.write("x/o.cjs", "[skin]\nformat = 1\n[controls]\nQPushButton { color: red;\n"); },
         {100}, "style-sheet error"},
    });
}

TEST(StartupFiles, NamesFileTheProgramCannotRead)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "running as root, who reads any file; the end-to-end test "
                        "e2e_environment.py runs the program as nobody for this case";
    Installation where;
    ASSERT_TRUE(QFile::setPermissions(where.path("items.txt"), QFileDevice::WriteOwner));
    Started started(where);
    EXPECT_EQ(started.steps(), Steps{130});
    EXPECT_NE(started.firstText().find("Permission denied"), std::string::npos);
}

TEST(StartupFiles, AHundredMegabyteLineInARealFile)
{
    Installation where;
    {
        std::ofstream out(where.path("items.txt").toStdString(), std::ios::binary | std::ios::app);
        const std::string chunk(1 << 20, 'x');
        for (int i = 0; i < 100; ++i)
            out << chunk;
        out << "\r\n";
    }
    // Where the peak cannot be started over, the test's own process (one
    // test each under CTest) has not peaked before.
    test::resetPeakResident();
    const long before = test::peakResidentKb();
    Started started(where);
    const long after = test::peakResidentKb();
    EXPECT_EQ(started.steps(), (Steps{136, 142, 148}));
    EXPECT_NE(started.firstText().find("over 1 MB"), std::string::npos);
    for (int i = 0; i < kNameCount; ++i)
        EXPECT_EQ(started.quiz.names()[std::size_t(i)].caption, test::countryNames()[std::size_t(i)]);
    std::printf("[ figure ] 100 MB line through the real file system: peak resident %ld kB -> %ld kB (+%ld kB)\n",
                before, after, after - before);
    EXPECT_LT(after - before, 24 * 1024);
}
