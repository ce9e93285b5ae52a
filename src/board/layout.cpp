// The main window as designed: every control, its place, look and stacking.
// All positions are twips from the client area's top-left corner.

#include "board/layout.h"

#include "board/maptables.h"
#include "form/mediaplayer.h"
#include "form/skinframework.h"

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

const WindowSettings kForm1Window{
    .clientWidth = 15705,
    .clientHeight = 9975,
    .resizable = false,
    .minimiseButton = true,
    .maximiseButton = false,
    .centredOnScreen = true,
    .shownInTaskbar = true,
    .font = kArialBold9,
};

struct SingleControlRow {
    const char *name;
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
const std::vector<SingleControlRow> kSingleControls = {
    // name           kind                     left    top  width height  visible caption
    {"Image1",        ControlKind::Picture,    {-780,  -600, 11460, 10575}, true,  "",
        {}, kBlack, kWhite, true, Alignment::Left, DragMode::Manual, {kMapPicture}, false, -1},
    {"Image3",        ControlKind::Picture,    {10680,    0,  5025, 10020}, true,  "",
        {}, kBlack, kWhite, true, Alignment::Left, DragMode::Manual, {kPanelPicture}, true, -1},
    {"Image2",        ControlKind::Picture,    {13440, 6960,   480,   480}, false, "",
        {}, kBlack, kWhite, true, Alignment::Left, DragMode::Manual, kPin, false, -1},
    {"Label1",        ControlKind::Label,      {10830,  360,  1785,   255}, true,  "INSTRUCTIONS",
        kArialBold825, kWhite, kSystemButtonFace, true, Alignment::Left, DragMode::Manual, {}, false, -1},
    {"Label2",        ControlKind::Label,      {10830,  630,  3945,   765}, true,
        "DRAG EACH COUNTRY NAME TO ITS PROPER PLACE ON THE MAP",
        kArial825, kWhite, kSystemButtonFace, true, Alignment::Left, DragMode::Manual, {}, false, -1},
    {"PushButton1",   ControlKind::PushButton, {10800, 9000,  2340,   405}, true,  "Restart",
        kArialBold1125, kSystemButtonText, kWhite, false, Alignment::Center, DragMode::Manual, {}, false, 1},
    {"PushButton2",   ControlKind::PushButton, {13240, 9000,  2340,   405}, true,  "Exit",
        kArialBold1125, kSystemButtonText, kWhite, false, Alignment::Center, DragMode::Manual, {}, false, 2},
    {"Text1",         ControlKind::TextBox,    {15840, 1920,  1095,   435}, true,  "Text1",
        kArialBold9, kSystemButtonText, kWhite, false, Alignment::Left, DragMode::Manual, {}, false, 0},
};
// clang-format on

const TwipRect kPlayerRect{10590, 9990, 4215, 495};

const MediaPlayerSettings kWmp1Settings{
    .autoStart = true,
    .playCount = 1,
    .rate = 1.0,
    .balance = 0,
    .volume = 37,
    .mute = false,
    .uiMode = "full",
    .errorDialogs = false,
    .contextMenu = true,
    .fullScreen = false,
};

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

void buildRegions(ControlArray &shape)
{
    for (const RegionRow &row : kRegionTable) {
        Control &c = shape.addDesigned();
        c.setGeometry({row.left, row.top, row.width, row.height});
        c.setTag(row.tag);
        c.setBackTransparent(true);
    }
}

void buildAnswerLabels(ControlArray &maplabel)
{
    for (const AnswerLabelRow &row : kAnswerLabelTable) {
        Control &c = maplabel.addDesigned();
        c.setGeometry({row.left, row.top, row.width, row.height});
        c.setCaption("*************");
        c.setFont(kArialNarrow825);
        c.setForeColour(kSystemButtonText);
        c.setBackTransparent(true);
        c.setAlignment(Alignment::Center);
        c.setVisible(false);
    }
}

void buildNameLabels(ControlArray &labels)
{
    for (int i = 0; i < kNameLabelCount; ++i) {
        Control &c = labels.addDesigned();
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
std::vector<Control *> designedStacking(Form &f)
{
    std::vector<Control *> order;
    ControlArray &maplabel = f.array("maplabel");
    ControlArray &shape = f.array("shape");
    ControlArray &labels = f.array("labels");
    for (int i = maplabel.count() - 1; i >= 0; --i)
        order.push_back(&maplabel[i]);
    for (int i = shape.count() - 1; i >= 0; --i)
        order.push_back(&shape[i]);
    for (int i = labels.count() - 1; i >= 10; --i)
        order.push_back(&labels[i]);
    for (int i = 0; i <= 9; ++i)
        order.push_back(&labels[i]);
    order.push_back(&f.array("piccoor")[0]);
    for (const char *name : {"Image2", "Label1", "Label2", "Image3", "Image1"})
        order.push_back(&f.control(name));
    return order;
}

} // namespace

std::unique_ptr<Form> buildForm1(SoundOutput &sound, SkinEngine &skin)
{
    auto form = std::make_unique<Form>("Form1", kForm1Window);
    form->setCaption("Form1");
    form->setBackColour(kWhite);

    for (const SingleControlRow &row : kSingleControls)
        applyRow(form->addControl(row.kind, row.name), row);

    auto &player = form->addSpecialControl(std::make_unique<MediaPlayer>(*form, "wmp1", sound, kWmp1Settings));
    player.setGeometry(kPlayerRect);
    player.setVisible(false);
    form->addSpecialControl(std::make_unique<SkinFramework>(*form, "SkinFramework1", skin));

    buildRegions(form->addArray(ControlKind::Rectangle, "shape"));
    buildAnswerLabels(form->addArray(ControlKind::Label, "maplabel"));
    buildNameLabels(form->addArray(ControlKind::Label, "labels"));

    Control &target = form->addArray(ControlKind::Picture, "piccoor").addDesigned();
    target.setGeometry(kDropTargetTemplate);
    target.setBackTransparent(true);
    target.setDragMode(DragMode::Automatic);

    form->setStackingOrder(designedStacking(*form));
    return form;
}

} // namespace drillix
