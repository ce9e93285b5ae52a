#include "form/form.h"

#include "form/failure.h"

#include <algorithm>

namespace drillix {

Form::Form(std::string name, WindowSettings settings)
    : m_name(std::move(name))
    , m_settings(std::move(settings))
{
}

Form::~Form() = default;

Control &Form::addControl(ControlKind kind, const std::string &name)
{
    m_singles.push_back(std::make_unique<Control>(*this, kind, name));
    adopt(*m_singles.back());
    return *m_singles.back();
}

ControlArray &Form::addArray(ControlKind kind, const std::string &name)
{
    m_arrays.push_back(std::make_unique<ControlArray>(*this, kind, name));
    return *m_arrays.back();
}

void Form::adopt(Control &control)
{
    m_collection.push_back(&control);
    // A new control comes in at the front of its layer.
    m_stack.push_back(&control);
    restackWindowed();
    for (FormObserver *o : m_observers)
        o->controlAdded(control);
}

void Form::setStackingOrder(const std::vector<Control *> &frontToBack)
{
    std::vector<Control *> rest;
    for (Control *c : m_stack) {
        if (std::find(frontToBack.begin(), frontToBack.end(), c) == frontToBack.end())
            rest.push_back(c);
    }
    m_stack = rest;
    m_stack.insert(m_stack.end(), frontToBack.rbegin(), frontToBack.rend());
    restackWindowed();
    notifyForm(FormProperty::ZOrder);
}

std::vector<Control *> Form::stackingOrder() const
{
    std::vector<Control *> order;
    order.reserve(m_stack.size());
    for (Control *c : m_stack)
        if (!c->isWindowed())
            order.push_back(c);
    for (Control *c : m_stack)
        if (c->isWindowed())
            order.push_back(c);
    return order;
}

void Form::bringToFront(Control &control)
{
    auto it = std::find(m_stack.begin(), m_stack.end(), &control);
    if (it == m_stack.end())
        throw Failure("Object required: '" + control.displayName() + "'");
    m_stack.erase(it);
    m_stack.push_back(&control);
    restackWindowed();
    notifyForm(FormProperty::ZOrder);
}

void Form::restackWindowed()
{
    m_windowedStack.clear();
    for (Control *c : m_stack)
        if (c->isWindowed())
            m_windowedStack.push_back(c);
}

bool Form::insideClient(int x, int y) const
{
    return x >= 0 && y >= 0 && x < m_settings.clientWidth && y < m_settings.clientHeight;
}

Control *Form::hitTest(int x, int y) const
{
    if (!insideClient(x, y))
        return nullptr;
    auto hits = [x, y](const Control *c) {
        return c->visible() && c->receivesMouse() && c->geometry().contains(x, y);
    };
    // Windowed controls first: they lie in front of every light-weight one.
    for (auto it = m_windowedStack.rbegin(); it != m_windowedStack.rend(); ++it)
        if (hits(*it))
            return *it;
    for (auto it = m_stack.rbegin(); it != m_stack.rend(); ++it)
        if (!(*it)->isWindowed() && hits(*it))
            return *it;
    return nullptr;
}

void Form::setCaption(const std::string &caption)
{
    m_caption = caption;
    notifyForm(FormProperty::Caption);
}

void Form::setIcon(const Picture &icon)
{
    m_icon = icon;
    notifyForm(FormProperty::Icon);
}

void Form::setBackColour(Colour colour)
{
    m_backColour = colour;
    notifyForm(FormProperty::BackColour);
}

void Form::setMousePointer(int pointer)
{
    if (pointer == m_mousePointer)
        return;
    m_mousePointer = pointer;
    notifyForm(FormProperty::MousePointer);
}

void Form::setMouseIcon(const Picture &icon)
{
    m_mouseIcon = icon;
    notifyForm(FormProperty::MouseIcon);
}

void Form::addObserver(FormObserver *observer)
{
    m_observers.push_back(observer);
}

void Form::removeObserver(FormObserver *observer)
{
    m_observers.erase(std::remove(m_observers.begin(), m_observers.end(), observer), m_observers.end());
}

void Form::notifyChanged(const Control &control, Property what)
{
    for (FormObserver *o : m_observers)
        o->controlChanged(control, what);
}

void Form::notifyForm(FormProperty what)
{
    for (FormObserver *o : m_observers)
        o->formChanged(what);
}

namespace {
// Event positions are relative to the control that receives them.
int relativeX(const Control *c, int x) { return c ? x - c->left() : x; }
int relativeY(const Control *c, int y) { return c ? y - c->top() : y; }
} // namespace

template<class F>
void Form::guarded(const char *event, F &&f)
{
    if (!m_events)
        return;
    try {
        f();
    } catch (const std::exception &e) {
        m_events->handlerFailed(event, e.what());
    }
}

void Form::pressMouse(int x, int y)
{
    if (dragging())
        return;
    Control *hit = hitTest(x, y);
    if (!hit || hit->dragMode() != DragMode::Automatic)
        return;
    // Automatic drag mode: the press itself starts the drag, with no
    // handler taking part. The control under the pointer hears of it at once.
    m_dragSource = hit;
    m_dragTarget = nullptr;
    m_dragTargetIsForm = false;
    notifyForm(FormProperty::Drag);
    dispatchDragOver(hit, x, y, DragState::Enter);
}

void Form::dispatchDragOver(Control *target, int x, int y, DragState state)
{
    if (!m_dragSource)
        return;
    if (state == DragState::Enter) {
        m_dragTarget = target;
        m_dragTargetIsForm = target == nullptr;
    }
    const int rx = relativeX(target, x);
    const int ry = relativeY(target, y);
    Control &source = *m_dragSource;
    guarded("drag-over", [&] { m_events->dragOver(target, source, rx, ry, state); });
}

void Form::moveMouse(int x, int y)
{
    if (!dragging()) {
        if (!insideClient(x, y))
            return;
        Control *hit = hitTest(x, y);
        const int rx = relativeX(hit, x);
        const int ry = relativeY(hit, y);
        guarded("mouse-move", [&] { m_events->mouseMove(hit, rx, ry); });
        return;
    }

    const bool inside = insideClient(x, y);
    Control *target = inside ? hitTest(x, y) : nullptr;
    const bool hadTarget = m_dragTarget != nullptr || m_dragTargetIsForm;
    const bool sameTarget = inside && hadTarget && target == m_dragTarget
                            && (target != nullptr || m_dragTargetIsForm);
    if (sameTarget) {
        dispatchDragOver(target, x, y, DragState::Over);
        return;
    }
    if (hadTarget) {
        Control *old = m_dragTarget;
        m_dragTarget = nullptr;
        m_dragTargetIsForm = false;
        dispatchDragOver(old, x, y, DragState::Leave);
    }
    if (inside && dragging())
        dispatchDragOver(target, x, y, DragState::Enter);
}

void Form::releaseMouse(int x, int y)
{
    if (!dragging())
        return;
    Control &source = *m_dragSource;
    cancelDrag();
    if (!insideClient(x, y))
        return;
    Control *target = hitTest(x, y);
    const int rx = relativeX(target, x);
    const int ry = relativeY(target, y);
    guarded("drop", [&] { m_events->dragDrop(target, source, rx, ry); });
}

void Form::cancelDrag()
{
    if (!dragging())
        return;
    m_dragSource = nullptr;
    m_dragTarget = nullptr;
    m_dragTargetIsForm = false;
    notifyForm(FormProperty::Drag);
}

void Form::mouseMoveOver(Control &windowed, int x, int y)
{
    guarded("mouse-move", [&] { m_events->mouseMove(&windowed, x, y); });
}

void Form::click(Control &control)
{
    guarded("click", [&] { m_events->click(control); });
}

void Form::unload()
{
    if (!m_loaded)
        return;
    guarded("unload", [&] { m_events->unloading(); });
    m_loaded = false;
    cancelDrag();
    for (FormObserver *o : std::vector<FormObserver *>(m_observers))
        o->unloaded();
}

} // namespace drillix
