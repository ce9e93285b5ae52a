// Skin files built to strain Qt's style-sheet parser, just under the 1 MB
// limit: deep nesting, long selector chains, many rules. Each must load or
// be refused with a report, and a loaded one must apply; none may crash or
// hang the start-up. And skin pictures that would take memory without end,
// and rules that would crash the window or make it take gigabytes.

#include "core/platform.h"
#include "memory.h"
#include "qt/platform/appearance/qtskinengine.h"

#include <QFile>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QWidget>

#include <gtest/gtest.h>

#include <string>

using namespace drillix;

namespace {

std::string repeat(const std::string &piece, std::size_t bytes)
{
    std::string out;
    while (out.size() + piece.size() < bytes)
        out += piece;
    return out;
}

} // namespace

TEST(SkinLimits, StyleSheetsThatStrainTheParserLoadOrFailCleanly)
{
    const std::string head = "[skin]\nformat = 1\n[controls]\n";
    const std::size_t room = 1000 * 1000 - head.size() - 64;
    const struct {
        const char *what;
        std::string body;
    } cases[] = {
        {"nested functions", "QPushButton { color: " + repeat("f(", room) + " }\n"},
        {"open braces", repeat("{", room)},
        {"open brackets", "QPushButton" + repeat("[", room)},
        {"open parentheses", "QPushButton { color: " + repeat("(", room) + " }\n"},
        {"a long descendant chain", repeat("QWidget ", room) + "{ color: red; }\n"},
        {"many rules", repeat("QPushButton { color: red; }\n", room)},
        {"deep window declarations", "[window]\nbackground: " + repeat("f(", room) + ";\n"},
    };
    QTemporaryDir dir;
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        const QString path = dir.filePath(QStringLiteral("o.cjs"));
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(QByteArray::fromStdString(head + c.body));
        f.close();

        QWidget window;
        auto *button = new QPushButton(QStringLiteral("Restart"), &window);
        QtSkinEngine engine(&window);
        bool loaded = false;
        try {
            engine.applySkin(path.toStdString());
            loaded = true;
            button->ensurePolished();
        } catch (const Failure &failure) {
            EXPECT_EQ(std::string(failure.what()).rfind("Skin file ", 0), 0u) << failure.what();
        }
        std::printf("[ figure ] %s: %s\n", c.what, loaded ? "loaded" : "refused");
    }
}

// Qt decodes a style-sheet picture once for every widget that shows it
// unless it fits in the pixmap cache; a window of buttons each showing a
// 5000 x 5000 picture (a PNG of a few kilobytes) would take gigabytes.
TEST(SkinLimits, PicturesTakeMemoryOnceWithinTheLimit)
{
    constexpr int kButtons = 30;
    const struct {
        int side;
        bool loads;
    } cases[] = {{5000, false}, {2800, true}};
    QTemporaryDir dir;
    for (const auto &c : cases) {
        SCOPED_TRACE(c.side);
        QImage picture(c.side, c.side, QImage::Format_Mono);
        picture.fill(0);
        ASSERT_TRUE(picture.save(dir.filePath(QStringLiteral("big.png"))));
        QFile skin(dir.filePath(QStringLiteral("o.cjs")));
        ASSERT_TRUE(skin.open(QIODevice::WriteOnly | QIODevice::Truncate));
        skin.write("[skin]\nformat = 1\n[controls]\nQPushButton { background-image: url(big.png); }\n"
                   "QPushButton:hover { border-image: url(big.png); }\n");
        skin.close();

        const long before = test::residentKb();
        QWidget window;
        window.resize(400, 300);
        for (int i = 0; i < kButtons; ++i)
            (new QPushButton(QStringLiteral("Restart"), &window))->setGeometry(i * 8, i * 8, 156, 27);
        QtSkinEngine engine(&window);
        bool loaded = true;
        try {
            engine.applySkin(dir.filePath(QStringLiteral("o.cjs")).toStdString());
        } catch (const Failure &failure) {
            loaded = false;
            EXPECT_NE(std::string(failure.what()).find("big.png (line 4) is " + std::to_string(c.side)),
                      std::string::npos)
                << failure.what();
        }
        EXPECT_EQ(loaded, c.loads);
        (void)window.grab(); // every button painted, its picture decoded
        const long grownKb = test::residentKb() - before;
        const long pictureKb = long(c.side) * c.side * 4 / 1024;
        std::printf("[ figure ] %d x %d picture on %d buttons: %s, memory grew %ld kB (%.2f x the picture)\n", c.side,
                    c.side, kButtons, loaded ? "loaded" : "refused", grownKb, double(grownKb) / pictureKb);
        EXPECT_LT(grownKb, 3 * pictureKb);
    }
}

