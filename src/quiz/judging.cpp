// Dragging a name and dropping it: the heart of the quiz.

#include "quiz/quizwindow.h"

#include "quiz/droprule.h"

namespace drillix {

namespace {
constexpr std::int16_t kLastPlacement = 22;
const char *const kCompletionMessage = "CONGRATULATIONS!THE MAP IS COMPLETE!";
} // namespace

void QuizWindow::dragOverName(Control &source)
{
    // The drag starts over the dragged label itself, so the pin shows at once.
    source.setDragIcon(m_controls.pinPicture.picture());
}

void QuizWindow::dropOnName(Control &source)
{
    source.setVisible(true);
}

void QuizWindow::dropOnTarget(std::int16_t targetIndex, Control &source)
{
    const std::string nameTag = source.tag();
    if (!isRightDrop(m_controls.dropTargets[targetIndex].tag(), nameTag)) {
        source.setVisible(true);
        play("/sounds/wrong.wma");
        return;
    }

    source.setVisible(false);
    Control &answer = m_controls.answerLabels[source.index()];
    answer.setCaption(answerCaption(nameTag));
    answer.setFontBold(true);
    answer.setVisible(true);
    ++m_placedCount;
    play("/sounds/correct.wma");

    if (m_placedCount > kLastPlacement) {
        play("/sounds/complete.wma");
        msgBox(m_platform.messageBoxes, m_app, kCompletionMessage, kMsgBoxOkOnly);
        restart();
    }
}

} // namespace drillix
