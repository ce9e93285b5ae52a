// The last part of the start-up: the names go into the name nameLabels, a drop
// target is laid over every map region, and the first game begins.

#include "quiz/quizwindow.h"

#include "quiz/namesfile.h"
#include "form/failure.h"

#include <optional>
#include <vector>

namespace drillix {

namespace {

const std::string &firstField(const std::vector<std::string> &fields)
{
    if (fields.empty())
        throw Failure("Subscript out of range");
    return fields.front();
}

} // namespace

void QuizWindow::setUpBoard(ErrorTrap &trap)
{
    m_placedCount = 0;
    readNames(trap);
    layDropTargets(trap);
    trap.step(176, [&] { restart(); });
}

void QuizWindow::readNames(ErrorTrap &trap)
{
    std::unique_ptr<InputFile> file;
    trap.step(130, [&] { file = m_platform.files.openForInput(m_app.sideFile("\\items.txt")); });
    // A names file that cannot be opened reads as an empty one.
    std::optional<LineReader> reader;
    if (file)
        reader.emplace(*file);

    std::int32_t n = 0;
    for (;;) {
        bool more = false;
        // A read error here ends the reading rather than looping on it.
        trap.step(134, [&] { more = reader && !reader->atEnd(); });
        if (!more)
            break;

        std::string line;
        trap.step(136, [&] { line = reader->readLine(); });
        std::string whole;
        trap.step(138, [&] { whole = line; });
        std::vector<std::string> fields;
        trap.step(140, [&] { fields = splitFields(whole); });
        trap.step(142, [&] { m_controls.nameLabels[n].setCaption(firstField(fields)); });
        if (fields.size() >= 2)
            trap.step(146, [&] { m_controls.nameLabels[n].setTag(whole); });
        else
            trap.step(148, [&] { m_controls.nameLabels[n].setTag(firstField(fields)); });
        ++n;
    }
}

void QuizWindow::layDropTargets(ErrorTrap &trap)
{
    // Each target comes to the front as it is laid, so where two overlap
    // the one with the higher index is in front and receives the drop.
    for (std::int16_t i = 0; i <= 65; ++i) { // 152
        if (i > 0) // 154
            trap.step(156, [&] { m_controls.dropTargets.load(i); });
        trap.step(158, [&] { m_controls.regions[i].setVisible(false); });
        trap.step(160, [&] { m_controls.dropTargets[i].setLeft(m_controls.regions[i].left()); });
        trap.step(162, [&] { m_controls.dropTargets[i].setTop(m_controls.regions[i].top()); });
        trap.step(164, [&] { m_controls.dropTargets[i].setWidth(m_controls.regions[i].width()); });
        trap.step(166, [&] { m_controls.dropTargets[i].setHeight(m_controls.regions[i].height()); });
        trap.step(168, [&] { m_controls.dropTargets[i].setTag(m_controls.regions[i].tag()); });
        trap.step(170, [&] { m_controls.dropTargets[i].setDragMode(DragMode::Manual); });
        trap.step(172, [&] { m_controls.dropTargets[i].setVisible(true); });
        trap.step(174, [&] { m_form->bringToFront(m_controls.dropTargets[i]); });
    }
}

} // namespace drillix