// A sheet that sets qproperty-styleSheet to one that sets it again recurses
// inside Qt until the stack ends; a 30000 px minimum takes gigabytes once
// painted. Each is refused before a widget sees it, and the window paints.
// What the limits still allow, every length at its most, stays bounded.
TEST(SkinLimits, RulesThatWouldCrashOrBalloonTheWindowAreRefused)
{
    QFile shippedFile(QStringLiteral(DRILLIX_DATA_DIR "/x/o.cjs"));
    ASSERT_TRUE(shippedFile.open(QIODevice::ReadOnly));
    const QByteArray shipped = shippedFile.readAll();
    const QByteArray recursion = "QPushButton { qproperty-styleSheet: \"QPushButton { qproperty-styleSheet: 'x' }\"; }\n";
    const QByteArray head = "[skin]\nformat = 1\n\n";
    const QByteArray longest = "* { min-width: 665px; min-height: 665px; padding: 665px; margin: 665px; "
                               "border: 665px solid red; font-size: 665px; }\n";
    const struct {
        const char *what;
        QByteArray skin;
        const char *failure;
    } cases[] = {
        {"a sheet that sets itself, in the shipped skin",
         QByteArray(shipped).replace("[controls]\n", "[controls]\n" + recursion), "qproperty-styleSheet in [controls]"},
        {"a minimum size of 30000 px", head + "[controls]\nQPushButton { qproperty-minimumSize: 30000px 30000px; }\n",
         "qproperty-minimumSize in [controls] (line 5)"},
        {"every length at its most", head + "[metrics]\n" + longest, nullptr},
    };
    QTemporaryDir dir;
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        QFile file(dir.filePath(QStringLiteral("o.cjs")));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(c.skin) == c.skin.size());
        file.close();
        const long before = test::residentKb();
        const bool peakReset = test::resetPeakResident();
        QWidget window;
        window.resize(1047, 665);
        for (int i = 0; i < 4; ++i) {
            (new QPushButton(QStringLiteral("Restart"), &window))->setGeometry(720, 600 - 40 * i, 156, 27);
            (new QLabel(QStringLiteral("Mongolia"), &window))->setGeometry(10, 10 + 30 * i, 100, 20);
        }
        QtSkinEngine engine(&window);
        std::string failure = "(no failure)";
        try {
            engine.applySkin(file.fileName().toStdString());
        } catch (const Failure &refused) {
            failure = refused.what();
        }
        if (c.failure)
            EXPECT_NE(failure.find(c.failure), std::string::npos) << failure;
        else
            EXPECT_EQ(failure, "(no failure)");
        EXPECT_FALSE(window.grab().isNull());
        const long grownKb = (peakReset ? test::peakResidentKb() : test::residentKb()) - before;
        std::printf("[ figure ] %s: %s, memory grew %ld kB\n", c.what, c.failure ? "refused" : "applied", grownKb);
        // A box of seven lengths a side, painted into a pixmap: some 85 MB.
        EXPECT_LT(grownKb, 150 * 1024);
    }
}
