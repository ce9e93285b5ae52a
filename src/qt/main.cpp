// Veltmora Drillix: drag each country's name onto its place on the map.

#include "core/contract.h"
#include "core/quiz.h"
#include "qt/platform/appearance/pictures.h"
#include "qt/platform/appearance/qtskinengine.h"
#include "qt/platform/desktop.h"
#include "qt/platform/sound/lazysoundoutput.h"
#include "qt/window/quizwindow.h"

#include <QApplication>
#include <QTimer>

#include <fontconfig/fontconfig.h>

#include <csignal>
#include <thread>

int main(int argc, char *argv[])
{
    // Standard error may be a pipe that nobody reads: a warning written to
    // it then fails instead of ending the quiz.
    std::signal(SIGPIPE, SIG_IGN);

    // Reading the font configuration takes 5-6 ms, which the window's first
    // text waits for: read it while Qt connects to the display (the start-up
    // bench's time to the mapped window guards it).
    std::thread fontConfiguration([] { FcInit(); });

    // The program reads no command line of its own; Qt's options still work.
    QApplication qapp(argc, argv);
    QApplication::setApplicationName(QStringLiteral("veltmora-drillix"));
    QApplication::setApplicationDisplayName(QString());
    QGuiApplication::setDesktopFileName(QStringLiteral("veltmora-drillix"));

    // Side files lie beside the real executable, even when started through
    // a link on PATH.
    const QString programDir = QCoreApplication::applicationDirPath();
    drillix::QtMessageBoxes messageBoxes;
    drillix::LazySoundOutput sound(programDir + QStringLiteral("/plugins/libdrillix-sound.so"),
                                   (programDir + QStringLiteral("/drillix-sound-decoder")).toStdString());
    drillix::QtShell shell;
    drillix::QtSkinEngine skin;
    drillix::QtPictureLoader pictures;
    drillix::LocalFileSystem files;
    drillix::SystemClock clock;
    drillix::SystemRandom random;
    drillix::Platform platform{messageBoxes, sound, shell, skin, pictures, files, clock, random};
    drillix::Quiz quiz(platform, programDir.toStdString());

    fontConfiguration.join();
    drillix::QuizWindow window(quiz);
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
    QTimer::singleShot(200, [&sound, &quiz] {
        sound.preload({quiz.sideFile(drillix::contract::kCorrectSound), quiz.sideFile(drillix::contract::kWrongSound),
                       quiz.sideFile(drillix::contract::kCompleteSound)});
    });
    return QApplication::exec();
}
