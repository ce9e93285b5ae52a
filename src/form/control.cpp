#include "form/control.h"

#include "form/form.h"

namespace drillix {

Control::Control(Form &form, ControlKind kind, std::string name, ControlArray *array, std::int16_t index)
    : m_form(&form)
    , m_kind(kind)
    , m_name(std::move(name))
    , m_array(array)
    , m_index(index)
{
}

std::string Control::displayName() const
{
    if (m_index < 0)
        return m_name;
    return m_name + "(" + std::to_string(m_index) + ")";
}

void Control::setGeometry(TwipRect rect)
{
    if (rect == m_geometry)
        return;
    m_geometry = rect;
    changed(Property::Geometry);
}

void Control::setLeft(std::int16_t v)
{
    TwipRect r = m_geometry;
    r.left = v;
    setGeometry(r);
}

void Control::setTop(std::int16_t v)
{
    TwipRect r = m_geometry;
    r.top = v;
    setGeometry(r);
}

void Control::setWidth(std::int16_t v)
{
    TwipRect r = m_geometry;
    r.width = v;
    setGeometry(r);
}

void Control::setHeight(std::int16_t v)
{
    TwipRect r = m_geometry;
    r.height = v;
    setGeometry(r);
}

void Control::setVisible(bool visible)
{
    m_visible = visible;
    changed(Property::Visible);
}

void Control::setCaption(const std::string &caption)
{
    m_caption = caption;
    changed(Property::Caption);
}

void Control::setTag(const std::string &tag)
{
    m_tag = tag;
    changed(Property::Tag);
}

void Control::setFont(const Font &font)
{
    m_font = font;
    changed(Property::Font);
}

void Control::setFontBold(bool bold)
{
    m_font.bold = bold;
    changed(Property::Font);
}

void Control::setForeColour(Colour c)
{
    m_foreColour = c;
    changed(Property::Colour);
}

void Control::setBackColour(Colour c)
{
    m_backColour = c;
    changed(Property::Colour);
}

void Control::setBackTransparent(bool transparent)
{
    m_backTransparent = transparent;
    changed(Property::Colour);
}

void Control::setAlignment(Alignment a)
{
    m_alignment = a;
    changed(Property::Alignment);
}

void Control::setDragMode(DragMode mode)
{
    m_dragMode = mode;
    changed(Property::DragMode);
}

void Control::setPicture(const Picture &picture)
{
    m_picture = picture;
    changed(Property::Picture);
}

void Control::setStretch(bool stretch)
{
    m_stretch = stretch;
    changed(Property::Picture);
}

void Control::setDragIcon(const Picture &icon)
{
    m_dragIcon = icon;
    changed(Property::DragIcon);
}

void Control::copySettingsFrom(const Control &other)
{
    // Silent copy: the new member is announced once, as a whole, by the form.
    m_geometry = other.m_geometry;
    m_visible = other.m_visible;
    m_caption = other.m_caption;
    m_tag = other.m_tag;
    m_font = other.m_font;
    m_foreColour = other.m_foreColour;
    m_backColour = other.m_backColour;
    m_backTransparent = other.m_backTransparent;
    m_alignment = other.m_alignment;
    m_dragMode = other.m_dragMode;
    m_picture = other.m_picture;
    m_stretch = other.m_stretch;
    m_dragIcon = other.m_dragIcon;
    m_tabIndex = other.m_tabIndex;
}

void Control::changed(Property what)
{
    m_form->notifyChanged(*this, what);
}

} // namespace drillix
