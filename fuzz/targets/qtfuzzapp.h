#pragma once

// A Qt application object for the fuzz targets that need one, on the
// offscreen platform, made once before the first input.

#include <QtGlobal>

#include <cstdlib>

namespace drillix::fuzz {

template<class App>
void startApplication()
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Qt's warnings about damaged files are expected by the thousand. A
    // handler rather than logging rules, so that code that listens for
    // Qt's warnings (the skin engine does) still hears them.
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
    static int argc = 1;
    static char name[] = "drillix-fuzz";
    static char *argv[] = {name, nullptr};
    static App *app = new App(argc, argv); // lives until the process ends
    (void)app;
}

} // namespace drillix::fuzz
