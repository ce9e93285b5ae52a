#pragma once

// The skin file: Qt style-sheet rules in named sections under a short header.
//
//     /* Comments as in style sheets, anywhere, over several lines too. */
//     [skin]
//     format = 1              required; the only format there is
//     name = Panel Blue       optional
//
//     [controls]              rules for the window's child controls
//     QPushButton { padding: 0 8px; }
//
//     [colours]               colour rules, used when colours are switched on
//     QPushButton { color: white; background: #2f62ad; }
//
//     [metrics]               size, font and border rules, used when metrics
//     QPushButton { border-radius: 6px; }   are switched on
//
//     [window]                declarations (no selector) for the window
//     background-color: #2d5e9f;           itself; checked, never applied
//
//     [colours:contrast]      a variant of a part; checked, never applied,
//     QPushButton { ... }     since the program chooses no variant
//
// Rules:
// - UTF-8 text (a byte-order mark is allowed), at most 1 MB, no NUL bytes.
// - A section header is a line holding only [part] or [part:variant]
//   outside a comment. Parts: skin, controls, colours (or colors), metrics,
//   window. Names are matched without regard to case; variant names use
//   letters, digits, '-' and '_'. Each header appears at most once.
// - Before [skin] there may be only comments and blank lines; [skin] comes
//   first and has no variant. Its lines are "key = value".
// - Every other section must be valid for Qt's style-sheet parser: rules in
//   controls, colours and metrics; bare declarations in window.
// - A picture, url(name), is found from the skin file's folder when its
//   name is relative: url(panel.png) in x/o.cjs is x/panel.png. It must be
//   a picture Qt reads, and the skin's pictures together at most 32 MB once
//   decoded (qt/appearance/skinpictures.h).
// - A section may be empty, and any part may be left out.

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <vector>

namespace drillix {

enum class SkinPart { Controls, Colours, Metrics, Window };

class SkinFile
{
public:
    struct Section {
        SkinPart part = SkinPart::Controls;
        QString variant; // empty for the default section of the part
        QString text;    // as written, comments included
        int firstLine = 0; // the header's line, counting from 1
        int lastLine = 0;
    };

    // Checks the layout of the file; throws Failure with a text that says
    // what is wrong and where. Style-sheet syntax is checked by the engine,
    // which has the widgets to do it.
    static SkinFile parse(const QByteArray &bytes);

    QString name() const { return m_name; }
    const std::vector<Section> &sections() const { return m_sections; }

    // "[colours:contrast] (lines 40 to 52)", for failure texts.
    static QString describe(const Section &section);

private:
    QString m_name;
    std::vector<Section> m_sections;
};

} // namespace drillix
