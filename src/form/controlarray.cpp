#include "form/controlarray.h"

#include "form/failure.h"
#include "form/form.h"

#include <limits>

namespace drillix {

ControlArray::ControlArray(Form &form, ControlKind kind, std::string name)
    : m_form(form)
    , m_kind(kind)
    , m_name(std::move(name))
{
}

Control &ControlArray::operator[](int index) const
{
    if (!exists(index))
        throw Failure("Control array element '" + std::to_string(index) + "' doesn't exist");
    return *m_members[static_cast<std::size_t>(index)];
}

Control &ControlArray::addDesigned()
{
    if (count() > std::numeric_limits<std::int16_t>::max())
        throw Failure("Out of memory");
    m_members.push_back(std::make_unique<Control>(m_form, m_kind, m_name, this, static_cast<std::int16_t>(count())));
    m_form.adopt(*m_members.back());
    return *m_members.back();
}

Control &ControlArray::load(int index)
{
    if (exists(index))
        throw Failure("Object already loaded");
    if (m_members.empty() || index != count())
        throw Failure("Control array element '" + std::to_string(index) + "' doesn't exist");
    if (index > std::numeric_limits<std::int16_t>::max())
        throw Failure("Subscript out of range");

    auto member = std::make_unique<Control>(m_form, m_kind, m_name, this, static_cast<std::int16_t>(index));
    member->copySettingsFrom(*m_members.front());
    m_members.push_back(std::move(member));
    Control &loaded = *m_members.back();
    m_form.adopt(loaded);
    // A fresh member starts hidden whatever member 0 shows.
    loaded.setVisible(false);
    return loaded;
}

} // namespace drillix
