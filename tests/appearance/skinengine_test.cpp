#include "qt/appearance/qtskinengine.h"

#include "testfiles.h"

#include <QApplication>
#include <QFont>
#include <QImage>
#include <QLineEdit>
#include <QPushButton>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace drillix;
using drillix::test::failureOf;
using drillix::test::Scratch;
using ::testing::HasSubstr;

namespace {

constexpr std::int32_t kHandle = 0x1234;

// The main window as the front end builds it: custom-painted, with two
// push buttons in the design's white and black and a text box off-screen.
struct TestWindow {
    TestWindow()
    {
        window.resize(335, 120);
        restart = addButton(QStringLiteral("Restart"), QStringLiteral("PushButton1"), 8);
        exit = addButton(QStringLiteral("Exit"), QStringLiteral("PushButton2"), 172);
        auto *text = new QLineEdit(&window);
        text->setObjectName(QStringLiteral("Text1"));
        text->move(-500, -500);
    }

    QPushButton *addButton(const QString &caption, const QString &name, int x)
    {
        auto *button = new QPushButton(caption, &window);
        button->setObjectName(name);
        QFont font(QStringLiteral("Arial"));
        font.setPixelSize(15);
        font.setBold(true);
        button->setFont(font);
        QPalette palette = button->palette();
        palette.setColor(QPalette::Button, Qt::white);
        palette.setColor(QPalette::ButtonText, Qt::black);
        button->setPalette(palette);
        button->setGeometry(x, 80, 156, 27);
        return button;
    }

    // Qt styles a widget when it is polished, at the latest when it is shown.
    QColor buttonText()
    {
        window.ensurePolished();
        return restart->palette().color(QPalette::ButtonText);
    }

    QWidget window;
    QPushButton *restart = nullptr;
    QPushButton *exit = nullptr;
};

// Start-up's sequence of calls.
void applyLikeStartUp(QtSkinEngine &engine, const std::string &path)
{
    engine.loadSkin(path, "");
    engine.setApplyOptions(engine.applyOptions() | 1);
    engine.setApplyColours(true);
    engine.setApplyMetrics(true);
    engine.applyWindow(kHandle);
}

QByteArray skin(const char *body)
{
    return QByteArray("[skin]\nformat = 1\nname = Test\n") + body;
}

// One of each part, each with an effect that can be read back.
const char *const kAllParts = "[controls]\n"
                              "QPushButton { text-align: left; }\n"
                              "[colours]\n"
                              "QPushButton { color: #ff0000; }\n"
                              "[metrics]\n"
                              "QPushButton { min-height: 40px; }\n"
                              "[window]\n"
                              "background-color: #00ff00;\n"
                              "[colours:night]\n"
                              "QPushButton { color: #0000ff; }\n";

} // namespace

TEST(ShippedSkin, LoadsAndRestylesTheButtonsOfItsWindowOnly)
{
    TestWindow skinned;
    TestWindow other;
    const QImage before = skinned.restart->grab().toImage();
    const QImage otherBefore = other.restart->grab().toImage();

    QtSkinEngine engine;
    engine.registerWindow(kHandle, &skinned.window);
    applyLikeStartUp(engine, DRILLIX_SHIPPED_SKIN);

    EXPECT_EQ(engine.skinName(), QStringLiteral("Panel Blue"));
    EXPECT_EQ(engine.applyOptions(), 1);
    EXPECT_NE(skinned.restart->grab().toImage(), before);
    EXPECT_EQ(skinned.buttonText(), QColor(Qt::white));
    EXPECT_EQ(other.restart->grab().toImage(), otherBefore);
    EXPECT_TRUE(qApp->styleSheet().isEmpty());
}

TEST(ShippedSkin, HasItsContrastVariant)
{
    TestWindow w;
    QtSkinEngine engine;
    engine.registerWindow(kHandle, &w.window);
    engine.loadSkin(DRILLIX_SHIPPED_SKIN, "contrast");
    engine.setApplyOptions(1);
    engine.setApplyColours(true);
    engine.applyWindow(kHandle);
    w.window.ensurePolished();
    EXPECT_EQ(w.exit->palette().color(QPalette::ButtonText), QColor(Qt::black));
}

TEST(SkinOptions, StartClearAndReadBackAsWritten)
{
    QtSkinEngine engine;
    EXPECT_EQ(engine.applyOptions(), 0);
    engine.setApplyOptions(engine.applyOptions() | 1);
    EXPECT_EQ(engine.applyOptions(), 1);
    engine.setApplyOptions(-8); // unused bits are kept
    EXPECT_EQ(engine.applyOptions(), -8);
}

