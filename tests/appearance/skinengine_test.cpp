#include "qt/platform/appearance/qtskinengine.h"
#include "qt/platform/appearance/skinfile.h"

#include "testfiles.h"

#include <QApplication>
#include <QDir>
#include <QPushButton>

#include <cstdlib>

#include <gmock/gmock.h>

using namespace drillix;
using namespace drillix::test;
using ::testing::HasSubstr;

namespace {

// The main window as the front end builds it, with a button in the design's
// white and black.
struct TestWindow {
    TestWindow()
    {
        window.resize(335, 120);
        button->setGeometry(8, 80, 156, 27);
        QPalette palette = button->palette();
        palette.setColor(QPalette::Button, Qt::white);
        palette.setColor(QPalette::ButtonText, Qt::black);
        button->setPalette(palette);
    }

    // The colour the button's label is drawn in: of the pixels that the
    // text changes, the one it changes most lies wholly under a glyph.
    QColor textColour()
    {
        const QImage withText = button->grab().toImage();
        const QString text = button->text();
        button->setText(QString());
        const QImage without = button->grab().toImage();
        button->setText(text);
        QColor drawn;
        int most = 0;
        for (int y = 0; y < withText.height(); ++y) {
            for (int x = 0; x < withText.width(); ++x) {
                const QColor a = withText.pixelColor(x, y), b = without.pixelColor(x, y);
                const int change = std::abs(a.red() - b.red()) + std::abs(a.green() - b.green()) + std::abs(a.blue() - b.blue());
                if (change > most) {
                    most = change;
                    drawn = a;
                }
            }
        }
        return drawn;
    }

    QWidget window;
    QPushButton *button = new QPushButton(QStringLiteral("Restart"), &window);
};

QByteArray skin(const char *body)
{
    return QByteArray("[skin]\nformat = 1\nname = Test\n") + body;
}

} // namespace

TEST(SkinEngine, ShippedSkinRestylesTheButtonsOfItsWindowOnly)
{
    TestWindow skinned, other;
    const QImage before = skinned.button->grab().toImage();
    const QImage otherBefore = other.button->grab().toImage();

    QtSkinEngine engine(&skinned.window);
    engine.applySkin(DRILLIX_SHIPPED_SKIN);

    EXPECT_NE(skinned.button->grab().toImage(), before);
    EXPECT_EQ(skinned.textColour(), QColor(Qt::white));
    EXPECT_EQ(other.button->grab().toImage(), otherBefore);
    EXPECT_TRUE(qApp->styleSheet().isEmpty());
}

TEST(SkinEngine, ControlsColoursAndMetricsAreAppliedButNeitherWindowNorVariants)
{
    Scratch scratch;
    // With a byte-order mark, CR LF, and header look-alikes in a comment and a string.
    const std::string path = scratch.file("\xef\xbb\xbf" + skin(
        "/* [metrics] */\r\n[colours]\r\nQPushButton { color: #ff0000; font-family: \"/* [x] \"; }\r\n"
        "[Metrics]\nQPushButton { min-height: 40px; }\n[window]\nbackground-color: #00ff00;\n"
        "[colours:night]\nQPushButton { color: #0000ff; }\n"));
    TestWindow w;
    QtSkinEngine engine;
    engine.setWindow(&w.window);
    engine.applySkin(path);
    engine.applySkin(path); // twice before the window was ever shown

    EXPECT_EQ(w.textColour(), QColor(Qt::red));
    EXPECT_GE(w.button->sizeHint().height(), 40);
    EXPECT_NE(w.window.grab().toImage().pixelColor(300, 10), QColor(Qt::green));

    // A window that is gone is not restyled; the skin is still checked.
    auto gone = std::make_unique<TestWindow>();
    engine.setWindow(&gone->window);
    gone.reset();
    EXPECT_EQ(failureOf([&] { engine.applySkin(DRILLIX_SHIPPED_SKIN); }), "(no failure)");
    EXPECT_NE(failureOf([&] { engine.applySkin(scratch.file("")); }), "(no failure)");
}

