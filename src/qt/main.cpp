// Veltmora Drillix: drag each country's name onto its place on the map.

#include "core/contract.h"
#include "core/quiz.h"
#include "qt/platform/appearance/pictures.h"
#include "qt/platform/appearance/qtskinengine.h"
#include "qt/platform/desktop.h"
#include "qt/platform/sidefiles.h"
#include "qt/platform/sound/lazysoundoutput.h"
#include "qt/window/quizwindow.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QTimer>

#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <thread>

using namespace drillix;
using namespace drillix::contract;

namespace {

// The folder of the real executable, even when started through a link on
// PATH, in the bytes the file system gives: a folder name need not be text.
std::string programFolder(const char *argv0)
{
    std::error_code error;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", error);
    return (error ? std::filesystem::absolute(argv0, error) : exe).parent_path().string();
}

// --help and --version, answered without a display; nullopt to go on.
std::optional<int> answerCommandLine(int argc, char **argv, const QtSideFiles &sideFiles)
{
    QCommandLineParser parser;
    // Qt's own options (-platform, -style, -reverse) are single-dash words,
    // left for QApplication.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.setApplicationDescription(QStringLiteral(
        "An Asia map quiz: drag the names of 23 countries onto their places on the map.\n"
        "Qt's own options (-platform, -style, ...) apply too."));
    parser.addHelpOption();
    parser.addVersionOption();
    // Qt reads the command line as UTF-8 on every Unix.
    parser.parse(QStringList(argv, argv + argc));
    if (parser.isSet(QStringLiteral("version")))
        return std::printf("veltmora-drillix %s\n", DRILLIX_VERSION) < 0;
    if (!parser.isSet(QStringLiteral("help")) && !parser.isSet(QStringLiteral("help-all")))
        return std::nullopt;
    // The usage line names the program as it was started.
    const QCoreApplication app(argc, argv);
    std::printf("%s\nSide files:", qPrintable(parser.helpText()));
    for (const char *name : {kNamesFile, kCorrectSound, kWrongSound, kCompleteSound, kSkinFile, kHandCursorFile})
        std::printf(" %s", name);
    std::printf("\nEach is taken from the first of these folders that holds it:");
    for (const std::string &folder : sideFiles.folders())
        std::printf("\n  %s%s", folder.c_str(), folder == sideFiles.folders().front() ? "  (your own)" : "");
    return std::printf("\n") < 0;
}

// Whether Qt would find no display: no platform chosen and none to connect to.
bool noDisplay(int argc, char **argv)
{
    const auto platform = [](const char *a) { return !qstrcmp(a, "-platform") || !qstrcmp(a, "--platform"); };
    return qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY")
           && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") && std::none_of(argv + 1, argv + argc, platform);
}

} // namespace

int main(int argc, char *argv[])
{
    // Standard error may be a pipe that nobody reads: a warning written to
    // it then fails instead of ending the quiz.
    std::signal(SIGPIPE, SIG_IGN);

    const std::string programDir = programFolder(argv[0]);
    QtSideFiles sideFiles(programDir, DRILLIX_DATA_FROM_PROGRAM);
    if (const std::optional<int> status = answerCommandLine(argc, argv, sideFiles))
        return *status;
    if (noDisplay(argc, argv)) {
        std::fprintf(stderr, "veltmora-drillix: no display to show the quiz on (DISPLAY and WAYLAND_DISPLAY are unset)\n");
        return 1;
    }

    // The font configuration is read while Qt connects to the display: this
    // saves 16 % of the time to the mapped window (start-up bench: map).
    std::thread fontConfiguration([] { FcInit(); });

    // A display that cannot be reached ends the start with one line, not an
    // abort; Qt's own warning before it says why.
    static QtMessageHandler qtHandler = qInstallMessageHandler([](QtMsgType type, const QMessageLogContext &context,
                                                                  const QString &message) {
        if (type != QtFatalMsg)
            return qtHandler(type, context, message);
        std::fprintf(stderr, "veltmora-drillix: the display could not be opened\n");
        std::_Exit(1);
    });
    QApplication qapp(argc, argv);
    qInstallMessageHandler(qtHandler);
    QApplication::setApplicationName(QStringLiteral("veltmora-drillix"));
    QApplication::setApplicationDisplayName(QString());
    QGuiApplication::setDesktopFileName(QStringLiteral("veltmora-drillix"));

    QtMessageBoxes messageBoxes;
    LazySoundOutput sound(programDir + "/plugins/libdrillix-sound.so", programDir + "/drillix-sound-decoder");
    QtWebBrowser browser;
    QtSkinEngine skin;
    QtPictureLoader pictures;
    LocalFileSystem files;
    SystemRandom random;
    Platform platform{messageBoxes, sound, browser, skin, pictures, files, random, sideFiles};
    Quiz quiz(platform);

    fontConfiguration.join();
    QuizWindow window(quiz);
    skin.setWindow(&window);
    quiz.onClosed([&window] {
        window.hide();
        QCoreApplication::quit();
    });
    quiz.start();
    if (quiz.closed())
        return 0;
    window.showWithFocus();

    // The sound engine loads once the first frame is on its way, and makes
    // the game's sounds ready before the first drop.
    QTimer::singleShot(200, [&sound, &sideFiles] {
        sound.preload(
            {sideFiles.locate(kCorrectSound), sideFiles.locate(kWrongSound), sideFiles.locate(kCompleteSound)});
    });
    return QApplication::exec();
}