TEST(SkinOptions, ChooseWhichPartsReachTheWindow)
{
    Scratch scratch;
    const std::string path = scratch.write(QStringLiteral("all.cjs"), skin(kAllParts));
    const QColor green(0, 255, 0);
    struct Case {
        std::int32_t options;
        bool colours;
        bool metrics;
        bool redText;
        bool tall;
        bool greenWindow;
    };
    const Case cases[] = {
        {0, true, true, false, false, false}, // nothing chosen: nothing changes
        {1, false, false, false, false, false},
        {1, true, false, true, false, false},
        {1, false, true, false, true, false},
        {1, true, true, true, true, false},
        {2, true, true, false, false, true}, // the window alone
        {3, true, true, true, true, true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE("options " + std::to_string(c.options) + " colours " + std::to_string(c.colours)
                     + " metrics " + std::to_string(c.metrics));
        TestWindow w;
        QtSkinEngine engine;
        engine.registerWindow(kHandle, &w.window);
        engine.loadSkin(path, "");
        engine.setApplyOptions(c.options);
        engine.setApplyColours(c.colours);
        engine.setApplyMetrics(c.metrics);
        engine.applyWindow(kHandle);

        EXPECT_EQ(w.buttonText() == QColor(Qt::red), c.redText);
        EXPECT_EQ(w.restart->sizeHint().height() >= 40, c.tall);
        const QImage window = w.window.grab().toImage();
        EXPECT_EQ(window.pixelColor(300, 10) == green, c.greenWindow);
        // The window's own declarations never reach its children.
        EXPECT_NE(w.restart->grab().toImage().pixelColor(1, 13), green);
    }
}

TEST(SkinOptions, TakeEffectWhenAppliedAgain)
{
    Scratch scratch;
    TestWindow w;
    QtSkinEngine engine;
    engine.registerWindow(kHandle, &w.window);
    w.window.setStyleSheet(QStringLiteral("QLineEdit { color: #123456; }"));
    engine.loadSkin(scratch.write(QStringLiteral("all.cjs"), skin(kAllParts)), "");
    engine.setApplyOptions(1);
    engine.setApplyColours(true);
    engine.applyWindow(kHandle);
    EXPECT_EQ(w.buttonText(), QColor(Qt::red));

    engine.setApplyColours(false);
    engine.applyWindow(kHandle);
    EXPECT_EQ(w.buttonText(), QColor(Qt::black));
    // The window's own style sheet survives both.
    auto *text = w.window.findChild<QLineEdit *>(QStringLiteral("Text1"));
    EXPECT_EQ(text->palette().color(QPalette::Text), QColor(0x12, 0x34, 0x56));
}

TEST(SkinVariants, AddToTheDefaultSectionsAndMustExist)
{
    Scratch scratch;
    const std::string path = scratch.write(QStringLiteral("all.cjs"), skin(kAllParts));
    TestWindow w;
    QtSkinEngine engine;
    engine.registerWindow(kHandle, &w.window);
    engine.loadSkin(path, "NIGHT"); // names match without regard to case
    engine.setApplyOptions(1);
    engine.setApplyColours(true);
    engine.setApplyMetrics(true);
    engine.applyWindow(kHandle);
    EXPECT_EQ(w.buttonText(), QColor(Qt::blue));
    EXPECT_GE(w.restart->sizeHint().height(), 40);

    EXPECT_EQ(failureOf([&] { engine.loadSkin(path, "dawn"); }), "Skin file has no variant \"dawn\"");
}

TEST(SkinFormat, AcceptsCommentsLineEndsAndAByteOrderMark)
{
    Scratch scratch;
    const QByteArray text = "\xef\xbb\xbf/* [colours] in a comment is no header */\r\n"
                            "[Skin]\r\nformat = 1 /* the only one */\r\n"
                            "[COLOURS]  /* trailing comment */\r\n"
                            "QPushButton { color: #ff0000; font-family: \"/* not a comment\"; }\r\n"
                            "QPushButton[flat=\"true\"] { color: #00ff00; }\r\n";
    TestWindow w;
    QtSkinEngine engine;
    engine.registerWindow(kHandle, &w.window);
    engine.loadSkin(scratch.write(QStringLiteral("crlf.cjs"), text), "");
    engine.setApplyOptions(1);
    engine.setApplyColours(true);
    engine.applyWindow(kHandle);
    EXPECT_EQ(w.buttonText(), QColor(Qt::red));
}

TEST(DamagedSkin, EachGivesAClearFailureAndLeavesNoSkin)
{
    Scratch scratch;
    QByteArray binary(4096, '\0');
    for (int i = 0; i < binary.size(); ++i)
        binary[i] = char((i * 131 + 7) % 256);
    const struct {
        const char *name;
        QByteArray bytes;
        const char *failure;
    } cases[] = {
        {"empty", "", "Skin file is empty"},
        {"blank", " \n\r\n\t\n", "Skin file is empty"},
        {"binary", binary, "Skin file is not valid text (it holds binary data)"},
        {"latin-1", skin("[controls]\nQPushButton { font-family: \"Caf\xe9\"; }\n"), "Skin file is not valid UTF-8 text"},
        {"plain style sheet", "QPushButton { color: red; }\n", "Skin file is not a Drillix skin"},
        {"script", "module.exports = { colour: 'blue' };\n", "Skin file is not a Drillix skin"},
        {"header later", "[controls]\n[skin]\nformat = 1\n", "Skin file is not a Drillix skin"},
        {"no format", "[skin]\nname = x\n", "Skin file does not give its format"},
        {"format 2", "[skin]\nformat = 2\n", "Skin file is in format \"2\""},
        {"bad setting", "[skin]\nformat = 1\ncolour\n", "is not \"key = value\" (line 3)"},
        {"unknown setting", "[skin]\nformat = 1\nauthor = me\n", "unknown setting \"author\""},
        {"unknown part", skin("[fonts]\n"), "unknown section [fonts] on line 4"},
        {"twice", skin("[colours]\n[metrics]\n[Colours]\n"), "has [colours] twice (lines 4 and 6)"},
        {"bad variant", skin("[colours:dark blue]\n"), "variant name that is not allowed"},
        {"open comment", skin("[colours]\n/* never closed\nQPushButton {}\n"), "comment that never ends (it opens on line 5)"},
        {"open brace", skin("[colours]\nQPushButton { color: red;\n[metrics]\n"), "style-sheet error in [colours] (lines 4 to 5)"},
        {"extra brace", skin("[metrics]\nQPushButton { color: red; } }\n"), "style-sheet error in [metrics]"},
        {"open string", skin("[controls]\nQPushButton { font-family: \"Arial; }\n"), "style-sheet error in [controls]"},
        {"bare declarations", skin("[controls]\ncolor: red;\n"), "style-sheet error in [controls]"},
        {"rules in window", skin("[window]\nQPushButton { color: red; }\n"), "has a rule in [window] on line 5"},
        {"garbage", skin("[colours:night]\n%%% !!! @@@\n"), "style-sheet error in [colours:night]"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        TestWindow w;
        QtSkinEngine engine;
        engine.registerWindow(kHandle, &w.window);
        engine.loadSkin(DRILLIX_SHIPPED_SKIN, "");
        const std::string path = scratch.write(QString::fromLatin1(c.name), c.bytes);
        EXPECT_THAT(failureOf([&] { engine.loadSkin(path, ""); }), HasSubstr(c.failure));
        EXPECT_EQ(failureOf([&] { engine.applyWindow(kHandle); }),
                  "Cannot apply the skin: no skin file has been loaded");
    }
}

TEST(DamagedSkin, FilesThatAreNoTextFilesAreRefusedUnread)
{
    Scratch scratch;
    const std::string fifo = scratch.path(QStringLiteral("pipe")).toStdString();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const struct {
        const char *name;
        std::string path;
        const char *failure;
    } cases[] = {
        {"10 MB", scratch.sized(QStringLiteral("big.cjs"), 10 * 1024 * 1024),
         "Skin file is too large (10 MB; the limit is 1 MB)"},
        {"one byte over", scratch.sized(QStringLiteral("over.cjs"), 1024 * 1024 + 1),
         "Skin file is too large (1.1 MB; the limit is 1 MB)"},
        {"folder", scratch.folder(QStringLiteral("o.cjs")), "Skin file is a folder, not a file"},
        {"dangling link", scratch.danglingLink(QStringLiteral("link.cjs")),
         "Skin file is a link to a file that does not exist"},
        {"missing", scratch.path(QStringLiteral("missing.cjs")).toStdString(), "Skin file not found"},
        {"pipe", fifo, "Skin file is not a normal file"},
        {"no name", "", "Skin file has no name"},
    };
    QtSkinEngine engine;
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(failureOf([&] { engine.loadSkin(c.path, ""); }), c.failure);
    }
}

TEST(SkinWindows, OnlyRegisteredLiveWindowsCanBeSkinned)
{
    QtSkinEngine engine;
    auto window = std::make_unique<TestWindow>();
    engine.registerWindow(kHandle, &window->window);
    EXPECT_EQ(failureOf([&] { engine.applyWindow(kHandle); }),
              "Cannot apply the skin: no skin file has been loaded");

    engine.loadSkin(DRILLIX_SHIPPED_SKIN, "");
    EXPECT_EQ(failureOf([&] { engine.applyWindow(99); }), "Cannot apply the skin: there is no window with handle 99");
    EXPECT_EQ(failureOf([&] { engine.applyWindow(kHandle); }), "(no failure)");

    window.reset();
    EXPECT_THAT(failureOf([&] { engine.applyWindow(kHandle); }), HasSubstr("there is no window with handle"));

    TestWindow second;
    engine.registerWindow(7, &second.window);
    engine.registerWindow(7, nullptr);
    EXPECT_THAT(failureOf([&] { engine.applyWindow(7); }), HasSubstr("there is no window with handle 7"));
}
