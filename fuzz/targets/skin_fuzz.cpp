// The skin engine on arbitrary bytes: the file's layout (skinfile::parse),
// then, as the program does, applying the file to a window, which also finds
// and checks the pictures that url() names (from the scratch folder, where
// the seeds' pictures lie) and checks every section's style-sheet grammar.

#include "core/platform.h"
#include "qt/platform/appearance/qtskinengine.h"
#include "qt/platform/appearance/skinfile.h"
#include "qtfuzzapp.h"

#include <QApplication>
#include <QFile>
#include <QImage>
#include <QPushButton>
#include <QTemporaryDir>
#include <QWidget>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

namespace {

[[noreturn]] void broken(const char *what)
{
    std::fprintf(stderr, "skin loader broke its promise: %s\n", what);
    std::abort();
}

bool startsWith(const char *text, const char *prefix)
{
    return std::string(text).rfind(prefix, 0) == 0;
}

std::unique_ptr<QTemporaryDir> scratch;

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    drillix::fuzz::startApplication<QApplication>();
    scratch = std::make_unique<QTemporaryDir>();
    // Pictures for the seeds' url()s: a small one, and one that declares
    // 5000 x 5000 pixels in a few kilobytes.
    QImage small(8, 8, QImage::Format_RGB32);
    small.fill(Qt::red);
    QImage huge(5000, 5000, QImage::Format_Mono);
    huge.fill(0);
    if (!small.save(scratch->filePath(QStringLiteral("b.png"))) || !huge.save(scratch->filePath(QStringLiteral("huge.png"))))
        broken("cannot write the scratch pictures");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));

    bool parsed = false;
    try {
        const std::vector<drillix::skinfile::Section> sections = drillix::skinfile::parse(bytes);
        parsed = true;
        for (const auto &section : sections) {
            if (section.firstLine < 1 || section.lastLine < section.firstLine)
                broken("a section's lines are out of order");
        }
    } catch (const drillix::Failure &failure) {
        if (!startsWith(failure.what(), "Skin file "))
            broken("a layout failure does not start \"Skin file\"");
    }

    const QString path = scratch->filePath(QStringLiteral("o.cjs"));
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
            broken("cannot write the scratch file");
    }
    QWidget window;
    auto *button = new QPushButton(QStringLiteral("Restart"), &window);
    drillix::QtSkinEngine engine(&window);
    bool loaded = false;
    try {
        engine.applySkin(path.toStdString());
        loaded = true;
    } catch (const drillix::Failure &failure) {
        if (!startsWith(failure.what(), "Skin file "))
            broken("a failure does not start \"Skin file\"");
    }
    if (loaded && !parsed)
        broken("the engine applied a file whose layout is wrong");
    if (!loaded)
        return 0;
    button->ensurePolished();
    (void)button->sizeHint();
    return 0;
}
