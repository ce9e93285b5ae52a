#pragma once

#include "form/control.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace drillix {

// A control array: one name, members addressed by a 16-bit index that runs
// contiguously from 0.
class ControlArray
{
public:
    ControlArray(Form &form, ControlKind kind, std::string name);

    const std::string &name() const { return m_name; }
    ControlKind kind() const { return m_kind; }
    int count() const { return static_cast<int>(m_members.size()); }
    bool exists(int index) const { return index >= 0 && index < count(); }

    // Throws Failure when the member does not exist.
    Control &operator[](int index) const;

    // Creates a member of the stored design (used while the form is built).
    Control &addDesigned();
    // Loads a new member at run time: it copies member 0 and starts hidden.
    // Members stay contiguous, so only the next free index can be loaded.
    Control &load(int index);

private:
    Form &m_form;
    ControlKind m_kind;
    std::string m_name;
    std::vector<std::unique_ptr<Control>> m_members;
};

} // namespace drillix
