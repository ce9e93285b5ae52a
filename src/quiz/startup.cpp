// The start-up of the quiz window.

#include "quiz/quizwindow.h"

#include "quiz/applicationtitle.h"
#include "quiz/fileexists.h"
#include "quiz/layout.h"

namespace drillix {

namespace {
// The location text that the start-up's error reports show.
const char *const kStartLocation = "in Trendolix2021/08/31.Form1.Form_Load ";
} // namespace

void QuizWindow::start()
{
    ErrorTrap trap(kStartLocation, errorReporter());

    trap.step(100, [&] { applySkin(); });
    loadHandCursor(trap);

    trap.step(108, [&] { m_form->setCaption(m_displayName); });
    trap.step(108, [&] { m_form->setIcon(Picture{kApplicationIcon}); });
    // On failure the title stays as it was; caption and icon are set already.
    trap.step(108, [&] { m_app.setTitle(applicationTitle(m_displayName)); });

    trap.step(110, [&] { drawWebSite(); });

    setUpBoard(trap);
}

void QuizWindow::loadHandCursor(ErrorTrap &trap)
{
    const std::string path = m_app.sideFile("\\HAND-M.CUR");
    bool present = false;
    trap.step(104, [&] { present = fileExists(m_platform.files, path); });
    if (present)
        trap.step(106, [&] { m_form->setMouseIcon(m_platform.pictures.loadPicture(path)); });
}

} // namespace drillix
