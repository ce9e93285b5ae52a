// The optional skin, and the pointer that turns into the hand over buttons.

#include "app/appearance.h"

#include "board/form1.h"

namespace drillix {

bool FileExists(FileSystem &files, std::string path)
{
    try {
        (void)files.modificationTime(path);
        return true;
    } catch (...) {
        return false;
    }
}

void Form1::ApplySkin()
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

    SkinFramework1.LoadSkin(skinFile, "");
    SkinFramework1.setApplyOptions(SkinFramework1.ApplyOptions() | 1);
    SkinFramework1.setApplyColours(true);
    SkinFramework1.setApplyMetrics(true);
    SkinFramework1.ApplyWindow(m_form->handle());
}

void Form1::PushButton1_MouseMove()
{
    m_form->setMousePointer(kPointerCustom);
}

void Form1::PushButton2_MouseMove()
{
    m_form->setMousePointer(kPointerCustom);
}

void Form1::Form_MouseMove()
{
    m_form->setMousePointer(kPointerDefault);
}

void Form1::Image3_MouseMove()
{
    m_form->setMousePointer(kPointerDefault);
}

} // namespace drillix
