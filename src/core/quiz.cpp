// The game's rules once it runs: judging drops, restart and exit.

#include "core/quiz.h"

#include "core/droprule.h"

namespace drillix {

namespace {

const char *const kCompletionMessage = "CONGRATULATIONS!THE MAP IS COMPLETE!";
// The designed volume, in percent of full amplitude.
constexpr int kSoundVolumePercent = 37;

} // namespace

std::string errorReportText(const std::string &description, const std::string &location, int step)
{
    // The location text ends with a space of its own, which joins it to "at".
    return description + "\r\n" + location + "at line " + std::to_string(step) + "\r\r"
           + "Please email screenshot of this message to " + contract::kSupportAddress;
}

Quiz::Quiz(Platform &platform, std::string programFolder, std::string displayName)
    : m_platform(platform)
    , m_programFolder(std::move(programFolder))
    , m_displayName(std::move(displayName))
{
    while (m_programFolder.size() > 1 && m_programFolder.back() == '/')
        m_programFolder.pop_back();
}

ErrorTrap::Reporter Quiz::reporter()
{
    return [this](const std::string &description, const std::string &location, int step) {
        changed();
        // The one error box of the program; it returns when it is closed.
        m_platform.messageBoxes.show(errorReportText(description, location, step), contract::kMsgBoxExclamation,
                                     contract::kErrorReportTitle);
    };
}

void Quiz::changed()
{
    if (m_changed)
        m_changed();
}

void Quiz::play(const char *soundFile)
{
    m_platform.sound.play(sideFile(soundFile), kSoundVolumePercent);
}

int Quiz::regionAt(double x, double y)
{
    for (int i = kRegionCount - 1; i >= 0; --i) {
        if (layout::kRegions[std::size_t(i)].rect.contains(x, y))
            return i;
    }
    return -1;
}

void Quiz::dropOnRegion(int nameIndex, int region)
{
    NameLabel &name = m_names.at(std::size_t(nameIndex));
    if (!isRightDrop(layout::kRegions.at(std::size_t(region)).country, name.tag)) {
        name.shown = true;
        play(contract::kWrongSound);
        changed();
        return;
    }
    name.shown = false;
    // The answer belongs to the dragged name, whichever region took it.
    AnswerLabel &answer = m_answers[std::size_t(nameIndex)];
    answer.caption = answerCaption(name.tag);
    answer.bold = true;
    answer.shown = true;
    ++m_placedCount;
    play(contract::kCorrectSound);
    changed();
    if (m_placedCount >= kNameCount) {
        play(contract::kCompleteSound);
        m_platform.messageBoxes.show(kCompletionMessage, contract::kMsgBoxOkOnly, m_title);
        restart();
    }
}

void Quiz::dropOnName(int nameIndex)
{
    m_names.at(std::size_t(nameIndex)).shown = true;
    changed();
}

void Quiz::pointerMovedOver(PointerArea area)
{
    if (area != PointerArea::Other)
        m_handPointer = area == PointerArea::Button;
}

void Quiz::restart()
{
    ErrorTrap trap(contract::kRestartLocation, reporter());
    m_placedCount = 0;
    for (std::size_t i = 0; i < kNameCount; ++i) {
        trap.step(contract::restart::kHideAnswer, [&] { m_answers[i].shown = false; });
        trap.step(contract::restart::kShowName, [&] { m_names[i].shown = true; });
    }
    changed();
}

void Quiz::exit()
{
    ErrorTrap trap(contract::kExitLocation, reporter());
    trap.step(contract::exit::kClose, [&] {
        if (m_closed)
            return;
        m_closed = true;
        if (m_closedCallback)
            m_closedCallback();
    });
}

} // namespace drillix
