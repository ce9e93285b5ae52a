#pragma once

#include "core/contract.h"
#include "core/layout.h"
#include "core/platform.h"

#include <array>
#include <functional>
#include <new>
#include <stdexcept>
#include <string>

namespace drillix {

// The product's name: the window's title, and the source of the title that
// message boxes without one of their own show.
inline constexpr const char *kProductName = "Veltmora Drillix";

// Cuts the display name back word by word, at least once, until it has 40
// characters or fewer. Throws Failure when a cut finds no space to cut at.
std::string applicationTitle(const std::string &displayName);

// A handler's error trap. The handler runs each statement that can fail
// through step() with its number; a failure inside it, or inside anything it
// calls that traps nothing itself, is reported with that number, and the
// handler then goes on with its next statement. The trap stays armed: every
// further failure gives a further report. The report names the handler by
// its location text; it and the step numbers are shown to the user in the
// error report and asked for by support, so they never change.
struct ErrorTrap {
    using Report = std::function<void(const std::string &description, int step)>;
    Report report;

    template<class Statement>
    void step(int number, Statement &&statement)
    {
        try {
            statement();
        } catch (const std::bad_alloc &) {
            report("Out of memory", number);
        } catch (const std::exception &e) {
            report(e.what(), number);
        }
    }
};

// A draggable name in the panel: its text, and the whole line of the names
// file it came from, which a drop is judged by.
struct NameLabel {
    std::string caption = layout::kNamePlaceholder;
    std::string tag;
    bool shown = true;
};

// Where a rightly dropped name shows on the map.
struct AnswerLabel {
    std::string caption = layout::kAnswerPlaceholder;
    bool bold = false;
    bool shown = false;
};

// What lies under the pointer, as far as the pointer's shape is concerned.
enum class PointerArea { Button, Panel, Other };

// The game: its start-up, the names and answers, the judging of drops,
// restart and exit. The window shows its state and hands it the user's
// drops, clicks and pointer moves; it knows nothing of widgets.
class Quiz
{
public:
    explicit Quiz(Platform &platform, std::string displayName = kProductName);

    // Skin, hand cursor, caption and title, the rare web-site visit, the
    // names and the first game. Every failure is reported and the start-up
    // goes on with its next step.
    void start();
    // The Restart button, the end of the start-up and of every game.
    void restart();
    // The Exit button and the window's close box.
    void exit();

    // The map region whose drop target takes a drop at this window point,
    // or -1. The targets are laid in index order, so that where two overlap
    // the higher index lies in front and wins.
    static int regionAt(double x, double y);
    void dropOnRegion(int nameIndex, int region);
    // A name dropped back onto the panel's names stays where it is.
    void dropOnName(int nameIndex);
    // The hand shows from a move over a button until one over the panel;
    // the map and the labels keep whichever was last.
    void pointerMovedOver(PointerArea area);

    const std::array<NameLabel, kNameCount> &names() const { return m_names; }
    const std::array<AnswerLabel, kNameCount> &answers() const { return m_answers; }
    int placedCount() const { return m_placedCount; }
    bool handPointer() const { return m_handPointer; }
    // The hand cursor file, once read; null without one.
    const Picture &handCursor() const { return m_handCursor; }
    const std::string &caption() const { return m_caption; }
    // The title that message boxes without one of their own show.
    const std::string &title() const { return m_title; }
    bool closed() const { return m_closed; }

    // Told whenever what the window shows has changed, and before any box
    // opens, so that the box shows over the window as it now is.
    void onChanged(std::function<void()> callback) { m_changed = std::move(callback); }
    void onClosed(std::function<void()> callback) { m_closedCallback = std::move(callback); }

private:
    // The error report of the handler at this location text.
    ErrorTrap::Report reporter(const char *location);
    void readNames(ErrorTrap &trap);
    void play(const char *soundFile);
    std::string sideFile(const char *name) const { return m_platform.sideFiles.locate(name); }
    void changed();

    Platform &m_platform;
    const std::string m_displayName;
    std::array<NameLabel, kNameCount> m_names;
    std::array<AnswerLabel, kNameCount> m_answers;
    // Right drops in this game; the 23rd completes it.
    int m_placedCount = 0;
    bool m_handPointer = false;
    Picture m_handCursor;
    std::string m_caption = contract::kWindowName;
    std::string m_title;
    bool m_closed = false;
    std::function<void()> m_changed;
    std::function<void()> m_closedCallback;
};

} // namespace drillix
