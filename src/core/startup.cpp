// The start-up, in the order the error reports number its steps.

#include "core/quiz.h"

#include "core/droprule.h"
#include "core/namesfile.h"

#include <algorithm>
#include <cstdint>

namespace drillix {

namespace {

constexpr std::ptrdiff_t kLongestTitle = 40;
// Any one number of the hundred would do; this one is the site's.
constexpr int kWebSiteDraw = 7;

// The text before the first comma; an empty line has no field at all.
std::string firstField(const std::string &line)
{
    if (line.empty())
        throw Failure("Subscript out of range");
    return answerCaption(line);
}

} // namespace

std::string applicationTitle(const std::string &displayName)
{
    std::string title = displayName;
    // The length is tested after the cut, so a short name still loses its
    // last word. Characters count, not bytes: every byte of the UTF-8 text
    // but a continuation byte starts one.
    do {
        const std::size_t space = title.rfind(' ');
        if (space == std::string::npos)
            throw Failure("Invalid procedure call or argument");
        title.resize(space);
    } while (std::count_if(title.begin(), title.end(), [](unsigned char c) { return (c & 0xC0) != 0x80; })
             > kLongestTitle);
    return title;
}

void Quiz::start()
{
    using namespace contract::startup;
    ErrorTrap trap{reporter(contract::kStartUpLocation)};
    trap.step(kSkin, [&] {
        // Only a normal file counts: a folder or a special file of that name
        // leaves the window as designed.
        if (const std::string path = sideFile(contract::kSkinFile); m_platform.files.isNormalFile(path))
            m_platform.skin.applySkin(path);
    });
    const std::string cursor = sideFile(contract::kHandCursorFile);
    bool present = false;
    trap.step(kHandCursorExists, [&] { present = m_platform.files.exists(cursor); });
    if (present)
        trap.step(kHandCursor, [&] { m_handCursor = m_platform.pictures.loadPicture(cursor); });
    m_caption = m_displayName;
    // On failure the title stays as it was; the caption is set already.
    trap.step(kCaptionIconAndTitle, [&] { m_title = applicationTitle(m_displayName); });
    // Once per start, one time in a hundred, the product's web site opens.
    trap.step(kWebSite, [&] {
        if (m_platform.random.draw(100) == kWebSiteDraw)
            m_platform.browser.open(contract::kWebSiteAddress);
    });
    m_placedCount = 0;
    readNames(trap);
    trap.step(kFirstGame, [&] { restart(); });
}

// Line n of the names file feeds name n: its first field is shown, and the
// whole line is what a drop is judged by. A line beyond the 23rd, or an
// empty one, is reported twice and still takes its slot.
void Quiz::readNames(ErrorTrap &trap)
{
    using namespace contract::startup;
    std::unique_ptr<InputFile> file;
    trap.step(kOpenNames, [&] { file = m_platform.files.openForInput(sideFile(contract::kNamesFile)); });
    // A names file that cannot be opened reads as an empty one.
    if (!file)
        return;
    LineReader reader(*file);
    // A long file would bury the window under its reports: past the first
    // few they are only counted, and the count is reported once at the end.
    constexpr std::int64_t kShownReports = 20;
    std::int64_t reports = 0;
    int firstLeftOutStep = 0;
    ErrorTrap lineTrap{[&](const std::string &description, int step) {
        if (++reports <= kShownReports)
            trap.report(description, step);
        else if (reports == kShownReports + 1)
            firstLeftOutStep = step;
    }};
    const auto slot = [this](std::int64_t n) -> NameLabel & {
        if (n >= kNameCount)
            throw Failure("Control array element '" + std::to_string(n) + "' doesn't exist");
        return m_names[std::size_t(n)];
    };
    for (std::int64_t n = 0;; ++n) {
        bool more = false;
        // A read error here ends the reading rather than looping on it.
        lineTrap.step(kNamesAtEnd, [&] { more = !reader.atEnd(); });
        if (!more)
            break;
        std::string line;
        lineTrap.step(kReadName, [&] { line = reader.readLine(); });
        // A line without a label gives its caption and tag reports and
        // nothing else, so once reports are left out counting them is enough.
        if (reports > kShownReports && n >= kNameCount) {
            reports += 2;
            continue;
        }
        const bool fields = line.find(',') != std::string::npos;
        lineTrap.step(kNameCaption, [&] { slot(n).caption = firstField(line); });
        lineTrap.step(fields ? kNameTagOfFields : kNameTag, [&] { slot(n).tag = fields ? line : firstField(line); });
    }
    if (const std::int64_t leftOut = reports - kShownReports; leftOut > 0)
        trap.report(std::to_string(leftOut) + (leftOut == 1 ? " further report was" : " further reports were")
                        + " left out. The quiz takes one name from each of the first 23 lines of the names file.",
                    firstLeftOutStep);
}

} // namespace drillix
