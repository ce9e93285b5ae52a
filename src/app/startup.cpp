// Start-up and shutdown of the main window.

#include "board/form1.h"

#include "app/appearance.h"
#include "app/applicationtitle.h"
#include "board/layout.h"

namespace drillix {

namespace {
const char *const kFormLoadLocation = "in Trendolix2021/08/31.Form1.Form_Load ";
} // namespace

void Form1::Form_Load()
{
    ErrorTrap trap(kFormLoadLocation, errorReporter());

    trap.step(100, [&] { ApplySkin(); });
    loadHandCursor(trap);

    trap.step(108, [&] { m_form->setCaption(displayName); });
    trap.step(108, [&] { m_form->setIcon(Picture{kApplicationIcon}); });
    // On failure the title stays as it was; caption and icon are set already.
    trap.step(108, [&] { m_app.setTitle(applicationTitle(displayName)); });

    trap.step(110, [&] { drawWebSite(); });

    setUpBoard(trap);
}

void Form1::loadHandCursor(ErrorTrap &trap)
{
    const std::string path = m_app.sideFile("\\HAND-M.CUR");
    bool present = false;
    trap.step(104, [&] { present = FileExists(m_platform.files, path); });
    if (present)
        trap.step(106, [&] { m_form->setMouseIcon(m_platform.pictures.loadPicture(path)); });
}

void Form1::Form_Unload(int &cancel)
{
    (void)cancel; // never cancelled: nothing is saved and nothing is asked
    const std::vector<Form *> others = m_app.forms();
    for (Form *other : others) {
        if (other != m_form.get())
            other->unload();
    }
}

} // namespace drillix
