// The last part of the start-up: the names go into the name labels, a drop
// target is laid over every map region, and the first game begins.

#include "board/form1.h"

#include "board/namesfile.h"
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

void Form1::setUpBoard(ErrorTrap &trap)
{
    trap.step(128, [&] { placedCount = 0; });
    readNames(trap);
    layDropTargets(trap);
    trap.step(176, [&] { PushButton1_Click(); });
}

void Form1::readNames(ErrorTrap &trap)
{
    std::unique_ptr<InputFile> file;
    trap.step(130, [&] { file = m_platform.files.openForInput(m_app.sideFile("\\items.txt")); });
    // A names file that cannot be opened reads as an empty one.
    std::optional<LineReader> reader;
    if (file)
        reader.emplace(*file);

    std::int32_t n = 0;
    trap.step(132, [&] { n = 0; });
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
        trap.step(142, [&] { labels[n].setCaption(firstField(fields)); });
        bool severalFields = false;
        trap.step(144, [&] { severalFields = fields.size() >= 2; });
        if (severalFields)
            trap.step(146, [&] { labels[n].setTag(whole); });
        else
            trap.step(148, [&] { labels[n].setTag(firstField(fields)); });
        trap.step(150, [&] { ++n; });
    }
}

void Form1::layDropTargets(ErrorTrap &trap)
{
    // Each target comes to the front as it is laid, so where two overlap
    // the one with the higher index is in front and receives the drop.
    for (std::int16_t i = 0; i <= 65; ++i) { // 152
        if (i > 0) // 154
            trap.step(156, [&] { piccoor.load(i); });
        trap.step(158, [&] { shape[i].setVisible(false); });
        trap.step(160, [&] { piccoor[i].setLeft(shape[i].left()); });
        trap.step(162, [&] { piccoor[i].setTop(shape[i].top()); });
        trap.step(164, [&] { piccoor[i].setWidth(shape[i].width()); });
        trap.step(166, [&] { piccoor[i].setHeight(shape[i].height()); });
        trap.step(168, [&] { piccoor[i].setTag(shape[i].tag()); });
        trap.step(170, [&] { piccoor[i].setDragMode(DragMode::Manual); });
        trap.step(172, [&] { piccoor[i].setVisible(true); });
        trap.step(174, [&] { m_form->bringToFront(piccoor[i]); });
    }
}

} // namespace drillix
