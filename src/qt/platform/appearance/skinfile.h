#pragma once

// The skin file: Qt style-sheet rules in named sections under a short header.
//
//     /* Comments as in style sheets, anywhere, over several lines too. */
//     [skin]
//     format = 1              required; the only format there is
//     name = Panel Blue       optional
//     [controls]              rules for the window's child controls
//     QPushButton { padding: 0 8px; }
//     [colours]               colour rules (also spelt [colors])
//     [metrics]               size, font and border rules
//     [window]                declarations, without a selector, for the window
//     background-color: #2d5e9f;
//     [colours:contrast]      a variant of a part, for the plain one
//
// UTF-8 text (a byte-order mark is allowed) without NUL bytes. A header is a
// line holding only [part] or [part:variant] outside a comment; names are
// matched without regard to case, variant names use letters, digits, '-'
// and '_', and each header appears at most once. Before [skin] there may be
// only comments and blank lines; its lines are "key = value". Any part may
// be left out or empty.

#include <QByteArray>
#include <QString>

#include <functional>
#include <vector>

namespace drillix::skinfile {

// What stands for url(name) in a style sheet, given the name and its line.
using PictureUrl = std::function<QString(const QString &name, int line)>;

struct Section {
    QString part; // "controls", "colours", "metrics" or "window"
    QString variant; // empty for the plain section of the part
    QString text; // as written, comments included
    int firstLine = 0; // the header's line, counting from 1
    int lastLine = 0;
};

// The file's sections in its order. Throws Failure, with a text saying what
// is wrong and where, when the file's layout is wrong.
std::vector<Section> parse(const QByteArray &bytes);

// The section's text with `picture` standing for each url() in it.
// Throws Failure naming the section, as "[colours:contrast] (lines 40 to
// 52)", when the text is not style-sheet rules (declarations in [window]):
// blocks, comments and strings closed, each selector followed by a block of
// "property: value;" declarations. The grammar is read here because Qt tells
// of a sheet it cannot parse only by a warning, and recovers from some
// damage silently. Also refused, naming the section and the line: an escape
// (a backslash and a hex digit), a qproperty- other than alignment, flat,
// iconSize, indent, margin and wordWrap, and a length or a font beyond the
// window's height.
QString resolveStyleSheet(const Section &section, const PictureUrl &picture);

} // namespace drillix::skinfile
