#include "form/failure.h"
#include "form/form.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace drillix;

namespace {

WindowSettings smallWindow()
{
    WindowSettings s;
    s.clientWidth = 3000;
    s.clientHeight = 2000;
    return s;
}

// Records the form's events as text.
struct EventLog : FormEvents {
    std::vector<std::string> events;
    static std::string name(const Control *c) { return c ? c->displayName() : "Form"; }
    void click(Control &c) override { events.push_back("click " + c.displayName()); }
    void mouseMove(Control *c, int, int) override { events.push_back("move " + name(c)); }
    void dragOver(Control *t, Control &s, int, int, DragState st) override
    {
        events.push_back("over " + name(t) + " " + s.displayName() + " " + std::to_string(static_cast<int>(st)));
    }
    void dragDrop(Control *t, Control &s, int, int) override { events.push_back("drop " + name(t) + " " + s.displayName()); }
    void unloading() override { events.push_back("unload"); }
};

// A label in automatic drag mode at the client area's top-left corner.
Control &addDraggable(Form &form)
{
    Control &name = form.addControl(ControlKind::Label, "name");
    name.setGeometry({0, 0, 500, 300});
    name.setDragMode(DragMode::Automatic);
    return name;
}

} // namespace

TEST(ControlArray, LoadedMemberCopiesMemberZeroAndStartsHidden)
{
    Form form("F", smallWindow());
    ControlArray &boxes = form.addArray(ControlKind::Picture, "box");
    Control &first = boxes.addDesigned();
    first.setGeometry({10, 20, 30, 40});
    first.setTag("template");
    first.setDragMode(DragMode::Automatic);

    Control &loaded = boxes.load(1);
    EXPECT_EQ(loaded.index(), 1);
    EXPECT_EQ(loaded.geometry(), (TwipRect{10, 20, 30, 40}));
    EXPECT_EQ(loaded.tag(), "template");
    EXPECT_EQ(loaded.dragMode(), DragMode::Automatic);
    EXPECT_FALSE(loaded.visible());
    EXPECT_TRUE(first.visible());
    EXPECT_EQ(&boxes[1], &loaded);
}

TEST(ControlArray, MissingMembersFailWithAClearDescription)
{
    Form form("F", smallWindow());
    ControlArray &boxes = form.addArray(ControlKind::Label, "labels");
    for (int i = 0; i < 23; ++i)
        boxes.addDesigned();
    try {
        (void)boxes[23];
        FAIL() << "no member 23";
    } catch (const Failure &f) {
        EXPECT_STREQ(f.what(), "Control array element '23' doesn't exist");
    }
    EXPECT_THROW((void)boxes[-1], Failure);
    EXPECT_THROW(boxes.load(5), Failure) << "already loaded";
    EXPECT_THROW(boxes.load(30), Failure) << "indices stay contiguous";
}

TEST(HitTest, FrontmostVisibleWinsAndWindowedLieAbove)
{
    Form form("F", smallWindow());
    Control &back = form.addControl(ControlKind::Picture, "back");
    back.setGeometry({0, 0, 3000, 2000});
    Control &front = form.addControl(ControlKind::Label, "front");
    front.setGeometry({100, 100, 200, 200});
    Control &button = form.addControl(ControlKind::PushButton, "button");
    button.setGeometry({150, 150, 100, 100});
    Control &shapeOnTop = form.addControl(ControlKind::Rectangle, "shape");
    shapeOnTop.setGeometry({0, 0, 3000, 2000});

    EXPECT_EQ(form.hitTest(120, 120), &front);
    EXPECT_EQ(form.hitTest(160, 160), &button) << "windowed before light-weight";
    form.bringToFront(back);
    EXPECT_EQ(form.hitTest(160, 160), &button) << "bring-to-front stays within the layer";
    EXPECT_EQ(form.hitTest(120, 120), &back);
    back.setVisible(false);
    EXPECT_EQ(form.hitTest(120, 120), &front) << "hidden controls are never hit";
    EXPECT_EQ(form.hitTest(2500, 1500), nullptr) << "shapes let the mouse through to the form";
    EXPECT_EQ(form.hitTest(3000, 10), nullptr) << "outside the client area";
    EXPECT_EQ(form.hitTest(299, 299), &front);
    EXPECT_EQ(form.hitTest(300, 120), nullptr) << "right edge is outside";
}

TEST(Drag, AutomaticControlsDragAndEventsGoToTheControlUnderThePointer)
{
    Form form("F", smallWindow());
    EventLog log;
    form.setEventSink(&log);
    Control &name = addDraggable(form);
    Control &target = form.addControl(ControlKind::Picture, "target");
    target.setGeometry({1000, 1000, 500, 500});
    Control &still = form.addControl(ControlKind::Label, "still");
    still.setGeometry({2000, 0, 500, 300});

    form.pressMouse(2100, 100);
    EXPECT_FALSE(form.dragging()) << "manual drag mode starts nothing";

    form.pressMouse(100, 100);
    ASSERT_TRUE(form.dragging());
    EXPECT_EQ(form.dragSource(), &name);
    form.moveMouse(200, 100);
    form.moveMouse(1200, 1200);
    form.releaseMouse(1200, 1200);
    EXPECT_FALSE(form.dragging());

    const std::vector<std::string> expected = {
        "over name name 0", "over name name 2", "over name name 1", "over target name 0", "drop target name"};
    EXPECT_EQ(log.events, expected);
}

TEST(Drag, ReleaseOutsideTheWindowDropsNothing)
{
    Form form("F", smallWindow());
    EventLog log;
    form.setEventSink(&log);
    addDraggable(form);

    form.pressMouse(100, 100);
    form.moveMouse(-400, 100);
    form.releaseMouse(-400, 100);
    EXPECT_FALSE(form.dragging());
    EXPECT_EQ(log.events.back(), "over name name 1");

    log.events.clear();
    form.pressMouse(100, 100);
    form.releaseMouse(2900, 1900);
    EXPECT_EQ(log.events.back(), "drop Form name") << "the bare window still hears of it";
}

TEST(Drag, AFailingHandlerDoesNotEndTheProgram)
{
    struct Throwing : FormEvents {
        void dragDrop(Control *, Control &, int, int) override { throw Failure("broken handler"); }
    } events;
    Form form("F", smallWindow());
    form.setEventSink(&events);
    addDraggable(form);
    form.pressMouse(100, 100);
    EXPECT_NO_THROW(form.releaseMouse(100, 100));
    EXPECT_FALSE(form.dragging());
}

TEST(MouseMove, GoesToTheFrontmostControlOrTheForm)
{
    Form form("F", smallWindow());
    EventLog log;
    form.setEventSink(&log);
    Control &pic = form.addControl(ControlKind::Picture, "pic");
    pic.setGeometry({0, 0, 1000, 1000});
    Control &button = form.addControl(ControlKind::PushButton, "button");
    button.setGeometry({2000, 0, 500, 300});
    form.moveMouse(500, 500);
    form.moveMouse(1500, 1500);
    form.mouseMoveOver(button, 10, 10);
    form.click(button);
    EXPECT_EQ(log.events, (std::vector<std::string>{"move pic", "move Form", "move button", "click button"}));
}
