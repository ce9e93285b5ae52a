#pragma once

#include "form/application.h"
#include "form/control.h"
#include "form/controlarray.h"
#include "form/errortrap.h"
#include "form/form.h"
#include "form/formevents.h"
#include "form/mediaplayer.h"
#include "form/platform.h"
#include "form/skinframework.h"

#include <cstdint>
#include <memory>
#include <string>

namespace drillix {

// The quiz's main window: its controls as designed, the count of correct
// drops, and every handler of the window. The handlers live in the files of
// their subsystem: start-up and appearance in src/app, set-up, judging,
// restart and exit in src/board.
class Form1 : public FormEvents
{
    // First, so that they exist before the control references below.
    Platform &m_platform;
    Application &m_app;
    std::unique_ptr<Form> m_form;

public:
    Form1(Platform &platform, Application &app);
    ~Form1() override;

    Form &form() { return *m_form; }
    const Form &form() const { return *m_form; }
    Application &application() { return m_app; }

    // --- start-up and shutdown (app/startup.cpp) ---------------------------
    void Form_Load();
    void Form_Unload(int &cancel);

    // --- appearance (app/appearance.cpp) -------------------------------------
    void ApplySkin();
    void PushButton1_MouseMove();
    void PushButton2_MouseMove();
    void Form_MouseMove();
    void Image3_MouseMove();

    // --- restart and exit (board/restartexit.cpp) ----------------------------
    void PushButton1_Click();
    void PushButton2_Click();

    // --- drag and drop (board/judging.cpp) -----------------------------------
    void labels_DragOver(std::int16_t Index, Control &Source, int X, int Y, DragState State);
    void labels_DragDrop(std::int16_t Index, Control &Source, int X, int Y);
    void piccoor_DragDrop(std::int16_t Index, Control &Source, int X, int Y);

    // The count of correct drops in the current game.
    std::int16_t placedCount = 0;

    // The product's display name: the caption, and the source of the
    // application title.
    std::string displayName = "Veltmora Drillix";

    // The controls, by their designed names.
    Control &Image1;
    Control &Image2;
    Control &Image3;
    Control &Label1;
    Control &Label2;
    Control &PushButton1;
    Control &PushButton2;
    Control &Text1;
    MediaPlayer &wmp1;
    SkinFramework &SkinFramework1;
    ControlArray &shape;
    ControlArray &piccoor;
    ControlArray &labels;
    ControlArray &maplabel;

private:
    // FormEvents: route the form's events to the named handlers.
    void unload(int &cancel) override;
    void click(Control &control) override;
    void mouseMove(Control *control, int x, int y) override;
    void dragOver(Control *target, Control &source, int x, int y, DragState state) override;
    void dragDrop(Control *target, Control &source, int x, int y) override;

    // Parts of the start-up (app/startup.cpp, app/websitedraw.cpp,
    // board/boardsetup.cpp).
    void loadHandCursor(ErrorTrap &trap);
    void drawWebSite();
    void setUpBoard(ErrorTrap &trap);
    void readNames(ErrorTrap &trap);
    void layDropTargets(ErrorTrap &trap);

    ErrorTrap::Reporter errorReporter();
};

} // namespace drillix
