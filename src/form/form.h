#pragma once

#include "form/colour.h"
#include "form/control.h"
#include "form/controlarray.h"
#include "form/font.h"
#include "form/formevents.h"
#include "form/picture.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace drillix {

// Pointer values of a form, numbered as the platform's window designer
// numbers them.
inline constexpr int kPointerDefault = 0;
inline constexpr int kPointerCustom = 99; // shows the form's mouse icon

enum class FormProperty { Caption, Icon, BackColour, MousePointer, MouseIcon, ZOrder, Drag };

// Told of every change to the form, so that the front end can follow the
// model. An observer may throw: the failure reaches whoever made the change,
// as a failing platform call would.
class FormObserver
{
public:
    virtual ~FormObserver() = default;
    virtual void controlAdded(const Control &control) { (void)control; }
    virtual void controlChanged(const Control &control, Property what) { (void)control, (void)what; }
    virtual void formChanged(FormProperty what) { (void)what; }
    virtual void unloaded() {}
};

// The designed, fixed settings of a window: it is never resized, and the
// front end centres it on the screen.
struct WindowSettings {
    int clientWidth = 0;  // twips
    int clientHeight = 0; // twips
    bool minimiseButton = true;
    bool maximiseButton = false;
    Font font;
};

// A window of the form model: its controls, their stacking, the pointer,
// and the mouse and drag-and-drop state that turns raw pointer input from
// the front end into the form's events. Standard C++ only.
class Form
{
public:
    Form(std::string name, WindowSettings settings);
    ~Form();

    Form(const Form &) = delete;
    Form &operator=(const Form &) = delete;

    const std::string &name() const { return m_name; }
    const WindowSettings &settings() const { return m_settings; }

    // --- building -----------------------------------------------------
    // The name is the object name that skin files select the control by.
    Control &addControl(ControlKind kind, const std::string &name);
    ControlArray &addArray(ControlKind kind, const std::string &name);
    // Sets the stacking of every light-weight control at once, front first.
    // Controls left out keep their place behind those named.
    void setStackingOrder(const std::vector<Control *> &frontToBack);
    void adopt(Control &control); // for ControlArray

    // The window's control collection, in the order the controls were made.
    const std::vector<Control *> &controls() const { return m_collection; }
    // Back to front; windowed controls are kept after (in front of) all
    // light-weight ones.
    std::vector<Control *> stackingOrder() const;

    // --- z-order and hit-testing -----------------------------------------
    void bringToFront(Control &control);
    // The frontmost visible control under a client point (twips) that
    // takes the mouse; null over the bare window or outside the client area.
    Control *hitTest(int x, int y) const;
    bool insideClient(int x, int y) const;

    // --- window properties ------------------------------------------------
    const std::string &caption() const { return m_caption; }
    void setCaption(const std::string &caption);
    const Picture &icon() const { return m_icon; }
    void setIcon(const Picture &icon);
    Colour backColour() const { return m_backColour; }
    void setBackColour(Colour colour);
    int mousePointer() const { return m_mousePointer; }
    void setMousePointer(int pointer);
    const Picture &mouseIcon() const { return m_mouseIcon; }
    void setMouseIcon(const Picture &icon);

    // --- observers and events -----------------------------------------------
    void addObserver(FormObserver *observer);
    void removeObserver(FormObserver *observer);
    void setEventSink(FormEvents *events) { m_events = events; }
    void notifyChanged(const Control &control, Property what);

    // --- input from the front end, in client twips -------------------------
    // Left button pressed over the client area: a visible control in
    // automatic drag mode starts a drag of itself.
    void pressMouse(int x, int y);
    // Pointer moved: drag-over events while dragging, mouse-move otherwise.
    void moveMouse(int x, int y);
    // Left button released. Outside the client area a drag just ends.
    void releaseMouse(int x, int y);
    // Mouse moves and clicks that a windowed control received itself.
    void mouseMoveOver(Control &windowed, int x, int y);
    void click(Control &control);

    bool dragging() const { return m_dragSource != nullptr; }
    Control *dragSource() const { return m_dragSource; }
    void cancelDrag();

    // --- life ------------------------------------------------------------
    bool loaded() const { return m_loaded; }
    // Raises the unload event; the form is gone afterwards.
    void unload();

private:
    void restackWindowed();
    void notifyForm(FormProperty what);
    void dispatchDragOver(Control *target, int x, int y, DragState state);
    // Handlers without an error trap of their own must not take the program
    // down: a failure escaping one is written to the diagnostics and dropped.
    template<class F>
    void guarded(const char *event, F &&f);

    std::string m_name;
    WindowSettings m_settings;
    std::vector<std::unique_ptr<Control>> m_singles;
    std::vector<std::unique_ptr<ControlArray>> m_arrays;
    std::vector<Control *> m_collection;
    std::vector<Control *> m_stack; // back to front, all kinds
    // The windowed ones of m_stack in the same order, so that hit-testing
    // need not walk every light-weight control twice.
    std::vector<Control *> m_windowedStack;

    std::string m_caption;
    Picture m_icon;
    Colour m_backColour = kWhite;
    int m_mousePointer = kPointerDefault;
    Picture m_mouseIcon;

    std::vector<FormObserver *> m_observers;
    FormEvents *m_events = nullptr;
    Control *m_dragSource = nullptr;
    Control *m_dragTarget = nullptr;
    bool m_dragTargetIsForm = false;
    bool m_loaded = true;
};

} // namespace drillix
