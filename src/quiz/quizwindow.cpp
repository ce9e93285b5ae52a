#include "quiz/quizwindow.h"

#include "quiz/errorreport.h"

namespace drillix {

namespace {
// The sound player's designed volume, in percent of full amplitude.
constexpr int kSoundVolumePercent = 37;
} // namespace

QuizWindow::QuizWindow(Platform &platform, Application &app, std::string displayName)
    : m_platform(platform)
    , m_app(app)
    , m_form(makeQuizForm())
    , m_controls(buildQuizControls(*m_form))
    , m_displayName(std::move(displayName))
{
    m_form->setEventSink(this);
}

QuizWindow::~QuizWindow()
{
    m_form->setEventSink(nullptr);
}

ErrorTrap::Reporter QuizWindow::errorReporter()
{
    return [this](const std::string &description, const std::string &location, int step) {
        showErrorReport(m_platform.messageBoxes, description, location, step);
    };
}

void QuizWindow::play(const char *soundFile)
{
    // A new sound cuts whatever plays; the player never waits.
    m_platform.sound.play(m_app.sideFile(soundFile), kSoundVolumePercent);
}

void QuizWindow::click(Control &control)
{
    if (&control == &m_controls.restartButton)
        restart();
    else if (&control == &m_controls.exitButton)
        exit();
}

void QuizWindow::mouseMove(Control *control, int, int)
{
    if (control == &m_controls.restartButton || control == &m_controls.exitButton)
        pointerOverButton();
    else if (control == nullptr || control == &m_controls.panel)
        pointerOverBackground();
}

void QuizWindow::dragOver(Control *target, Control &source, int, int, DragState)
{
    if (target && target->array() == &m_controls.nameLabels)
        dragOverName(source);
}

void QuizWindow::dragDrop(Control *target, Control &source, int, int)
{
    // Only name labels and drop targets take drops; anywhere else a drop
    // simply ends the drag.
    if (!target)
        return;
    if (target->array() == &m_controls.nameLabels)
        dropOnName(source);
    else if (target->array() == &m_controls.dropTargets)
        dropOnTarget(target->index(), source);
}

void QuizWindow::handlerFailed(const char *event, const std::string &description)
{
    m_platform.diagnostics.warning(std::string(event) + " handler failed: " + description);
}

} // namespace drillix
