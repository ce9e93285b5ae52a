// Once per start, one time in a hundred, the product's web site is opened.

#include "quiz/quizwindow.h"

#include <cmath>
#include <cstdint>

namespace drillix {

namespace {
const char *const kWebSiteAddress = "https://www.veltmora.example/drillix/";
constexpr std::int16_t kWinningDraw = 7;
} // namespace

void QuizWindow::drawWebSite()
{
    m_platform.random.seed(m_platform.clock.secondsSinceMidnight());
    const float r = m_platform.random.next();
    const auto value = static_cast<std::int16_t>(std::floor(r * 100.0f) + 1.0f);
    if (value == kWinningDraw)
        m_platform.shell.run(std::string("explorer \"") + kWebSiteAddress + "\"", kShellMinimisedFocus);
}

} // namespace drillix
