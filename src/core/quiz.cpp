// The game's rules once it runs: judging drops, restart and exit.

#include "core/quiz.h"

#include "core/droprule.h"

namespace drillix {

const char *const kCompletionMessage = "CONGRATULATIONS!THE MAP IS COMPLETE!";
// The designed volume, in percent of full amplitude.
constexpr int kSoundVolumePercent = 37;

Quiz::Quiz(Platform &platform, std::string displayName)
    : m_platform(platform)
    , m_displayName(std::move(displayName))
{
}

ErrorTrap::Report Quiz::reporter(const char *location)
{
    return [this, location](const std::string &description, int step) {
        changed();
        // The one error box of the program; it returns when it is closed. The
        // location text ends with a space of its own, which joins it to "at",
        // and the bare CRs leave an empty line before the request.
        m_platform.messageBoxes.show(description + "\r\n" + location + "at line " + std::to_string(step) + "\r\r"
                                         + "Please email screenshot of this message to " + contract::kSupportAddress,
                                     contract::MessageBoxStyle::Exclamation, contract::kErrorReportTitle);
    };
}

void Quiz::changed()
{
    if (m_changed)
        m_changed();
}

void Quiz::play(const char *soundFile)
{
    // Found at each play, so that a sound put in place while the quiz runs
    // is heard from the next drop.
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
        m_platform.messageBoxes.show(kCompletionMessage, contract::MessageBoxStyle::OkOnly, m_title);
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
    m_placedCount = 0;
    for (std::size_t i = 0; i < kNameCount; ++i) {
        m_answers[i].shown = false;
        m_names[i].shown = true;
    }
    changed();
}

void Quiz::exit()
{
    ErrorTrap trap{reporter(contract::kExitLocation)};
    trap.step(contract::exit::kClose, [&] {
        if (m_closed)
            return;
        m_closed = true;
        if (m_closedCallback)
            m_closedCallback();
    });
}

} // namespace drillix
