// Skin files built to strain Qt's style-sheet parser, just under the 1 MB
// limit: deep nesting, long selector chains, many rules. Each must load or
// be refused with a report, and a loaded one must apply; none may crash or
// hang the start-up.

#include "form/failure.h"
#include "qt/appearance/qtskinengine.h"

#include <QFile>
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

        QtSkinEngine engine;
        QWidget window;
        auto *button = new QPushButton(QStringLiteral("Restart"), &window);
        engine.registerWindow(7, &window);
        bool loaded = false;
        try {
            engine.loadSkin(path.toStdString(), "");
            loaded = true;
        } catch (const Failure &failure) {
            EXPECT_EQ(std::string(failure.what()).rfind("Skin file ", 0), 0u) << failure.what();
        }
        if (loaded) {
            engine.setApplyOptions(QtSkinEngine::kSkinControls | QtSkinEngine::kSkinWindow);
            engine.setApplyColours(true);
            engine.setApplyMetrics(true);
            EXPECT_NO_THROW(engine.applyWindow(7));
            button->ensurePolished();
        }
        std::printf("[ figure ] %s: %s\n", c.what, loaded ? "loaded" : "refused");
    }
}
