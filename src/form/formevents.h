#pragma once

#include <cstdint>
#include <string>

namespace drillix {

class Control;

enum class DragState : std::int16_t { Enter = 0, Leave = 1, Over = 2 };

// The events a form raises to its program. A null control means the form
// itself (its background). Positions are twips relative to the control
// (or to the client area for the form).
class FormEvents
{
public:
    virtual ~FormEvents() = default;

    // The form is about to go; it cannot be kept.
    virtual void unloading() {}
    // A handler without an error trap of its own failed; the failure went
    // no further.
    virtual void handlerFailed(const char *event, const std::string &description)
    {
        (void)event, (void)description;
    }
    virtual void click(Control &control) { (void)control; }
    virtual void mouseMove(Control *control, int x, int y) { (void)control, (void)x, (void)y; }
    virtual void dragOver(Control *target, Control &source, int x, int y, DragState state)
    {
        (void)target, (void)source, (void)x, (void)y, (void)state;
    }
    virtual void dragDrop(Control *target, Control &source, int x, int y)
    {
        (void)target, (void)source, (void)x, (void)y;
    }
};

} // namespace drillix
