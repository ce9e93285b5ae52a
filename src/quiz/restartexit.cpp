// The Restart and Exit buttons. The restart also ends the set-up and
// follows the completion message, so every game starts from here.

#include "quiz/quizwindow.h"

namespace drillix {

namespace {
// The location texts that the buttons' error reports show.
const char *const kRestartLocation = "in Trendolix2021/08/31.Form1.PushButton1_Click ";
const char *const kExitLocation = "in Trendolix2021/08/31.Form1.PushButton2_Click ";
constexpr std::int16_t kLastLabel = 22;
} // namespace

void QuizWindow::restart()
{
    ErrorTrap trap(kRestartLocation, errorReporter());

    m_placedCount = 0;
    for (std::int16_t i = 0; i <= kLastLabel; ++i) { // 102
        trap.step(104, [&] { m_controls.answerLabels[i].setVisible(false); });
        trap.step(106, [&] { m_controls.nameLabels[i].setVisible(true); });
    }
}

void QuizWindow::exit()
{
    ErrorTrap trap(kExitLocation, errorReporter());
    trap.step(100, [&] { m_form->unload(); });
}

} // namespace drillix
