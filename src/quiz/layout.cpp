// The main window as designed: every control, its place, look and stacking.
// All positions are twips from the client area's top-left corner.

#include "quiz/layout.h"

#include "quiz/maptables.h"

#include <string>
#include <vector>

namespace drillix {
namespace {

const Font kArialBold9{"Arial", 9.0, true};
const Font kArialBold825{"Arial", 8.25, true};
const Font kArial825{"Arial", 8.25, false};
const Font kArialBold1125{"Arial", 11.25, true};
const Font kArialNarrow825{"Arial Narrow", 8.25, false};

// The pin's needle point, where a drop lands while it is the pointer.
const Picture kPin{kPinPicture, 3, 29};

const WindowSettings kQuizWindowSettings{
    .clientWidth = 15705,
    .clientHeight = 9975,
    .minimiseButton = true,
    .maximiseButton = false,
    .font = kArialBold9,
};

// The window's object name and its caption until the start-up sets the
// product's name; skin files may select the window by it.
const char *const kQuizFormName = "Form1";

struct SingleControlRow {
    const char *name; // the object name that skin files select
    ControlKind kind;
    TwipRect rect;
    bool visible;
    const char *caption;
    Font font;
    Colour foreColour;
    Colour backColour;
    bool backTransparent;
    Alignment alignment;
    DragMode dragMode;
    Picture picture;
    bool stretch;
    int tabIndex;
};

// clang-format off
//                                 name           kind                     left    top  width height  visible caption
const SingleControlRow kMapPictureRow{"Image1",   ControlKind::Picture,    {-780,  -600, 11460, 10575}, true,  "",
    {}, kBlack, kWhite, true, Alignment::Left, DragMode::Manual, {kMapPicture}, false, -1};
const SingleControlRow kPanelRow{"Image3",        ControlKind::Picture,    {10680,    0,  5025, 10020}, true,  "",
    {}, kBlack, kWhite, true, Alignment::Left, DragMode::Manual, {kPanelPicture}, true, -1};
const SingleControlRow kPinPictureRow{"Image2",   ControlKind::Picture,    {13440, 6960,   480,   480}, false, "",
    {}, kBlack, kWhite, true, Alignment::Left, DragMode::Manual, kPin, false, -1};
const SingleControlRow kHeadingRow{"Label1",      ControlKind::Label,      {10830,  360,  1785,   255}, true,  "INSTRUCTIONS",
    kArialBold825, kWhite, kSystemButtonFace, true, Alignment::Left, DragMode::Manual, {}, false, -1};
const SingleControlRow kTextRow{"Label2",         ControlKind::Label,      {10830,  630,  3945,   765}, true,
    "DRAG EACH COUNTRY NAME TO ITS PROPER PLACE ON THE MAP",
    kArial825, kWhite, kSystemButtonFace, true, Alignment::Left, DragMode::Manual, {}, false, -1};
const SingleControlRow kRestartRow{"PushButton1", ControlKind::PushButton, {10800, 9000,  2340,   405}, true,  "Restart",
    kArialBold1125, kSystemButtonText, kWhite, false, Alignment::Center, DragMode::Manual, {}, false, 1};
const SingleControlRow kExitRow{"PushButton2",    ControlKind::PushButton, {13240, 9000,  2340,   405}, true,  "Exit",
    kArialBold1125, kSystemButtonText, kWhite, false, Alignment::Center, DragMode::Manual, {}, false, 2};
const SingleControlRow kFocusHolderRow{"Text1",   ControlKind::TextBox,    {15840, 1920,  1095,   435}, true,  "Text1",
    kArialBold9, kSystemButtonText, kWhite, false, Alignment::Left, DragMode::Manual, {}, false, 0};
// clang-format on

// Name labels stand in two columns, 210 twips from row to row.
constexpr int kNameLabelCount = 23;
constexpr int kFirstColumnRows = 13;
constexpr std::int16_t kNameColumnLeft[2] = {10890, 13260};
constexpr std::int16_t kNameTop = 1200;
constexpr std::int16_t kNameRowStep = 210;
constexpr std::int16_t kNameWidth = 2115;
constexpr std::int16_t kNameHeight = 285;

const TwipRect kDropTargetTemplate{11760, 8670, 765, 225};

void applyRow(Control &c, const SingleControlRow &row)
{
    c.setGeometry(row.rect);
    c.setVisible(row.visible);
    c.setCaption(row.caption);
    c.setFont(row.font);
    c.setForeColour(row.foreColour);
    c.setBackColour(row.backColour);
    c.setBackTransparent(row.backTransparent);
    c.setAlignment(row.alignment);
    c.setDragMode(row.dragMode);
    c.setPicture(row.picture);
    c.setStretch(row.stretch);
    c.setTabIndex(row.tabIndex);
}

void buildRegions(ControlArray &regions)
{
    for (const RegionRow &row : kRegionTable) {
        Control &c = regions.addDesigned();
        c.setGeometry({row.left, row.top, row.width, row.height});
        c.setTag(row.tag);
        c.setBackTransparent(true);
    }
}

void buildAnswerLabels(ControlArray &answerLabels)
{
    for (const AnswerLabelRow &row : kAnswerLabelTable) {
        Control &c = answerLabels.addDesigned();
        c.setGeometry({row.left, row.top, row.width, row.height});
        c.setCaption("*************");
        c.setFont(kArialNarrow825);
        c.setForeColour(kSystemButtonText);
        c.setBackTransparent(true);
        c.setAlignment(Alignment::Center);
        c.setVisible(false);
    }
}

void buildNameLabels(ControlArray &nameLabels)
{
    for (int i = 0; i < kNameLabelCount; ++i) {
        Control &c = nameLabels.addDesigned();
        const int column = i < kFirstColumnRows ? 0 : 1;
        const int row = column == 0 ? i : i - kFirstColumnRows;
        c.setGeometry({kNameColumnLeft[column], static_cast<std::int16_t>(kNameTop + kNameRowStep * row),
                       kNameWidth, kNameHeight});
        c.setCaption("Label3");
        c.setFont(kArialBold1125);
        c.setForeColour(kWhite);
        c.setBackTransparent(true);
        c.setAlignment(Alignment::Left);
        c.setDragMode(DragMode::Automatic);
    }
}

// Front to back, the light-weight controls as designed.
std::vector<Control *> designedStacking(const QuizControls &c)
{
    std::vector<Control *> order;
    for (int i = c.answerLabels.count() - 1; i >= 0; --i)
        order.push_back(&c.answerLabels[i]);
    for (int i = c.regions.count() - 1; i >= 0; --i)
        order.push_back(&c.regions[i]);
    for (int i = c.nameLabels.count() - 1; i >= 10; --i)
        order.push_back(&c.nameLabels[i]);
    for (int i = 0; i <= 9; ++i)
        order.push_back(&c.nameLabels[i]);
    order.push_back(&c.dropTargets[0]);
    for (Control *single : {&c.pinPicture, &c.instructionsHeading, &c.instructionsText, &c.panel, &c.mapPicture})
        order.push_back(single);
    return order;
}

Control &addSingle(Form &form, const SingleControlRow &row)
{
    Control &c = form.addControl(row.kind, row.name);
    applyRow(c, row);
    return c;
}

} // namespace

std::unique_ptr<Form> makeQuizForm()
{
    auto form = std::make_unique<Form>(kQuizFormName, kQuizWindowSettings);
    form->setCaption(kQuizFormName);
    form->setBackColour(kWhite);
    return form;
}

QuizControls buildQuizControls(Form &form)
{
    // The single controls are made in table order, which is also the
    // window's control collection order.
    Control &mapPicture = addSingle(form, kMapPictureRow);
    Control &panel = addSingle(form, kPanelRow);
    Control &pinPicture = addSingle(form, kPinPictureRow);
    Control &heading = addSingle(form, kHeadingRow);
    Control &text = addSingle(form, kTextRow);
    Control &restartButton = addSingle(form, kRestartRow);
    Control &exitButton = addSingle(form, kExitRow);
    Control &focusHolder = addSingle(form, kFocusHolderRow);

    ControlArray &regions = form.addArray(ControlKind::Rectangle, "shape");
    buildRegions(regions);
    ControlArray &answerLabels = form.addArray(ControlKind::Label, "maplabel");
    buildAnswerLabels(answerLabels);
    ControlArray &nameLabels = form.addArray(ControlKind::Label, "labels");
    buildNameLabels(nameLabels);

    ControlArray &dropTargets = form.addArray(ControlKind::Picture, "piccoor");
    Control &target = dropTargets.addDesigned();
    target.setGeometry(kDropTargetTemplate);
    target.setBackTransparent(true);
    target.setDragMode(DragMode::Automatic);

    QuizControls controls{mapPicture, pinPicture, panel, heading, text, restartButton, exitButton, focusHolder,
                          regions, dropTargets, nameLabels, answerLabels};
    form.setStackingOrder(designedStacking(controls));
    return controls;
}

} // namespace drillix