TEST(SkinEngine, DamagedSkinsFailClearlyAndLeaveTheWindowAsItWas)
{
    Scratch scratch;
    QByteArray binary(4096, '\0');
    for (int i = 0; i < binary.size(); ++i)
        binary[i] = char(i * 131 % 251);
    const std::pair<std::string, const char *> cases[] = {
        {scratch.file(""), "Skin file is empty"},
        {scratch.file(binary), "Skin file is not valid text (it holds binary data)"},
        {scratch.file(skin("[controls]\nQPushButton { font-family: \"Caf\xe9\"; }\n")), "is not valid UTF-8 text"},
        {scratch.sized(10 << 20), "Skin file is too large (10 MB; the limit is 1 MB)"},
        {scratch.sized((1 << 20) + 1), "Skin file is too large (1.1 MB; the limit is 1 MB)"},
        {scratch.folder(), "Skin file is a folder, not a file"},
        {scratch.danglingLink(), "Skin file is a link to a file that does not exist"},
        {scratch.pipe(), "Skin file is not a normal file"},
        {scratch.path(QStringLiteral("missing")).toStdString(), "Skin file not found"},
        {scratch.file("QPushButton { color: red; }\n"), "is not a Drillix skin (it must begin with a [skin] section)"},
        {scratch.file("[skin]\nformat = 2\n"), "is in format \"2\", which this program cannot read"},
        {scratch.file("[skin]\nname = x\nauthor = me\n"), "unknown setting \"author\" in [skin] (line 3)"},
        {scratch.file(skin("[fonts]\n")), "unknown section [fonts] on line 4"},
        {scratch.file(skin("[colours]\n[colours:Dusk]\n[Colours]\n")), "has [colours] twice (lines 4 and 6)"},
        {scratch.file(skin("[colours:dark blue]\n")), "variant name that is not allowed"},
        {scratch.file(skin("[colours]\n/* open\n")), "comment that never ends (it opens on line 5)"},
        {scratch.file(skin("[colours]\nQPushButton { color: red;\n[metrics]\n")), "style-sheet error in [colours] (lines 4 to 5)"},
        {scratch.file(skin("[metrics:big]\nQPushButton { } }\n")), "style-sheet error in [metrics:big]"},
        {scratch.file(skin("[controls]\nQPushButton { color: red; }\n[colours]\nQPushButton # { }\n")),
         "style-sheet error in [colours] (lines 6 to 8)"},
        {scratch.file(skin("[colours]\nQPushButton # { }\n[metrics]\nQPushButton { image: url(gone.png); }\n")),
         "style-sheet error in [colours]"},
        {scratch.file(skin("[controls]\ncolor: red;\n")), "style-sheet error in [controls]"},
        {scratch.file(skin("[window]\nQWidget { color: red; }\n")), "has a rule in [window] on line 5"},
        // Pictures: found from the skin's folder, and never left for Qt to
        // hang on or to decode into gigabytes.
        {scratch.file(skin("[controls]\nQPushButton { image: url(gone.png); }\n")), "gone.png (line 5) not found"},
        {scratch.file(skin("[controls]\nQPushButton { image: url(pipe); }\n")), "pipe (line 5) is not a normal file"},
        {scratch.file(skin("[controls]\n\nQPushButton { image: url(text); }\n")),
         "text (line 6) is not a picture that Qt reads"},
        {scratch.file(skin("[metrics]\nQPushButton { image: url(huge.png); }\n")),
         "huge.png (line 5) is 5000 x 5000 pixels, which brings the skin's pictures to 95.4 MB once decoded; "
         "the limit is 32 MB"},
        {scratch.file(skin("[controls]\n* { image: url(half.png); }\n[colours:x]\n* { image: url('other.png'); }\n")),
         "other.png (line 7) is 2100 x 2100 pixels, which brings the skin's pictures to 33.7 MB"},
        {scratch.file(skin("[controls]\nQPushButton { image: url(small.png); }\n")),
         "small@2x.png (line 5) is 5000 x 5000 pixels"},
        // What is decoded counts, not what a file says; and every sibling
        // that Qt may take on a screen of ratio 2 to 9, by Qt's own naming.
        {scratch.file(skin("[colours]\n\nQLabel { background-image: url(liar.ico); }\n")),
         "liar.ico (line 6): Invalid picture (image 1 of 1 declares 3000 x 3000 pixels; the most is 256 x 256)"},
        {scratch.file(skin("[colours]\nQLabel { image: url(icon.ico); }\n")), "icon@2x.ico (line 5): Invalid picture"},
        {scratch.file(skin("[colours]\nQLabel { image: url(fifo.png); }\n")), "fifo@3x.png (line 5) is not a normal file"},
        // Properties through which a sheet applies, or runs code of its choosing.
        {scratch.file(skin("[colours]\nQPushButton { qproperty-styleSheet: \"QPushButton { qproperty-styleSheet: 'x' }\"; }\n")),
         "Skin file has the property qproperty-styleSheet in [colours] (line 5), which a skin may not set"},
        {scratch.file(skin("[metrics]\nQPushButton {\n  color: red; QPROPERTY-objectName: x; }\n")),
         "has the property QPROPERTY-objectName in [metrics] (line 6)"},
        {scratch.file(skin("[controls]\nQPushButton { qproperty-minimumSize: 30000px 30000px; }\n")),
         "has the property qproperty-minimumSize in [controls] (line 5)"},
        {scratch.file(skin("[colours]\nQPushButton { color: red\\3B qproperty-styleSheet: \"x\"; }\n")),
         "has an escape \\3 in [colours] (line 5); write the character itself"},
        {scratch.file(skin("[window:x]\n/* \\2a/ */\n")), "has an escape \\2 in [window:x] (line 5)"},
        // Lengths within the window, however written.
        {scratch.file(skin("[metrics]\nQPushButton { qproperty-iconSize: 30000px 30000px; }\n")),
         "has the length 30000px in [metrics] (line 5), beyond the window's height: a length or a font is at "
         "most 665px, 498pt or 1em"},
        {scratch.file(skin("[metrics]\n* { min-height: 1e5px; }\n")), "has the length 1e5px in [metrics] (line 5)"},
        {scratch.file(skin("[metrics]\n* { padding: 1 -666 }\n")), "has the length -666 in [metrics]"},
        {scratch.file(skin("[metrics]\n* { margin: 499pt; }\n")), "has the length 499pt in [metrics]"},
        {scratch.file(skin("[metrics]\n* { min-width: 1.1em; }\n")), "has the length 1.1em in [metrics]"},
        {scratch.file(skin("[metrics]\n* { font: bold 666px Arial; }\n")), "has the length 666px in [metrics]"},
        {scratch.file(skin("[metrics]\n* { font-size: 1e999pt; }\n")), "has the length 1e999pt in [metrics]"},
        {scratch.file(skin("[metrics]\n* { min-width: \"30000px\"; }\n")), "has the length 30000px in [metrics]"},
        {scratch.file(skin("[metrics]\n* { min-width: \xc2\xa0" "30000px; }\n")), "30000px in [metrics] (line 5)"},
        {scratch.file(skin("[metrics]\n* { min-height: inf; }\n")), "has the length inf in [metrics]"},
    };
    scratch.file(lyingIcon({plainImage(3000)}), QStringLiteral("liar.ico"));
    scratch.file(lyingIcon({plainImage(16)}), QStringLiteral("icon.ico"));
    scratch.file(lyingIcon({plainImage(3000)}), QStringLiteral("icon@2x.ico"));
    scratch.png(testImage(8, Qt::red), QStringLiteral("fifo.png"));
    scratch.pipe(QStringLiteral("fifo@3x.png"));
    scratch.file("A text, not a picture.\n", QStringLiteral("text"));
    QImage huge(5000, 5000, QImage::Format_Mono);
    huge.fill(0);
    scratch.png(huge, QStringLiteral("huge.png"));
    scratch.png(huge, QStringLiteral("small@2x.png"));
    scratch.png(testImage(8, Qt::red), QStringLiteral("small.png"));
    QImage half(2100, 2100, QImage::Format_Mono);
    half.fill(0);
    scratch.png(half, QStringLiteral("half.png"));
    scratch.png(half, QStringLiteral("other.png"));
    for (const auto &[path, failure] : cases) {
        SCOPED_TRACE(failure);
        TestWindow w;
        QtSkinEngine engine(&w.window);
        engine.applySkin(DRILLIX_SHIPPED_SKIN);
        const QString shipped = w.window.styleSheet();
        EXPECT_THAT(failureOf([&] { engine.applySkin(path); }), HasSubstr(failure));
        EXPECT_EQ(w.window.styleSheet(), shipped);
    }
}

