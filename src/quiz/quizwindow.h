#pragma once

#include "form/application.h"
#include "form/errortrap.h"
#include "form/form.h"
#include "form/formevents.h"
#include "form/platform.h"
#include "quiz/layout.h"

#include <cstdint>
#include <memory>
#include <string>

namespace drillix {

// The quiz's one window: its controls as designed, the count of right drops
// in the current game, and the handlers of the window's events. The
// handlers live in the files of their concern: startup.cpp, appearance.cpp,
// boardsetup.cpp, judging.cpp and restartexit.cpp.
// The product's name: the window's caption and the source of the
// application title.
inline constexpr const char *kProductName = "Veltmora Drillix";

class QuizWindow : public FormEvents
{
public:
    QuizWindow(Platform &platform, Application &app, std::string displayName = kProductName);
    ~QuizWindow() override;

    QuizWindow(const QuizWindow &) = delete;
    QuizWindow &operator=(const QuizWindow &) = delete;

    Form &form() { return *m_form; }
    const Form &form() const { return *m_form; }
    const QuizControls &controls() const { return m_controls; }

    // The count of right drops in the current game.
    std::int16_t placedCount() const { return m_placedCount; }

    // --- start-up (startup.cpp) ----------------------------------------------
    // Skin, hand cursor, caption and title, the rare web-site visit, and the
    // board; every failure is reported and the start-up goes on.
    void start();

    // --- appearance (appearance.cpp) -----------------------------------------
    void applySkin();
    // The hand over the buttons, the plain arrow over the window and panel.
    void pointerOverButton();
    void pointerOverBackground();

    // --- restart and exit (restartexit.cpp) ----------------------------------
    void restart();
    void exit();

    // --- drag and drop (judging.cpp) -----------------------------------------
    void dragOverName(Control &source);
    void dropOnName(Control &source);
    void dropOnTarget(std::int16_t targetIndex, Control &source);

private:
    // FormEvents: each event reaches its handler by the control's identity.
    void click(Control &control) override;
    void mouseMove(Control *control, int x, int y) override;
    void dragOver(Control *target, Control &source, int x, int y, DragState state) override;
    void dragDrop(Control *target, Control &source, int x, int y) override;
    void handlerFailed(const char *event, const std::string &description) override;

    // Parts of the start-up (startup.cpp, websitedraw.cpp, boardsetup.cpp).
    void loadHandCursor(ErrorTrap &trap);
    void drawWebSite();
    void setUpBoard(ErrorTrap &trap);
    void readNames(ErrorTrap &trap);
    void layDropTargets(ErrorTrap &trap);

    ErrorTrap::Reporter errorReporter();
    void play(const char *soundFile);

    Platform &m_platform;
    Application &m_app;
    std::unique_ptr<Form> m_form;
    const QuizControls m_controls;
    const std::string m_displayName;
    std::int16_t m_placedCount = 0;
};

} // namespace drillix
