// The start-up, in the order the error reports number its steps.

#include "core/quiz.h"

#include "core/applicationtitle.h"
#include "core/namesfile.h"

#include <cstdint>
#include <optional>

namespace drillix {

namespace {

const std::string &firstField(const std::vector<std::string> &fields)
{
    if (fields.empty())
        throw Failure("Subscript out of range");
    return fields.front();
}

NameLabel &nameSlot(std::array<NameLabel, kNameCount> &names, std::int32_t n)
{
    if (n < 0 || n >= kNameCount)
        throw Failure("Control array element '" + std::to_string(n) + "' doesn't exist");
    return names[std::size_t(n)];
}

} // namespace

void Quiz::start()
{
    using namespace contract::startup;
    ErrorTrap trap(contract::kStartUpLocation, reporter());
    trap.step(kSkin, [&] { applySkin(); });
    loadHandCursor(trap);
    m_caption = m_displayName;
    // On failure the title stays as it was; the caption is set already.
    trap.step(kCaptionIconAndTitle, [&] { m_title = applicationTitle(m_displayName); });
    trap.step(kWebSite, [&] { drawWebSite(); });
    m_placedCount = 0;
    readNames(trap);
    trap.step(kFirstGame, [&] { restart(); });
}

void Quiz::applySkin()
{
    // Only a normal file counts: a folder or a special file of that name
    // leaves the window as designed.
    const std::string path = sideFile(contract::kSkinFile);
    if (m_platform.files.isNormalFile(path))
        m_platform.skin.applySkin(path);
}

void Quiz::loadHandCursor(ErrorTrap &trap)
{
    const std::string path = sideFile(contract::kHandCursorFile);
    bool present = false;
    trap.step(contract::startup::kHandCursorExists, [&] { present = m_platform.files.exists(path); });
    if (present)
        trap.step(contract::startup::kHandCursor, [&] { m_handCursor = m_platform.pictures.loadPicture(path); });
}

// Once per start, one time in a hundred, the product's web site opens.
void Quiz::drawWebSite()
{
    constexpr int kWinningDraw = 7;
    if (m_platform.random.draw(100) == kWinningDraw)
        m_platform.browser.open(contract::kWebSiteAddress);
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
    std::optional<LineReader> reader;
    if (file)
        reader.emplace(*file);
    // A long file would bury the window under its reports: past the first
    // few they are only counted, and the count is reported once at the end.
    constexpr int kShownReports = 20;
    const ErrorTrap::Reporter report = reporter();
    std::int64_t reports = 0;
    int firstLeftOutStep = 0;
    ErrorTrap lineTrap(contract::kStartUpLocation, [&](const std::string &description, const std::string &location,
                                                       int step) {
        if (++reports <= kShownReports)
            report(description, location, step);
        else if (reports == kShownReports + 1)
            firstLeftOutStep = step;
    });
    for (std::int32_t n = 0;; ++n) {
        bool more = false;
        // A read error here ends the reading rather than looping on it.
        lineTrap.step(kNamesAtEnd, [&] { more = reader && !reader->atEnd(); });
        if (!more)
            break;
        std::string line;
        lineTrap.step(kReadName, [&] { line = reader->readLine(); });
        if (reports > kShownReports && n >= kNameCount) {
            // A line without a label gives its caption and tag reports and
            // nothing else, so once reports are left out counting them is
            // enough. The slot stays put: no file is long enough to overflow it.
            reports += 2;
            n = kNameCount;
            continue;
        }
        const std::vector<std::string> fields = splitFields(line);
        lineTrap.step(kNameCaption, [&] { nameSlot(m_names, n).caption = firstField(fields); });
        if (fields.size() >= 2)
            lineTrap.step(kNameTagOfFields, [&] { nameSlot(m_names, n).tag = line; });
        else
            lineTrap.step(kNameTag, [&] { nameSlot(m_names, n).tag = firstField(fields); });
    }
    if (const std::int64_t leftOut = reports - kShownReports; leftOut > 0)
        report(std::to_string(leftOut) + (leftOut == 1 ? " further report was" : " further reports were")
                   + " left out. The quiz takes one name from each of the first 23 lines of the names file.",
               contract::kStartUpLocation, firstLeftOutStep);
}

} // namespace drillix