TEST(SkinEngine, PicturesAreFoundFromTheSkinsFolderWhateverTheCurrentFolder)
{
    Scratch scratch;
    QDir(scratch.path({})).mkpath(QStringLiteral("x/sub dir"));
    QDir(scratch.path({})).mkpath(QStringLiteral("elsewhere"));
    scratch.png(testImage(2, Qt::red), QStringLiteral("x/b.png"));
    scratch.png(testImage(2, Qt::blue), QStringLiteral("x/sub dir/c.png"));
    scratch.png(testImage(2, Qt::green), QStringLiteral("elsewhere/b.png")); // must not be taken
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(scratch.path(QStringLiteral("elsewhere"))));

    const std::pair<QByteArray, QColor> cases[] = {
        {"url(b.png)", Qt::red},
        {"url( \"sub dir/c.png\" )", Qt::blue},
        {"url(../x/b.png)", Qt::red},
        {"url('" + scratch.path(QStringLiteral("x/sub dir/c.png")).toUtf8() + "')", Qt::blue},
        // Only what Qt takes for a url counts: none in comments or strings,
        // nor one spelt in capitals.
        {"url(b.png); /* url(gone.png) */ font-family: \"url(gone.png)\"; image: URL(gone.png)", Qt::red},
    };
    for (const auto &[image, colour] : cases) {
        SCOPED_TRACE(image.constData());
        const std::string path = scratch.file(skin("[controls]\nQPushButton { border: none; background-image: ")
                                                  + image + "; }\n", QStringLiteral("x/o.cjs"));
        TestWindow w;
        QtSkinEngine engine(&w.window);
        EXPECT_EQ(failureOf([&] { engine.applySkin(path); }), "(no failure)");
        EXPECT_EQ(w.button->grab().toImage().pixelColor(0, 0), colour);
    }
    QDir::setCurrent(previous);
}

