// Veltmora Drillix: drag each country's name onto its place on the map.

#include "quiz/quizwindow.h"
#include "form/application.h"
#include "qt/platform/appearance/qtpictureloader.h"
#include "qt/platform/appearance/qtskinengine.h"
#include "qt/window/formaccessible.h"
#include "qt/window/formwidget.h"
#include "qt/platform/sound/lazysoundoutput.h"
#include "qt/platform/localfilesystem.h"
#include "qt/platform/qtdiagnostics.h"
#include "qt/platform/qtmessageboxes.h"
#include "qt/platform/qtshell.h"
#include "qt/platform/systemclock.h"
#include "qt/platform/systemrandom.h"

#include <QAccessible>
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

    // The font configuration takes milliseconds to read, and the window's
    // first text waits for it: it is read on a second thread while Qt
    // connects to the display.
    std::thread fontConfiguration([] { FcInit(); });

    // The program reads no command line of its own; Qt's options still work.
    QApplication qapp(argc, argv);
    QApplication::setApplicationName(QStringLiteral("veltmora-drillix"));
    QApplication::setApplicationDisplayName(QString());
    QGuiApplication::setDesktopFileName(QStringLiteral("veltmora-drillix"));
    QAccessible::installFactory(&drillix::FormAccessible::factory);

    // Side files lie beside the real executable, even when started through
    // a link on PATH.
    drillix::Application app(QCoreApplication::applicationDirPath().toStdString());

    drillix::QtMessageBoxes messageBoxes;
    const QString programDir = QCoreApplication::applicationDirPath();
    drillix::LazySoundOutput sound(programDir + QStringLiteral("/plugins/libdrillix-sound.so"),
                                   (programDir + QStringLiteral("/drillix-sound-decoder")).toStdString());
    drillix::QtShell shell;
    drillix::QtSkinEngine skin;
    drillix::QtPictureLoader pictures;
    drillix::LocalFileSystem files;
    drillix::SystemClock clock;
    drillix::SystemRandom random;
    drillix::QtDiagnostics diagnostics;
    drillix::Platform platform{messageBoxes, sound, shell, skin, pictures, files, clock, random, diagnostics};

    drillix::QuizWindow quiz(platform, app);
    fontConfiguration.join();
    drillix::FormWidget window(quiz.form());
    skin.registerWindow(quiz.form().handle(), &window);
    QObject::connect(&window, &drillix::FormWidget::formUnloaded, &qapp, &QCoreApplication::quit);

    quiz.start();
    if (!quiz.form().loaded())
        return 0;
    window.showWithFocus();
    // The sound engine loads once the first frame is on its way, and makes
    // the game's sounds ready before the first drop.
    QTimer::singleShot(200, [&sound, &app] {
        sound.preload({app.sideFile("/sounds/correct.wma"), app.sideFile("/sounds/wrong.wma"),
                       app.sideFile("/sounds/complete.wma")});
    });
    return QApplication::exec();
}
