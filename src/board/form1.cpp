#include "board/form1.h"

#include "app/errorreport.h"
#include "board/layout.h"

namespace drillix {

Form1::Form1(Platform &platform, Application &app)
    : m_platform(platform)
    , m_app(app)
    , m_form(buildForm1(platform.sound, platform.skin))
    , Image1(m_form->control("Image1"))
    , Image2(m_form->control("Image2"))
    , Image3(m_form->control("Image3"))
    , Label1(m_form->control("Label1"))
    , Label2(m_form->control("Label2"))
    , PushButton1(m_form->control("PushButton1"))
    , PushButton2(m_form->control("PushButton2"))
    , Text1(m_form->control("Text1"))
    , wmp1(static_cast<MediaPlayer &>(m_form->control("wmp1")))
    , SkinFramework1(static_cast<SkinFramework &>(m_form->control("SkinFramework1")))
    , shape(m_form->array("shape"))
    , piccoor(m_form->array("piccoor"))
    , labels(m_form->array("labels"))
    , maplabel(m_form->array("maplabel"))
{
    m_form->setEventSink(this);
    m_app.addForm(m_form.get());
}

Form1::~Form1()
{
    m_app.removeForm(m_form.get());
}

ErrorTrap::Reporter Form1::errorReporter()
{
    return [this](const std::string &description, const std::string &location, int step) {
        ShowErrorReport(m_platform.messageBoxes, description, location, step);
    };
}

void Form1::unload(int &cancel)
{
    Form_Unload(cancel);
}

void Form1::click(Control &control)
{
    if (&control == &PushButton1)
        PushButton1_Click();
    else if (&control == &PushButton2)
        PushButton2_Click();
}

void Form1::mouseMove(Control *control, int, int)
{
    if (control == nullptr)
        Form_MouseMove();
    else if (control == &PushButton1)
        PushButton1_MouseMove();
    else if (control == &PushButton2)
        PushButton2_MouseMove();
    else if (control == &Image3)
        Image3_MouseMove();
}

void Form1::dragOver(Control *target, Control &source, int x, int y, DragState state)
{
    if (target && target->name() == labels.name())
        labels_DragOver(target->index(), source, x, y, state);
}

void Form1::dragDrop(Control *target, Control &source, int x, int y)
{
    // Only name labels and drop targets take drops; anywhere else a drop
    // simply ends the drag.
    if (!target)
        return;
    if (target->name() == labels.name())
        labels_DragDrop(target->index(), source, x, y);
    else if (target->name() == piccoor.name())
        piccoor_DragDrop(target->index(), source, x, y);
}

} // namespace drillix