// What the style-sheet check takes, beside what Qt reads, and what it refuses.
TEST(SkinFile, StyleSheetCheckFollowsTheGrammarOfQtStyleSheets)
{
    const auto check = [](const skinfile::Section &section) {
        skinfile::resolveStyleSheet(section, [](const QString &, int) { return QString(); });
    };
    const std::pair<const char *, bool> rules[] = {
        {"", true},
        {"/* only a comment */", true},
        {"QPushButton#PushButton1:hover:!pressed, QLabel > .QWidget QFrame::indicator { color: red }", true},
        {"QLabel[x='}'], * [y~=\"a b\"], QWidget[text=z] { font-family: \"A /* B\"; ; image: url(a;b.png); }", true},
        // A backslash carries a string over its line break, "/*" and all.
        {"QLabel { font-family: \"A\\\n/* B\"; }", true},
        {"QPushButton { border: 1px solid qlineargradient(x1: 0, stop: 0 #fff, stop: 1 red) !important; }", true},
        // Harmless properties, and lengths up to the window's size.
        {"QLabel { qproperty-alignment: 'AlignRight | AlignVCenter'; qproperty-wordWrap: true; qproperty-indent: 4; }", true},
        {"* { min-width: 665px; font: bold 665px; padding: -1em 1ex; margin: 498pt; color: #123456 }", true},
        {"* { font-weight: 900; font: 700 2em Arial; }", true},
        {"QPushButton { color: red;", false},
        {"QPushButton { } }", false},
        {"{ color: red; }", false},
        {"color: red;", false},
        {"QPushButton # { }", false},
        {"QPushButton > { }", false},
        {"QPushButton, { }", false},
        {"QPushButton[x { }", false},
        {"QPushButton { color red; }", false},
        {"QPushButton { color: ; }", false},
        {"QPushButton { color: f(g(); }", false},
        {"QPushButton { color: f); }", false},
        {"QPushButton { font-family: \"A; }", false},
        {"QPushButton { QLabel { color: red; } }", false},
        {"QPushButton /* { color: red; }", false},
        {"@media screen { QPushButton { color: red; } }", false},
    };
    for (const auto &[text, valid] : rules) {
        SCOPED_TRACE(text);
        EXPECT_EQ(failureOf([&] { check({"controls", {}, text, 4, 5}); }) == "(no failure)", valid);
    }
    EXPECT_EQ(failureOf([&] { check({"window", "dusk", "color: red;\nbackground: #fff", 9, 11}); }), "(no failure)");
    EXPECT_EQ(failureOf([&] { check({"window", "dusk", "color red;\n", 9, 11}); }),
              "Skin file has a style-sheet error in [window:dusk] (lines 9 to 11): Qt cannot read it as style-sheet "
              "declarations");
}
