// The optional skin, and the pointer that turns into the hand over buttons.

#include "quiz/quizwindow.h"

namespace drillix {

void QuizWindow::applySkin()
{
    const std::string skinFile = m_app.sideFile("\\x\\o.cjs");
    // Only a normal file counts: a folder or a special file of that name
    // leaves the window exactly as designed.
    if (m_platform.files.listNormalFiles(skinFile).empty())
        return;

    m_form->setBackColour(kSystemButtonFace);
    for (Control *control : m_form->controls()) {
        if (control->kind() == ControlKind::Label)
            control->setBackColour(kSystemButtonFace);
    }

    m_platform.skin.applySkin(skinFile);
}

void QuizWindow::pointerOverButton()
{
    m_form->setMousePointer(kPointerCustom);
}

void QuizWindow::pointerOverBackground()
{
    m_form->setMousePointer(kPointerDefault);
}

} // namespace drillix
