#pragma once

#include "form/colour.h"
#include "form/font.h"
#include "form/picture.h"
#include "form/twips.h"

#include <cstdint>
#include <string>

namespace drillix {

class ControlArray;
class Form;

enum class ControlKind {
    Label,
    Picture,    // an image or picture box; an empty one draws nothing
    Rectangle,  // a drawn shape: never receives the mouse
    PushButton,
    TextBox,
};

enum class DragMode { Manual, Automatic };
enum class Alignment { Left, Right, Center };

// What changed, so that observers (the front end) redraw only what they must.
enum class Property {
    Geometry,
    Visible,
    Caption,
    Tag,
    Font,
    Colour,
    Alignment,
    DragMode,
    Picture,
    DragIcon,
};

// One control of a form: a plain bag of the settings the window is built
// from, whose setters tell the form about each change. Controls belong to
// their form and never move in memory while it lives.
class Control
{
public:
    // The name is the object name that skin files select the control by.
    Control(Form &form, ControlKind kind, std::string name, ControlArray *array = nullptr, std::int16_t index = -1);
    ~Control() = default;

    Control(const Control &) = delete;
    Control &operator=(const Control &) = delete;

    Form &form() const { return *m_form; }
    ControlKind kind() const { return m_kind; }
    const std::string &name() const { return m_name; }
    // The control array it belongs to, or null for a single control.
    ControlArray *array() const { return m_array; }
    // The index in its control array, or -1 for a single control.
    std::int16_t index() const { return m_index; }
    // The name, with the index in brackets for an array member: the object
    // name that skins select and messages show.
    std::string displayName() const;

    // Buttons and the text box are windows of their own and always lie in
    // front of the light-weight controls.
    bool isWindowed() const { return m_kind == ControlKind::PushButton || m_kind == ControlKind::TextBox; }
    // Whether a mouse event or a drop over this control stops at it.
    bool receivesMouse() const { return m_kind != ControlKind::Rectangle; }

    TwipRect geometry() const { return m_geometry; }
    std::int16_t left() const { return m_geometry.left; }
    std::int16_t top() const { return m_geometry.top; }
    std::int16_t width() const { return m_geometry.width; }
    std::int16_t height() const { return m_geometry.height; }
    void setGeometry(TwipRect rect);
    void setLeft(std::int16_t v);
    void setTop(std::int16_t v);
    void setWidth(std::int16_t v);
    void setHeight(std::int16_t v);

    bool visible() const { return m_visible; }
    void setVisible(bool visible);

    const std::string &caption() const { return m_caption; }
    void setCaption(const std::string &caption);

    const std::string &tag() const { return m_tag; }
    void setTag(const std::string &tag);

    const Font &font() const { return m_font; }
    void setFont(const Font &font);
    void setFontBold(bool bold);

    Colour foreColour() const { return m_foreColour; }
    Colour backColour() const { return m_backColour; }
    void setForeColour(Colour c);
    void setBackColour(Colour c);
    // A transparent back lets what lies behind show through.
    bool backTransparent() const { return m_backTransparent; }
    void setBackTransparent(bool transparent);

    Alignment alignment() const { return m_alignment; }
    void setAlignment(Alignment a);
    DragMode dragMode() const { return m_dragMode; }
    void setDragMode(DragMode mode);

    const Picture &picture() const { return m_picture; }
    void setPicture(const Picture &picture);
    // A picture control either shows its picture at its own size from the
    // top-left corner, or stretched to fill the control.
    bool stretch() const { return m_stretch; }
    void setStretch(bool stretch);

    // The picture the pointer shows while this control is dragged.
    const Picture &dragIcon() const { return m_dragIcon; }
    void setDragIcon(const Picture &icon);

    // Keyboard focus order; -1 for controls that never take the focus.
    int tabIndex() const { return m_tabIndex; }
    void setTabIndex(int index) { m_tabIndex = index; }

    // Loading a control-array member copies every setting of member 0.
    void copySettingsFrom(const Control &other);

private:
    void changed(Property what);

    Form *m_form;
    ControlKind m_kind;
    std::string m_name;
    ControlArray *m_array;
    std::int16_t m_index;

    TwipRect m_geometry;
    bool m_visible = true;
    std::string m_caption;
    std::string m_tag;
    Font m_font;
    Colour m_foreColour = kSystemButtonText;
    Colour m_backColour = kSystemButtonFace;
    bool m_backTransparent = false;
    Alignment m_alignment = Alignment::Left;
    DragMode m_dragMode = DragMode::Manual;
    Picture m_picture;
    bool m_stretch = false;
    Picture m_dragIcon;
    int m_tabIndex = -1;
};

} // namespace drillix
