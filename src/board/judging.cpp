// Dragging a name and dropping it: the heart of the quiz.

#include "board/form1.h"

#include "board/namesfile.h"

namespace drillix {

namespace {
constexpr std::int16_t kLastPlacement = 22;
const char *const kCompletionMessage = "CONGRATULATIONS!THE MAP IS COMPLETE!";
} // namespace

void Form1::labels_DragOver(std::int16_t, Control &Source, int, int, DragState)
{
    // The drag starts over the dragged label itself, so the pin shows at once.
    Source.setDragIcon(Image2.picture());
}

void Form1::labels_DragDrop(std::int16_t, Control &Source, int, int)
{
    Source.setVisible(true);
}

void Form1::piccoor_DragDrop(std::int16_t Index, Control &Source, int, int)
{
    const std::string regionTag = piccoor[Index].tag();
    const std::string nameTag = Source.tag();
    const std::string name = trimSpaces(nameTag);

    const bool sameName = trimSpaces(regionTag) == name;
    const bool partOfRegionName = regionTag.find(name) != std::string::npos;
    // A label without a name would be found in every region's tag: it is
    // never right.
    const bool correct = !name.empty() && (sameName || partOfRegionName);

    if (!correct) {
        Source.setVisible(true);
        wmp1.setURL(m_app.sideFile("/sounds/wrong.wma"));
        return;
    }

    Source.setVisible(false);
    const std::string caption = splitFields(nameTag).front();
    Control &answer = maplabel[Source.index()];
    answer.setCaption(caption);
    answer.setFontBold(true);
    answer.setVisible(true);
    ++placedCount;
    wmp1.setURL(m_app.sideFile("/sounds/correct.wma"));

    if (placedCount > kLastPlacement) {
        wmp1.setURL(m_app.sideFile("/sounds/complete.wma"));
        msgBox(m_platform.messageBoxes, m_app, kCompletionMessage, kMsgBoxOkOnly);
        PushButton1_Click();
    }
}

} // namespace drillix
