#include "qt/platform/appearance/skinfile.h"

#include "core/layout.h"
#include "core/platform.h"

#include <QStringDecoder>
#include <QStringList>

#include <algorithm>
#include <cmath>
#include <optional>

namespace drillix::skinfile {

namespace {

using namespace Qt::StringLiterals;

[[noreturn]] void fail(const QString &what)
{
    throw Failure("Skin file " + what.toStdString());
}

// As headers write it: "[colours:contrast]".
QString nameOf(const Section &section)
{
    return u'[' + section.part + (section.variant.isEmpty() ? QString() : u':' + section.variant) + u']';
}

// Fails naming what the section has at `at` in its text, and its line.
[[noreturn]] void refuse(const Section &section, qsizetype at, const QString &what, const QString &why)
{
    const qsizetype line = section.firstLine + 1 + QStringView(section.text).first(at).count(u'\n');
    fail("has " + what + " in " + nameOf(section) + " (line " + QString::number(line) + ')' + why);
}

// A character of a name as style sheets write one.
bool isNameCharacter(QChar c)
{
    return c.isLetterOrNumber() || c == u'-' || c == u'_' || c.unicode() > 127;
}

// Where the string that opens at `from` ends: at its closing quote, or at
// the line break or the end of the text that cuts it short. A backslash
// keeps the next character, a line break too, in the string.
qsizetype stringEnd(QStringView text, qsizetype from)
{
    const QChar quote = text[from];
    while (++from < text.size() && text[from] != quote && text[from] != u'\n')
        from += text[from] == u'\\';
    return std::min(from, text.size());
}

// The text with its comments blanked out: a comment's line breaks stay, so
// that lines still match the text, its last character turns into a space and
// the others into `fill`. A quoted "/*" opens none. A comment that never
// ends sets *unclosed to where it opens.
QString blankComments(QString text, QChar fill, qsizetype *unclosed)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'"' || text[i] == u'\'') {
            i = stringEnd(text, i);
        } else if (QStringView(text).sliced(i).startsWith(u"/*")) {
            const qsizetype end = text.indexOf(u"*/"_s, i + 2);
            if (end < 0) {
                *unclosed = i;
                break;
            }
            std::replace_if(text.begin() + i, text.begin() + end + 1, [](QChar k) { return k != u'\n'; }, fill);
            text[end + 1] = u' ';
            i = end + 1;
        }
    }
    return text;
}

// The part, in lower case, and the trimmed variant of a header line,
// "[part]" or "[part:variant]"; an empty part when the line is no header.
// The part is ASCII letters, with ASCII spaces around it.
std::pair<QString, std::optional<QString>> readHeader(QStringView line)
{
    if (!line.startsWith(u'[') || !line.endsWith(u']') || line.count(u']') > 1)
        return {};
    const qsizetype colon = line.indexOf(u':');
    const QStringView written = line.sliced(1, (colon < 0 ? line.size() - 1 : colon) - 1);
    const QStringView part = written.trimmed();
    if (part.isEmpty() || !std::ranges::all_of(written, [](QChar c) { return c.unicode() < 128; })
        || !std::ranges::all_of(part, [](QChar c) { return c.isLetter(); }))
        return {};
    return {part.toString().toLower(),
            colon < 0 ? std::nullopt : std::optional(line.sliced(colon + 1).chopped(1).trimmed().toString())};
}

// Reads a style sheet's grammar in `code`, the text with its comments
// blanked out, without recursion, so that no nesting however deep can
// exhaust the stack; copies the text with `picture` standing for each url()
// in a value.
struct SheetReader {
    const Section &section;
    QStringView code;
    const PictureUrl &picture;
    int line; // the line on which `copied` lies
    QStringView property = {}; // of the declaration being read
    qsizetype at = 0;
    QString resolved = {}; // the text before `copied`, with its url()s replaced
    qsizetype copied = 0;

    char16_t peek(qsizetype where) const { return where < code.size() ? code[where].unicode() : u'\0'; }

    // Takes the next character when it is one of `any`.
    bool take(QStringView any)
    {
        const bool taken = at < code.size() && any.contains(code[at]);
        at += taken;
        return taken;
    }

    // Takes the characters that `accept` takes; whether there were any.
    bool skip(bool (*accept)(QChar))
    {
        const qsizetype from = at;
        while (at < code.size() && accept(code[at]))
            ++at;
        return at > from;
    }

    bool space() { return skip([](QChar c) { return c.isSpace(); }); }
    bool name() { return skip(isNameCharacter); }

    // Takes a string closed on its line.
    bool string()
    {
        const qsizetype end = peek(at) == '"' || peek(at) == '\'' ? stringEnd(code, at) : at;
        const bool closed = end > at && peek(end) == code[at];
        at = closed ? end + 1 : at;
        return closed;
    }

    bool rules()
    {
        bool read = true;
        while (read && (space(), at < code.size()))
            read = selectors() && declarations() && take(u"}");
        return read;
    }

    // Compound selectors, such as QPushButton#PushButton1:hover:!pressed or
    // .QLabel[text="x"]::indicator, joined by spaces, > + ~ or commas, and
    // the block's "{".
    bool selectors()
    {
        bool wantCompound = true;
        while ((space(), !take(u"{"))) {
            const bool combinator = take(u">+~,");
            if (combinator ? wantCompound : !simpleSelector())
                return false;
            wantCompound = combinator;
        }
        return !wantCompound;
    }

    // *, a type, #name, .class, :state, :!state, ::sub-control, or an
    // attribute: [name], [name="value"], [name~=value] and the like.
    bool simpleSelector()
    {
        if (take(u"["))
            return (space(), name()) && (space(), take(u"~|^$*"), !take(u"=") || (space(), string() || name()))
                && (space(), take(u"]"));
        if (take(u"*"))
            return true;
        if (!take(u"#.") && take(u":")) {
            take(u":");
            take(u"!");
        }
        return name();
    }

    bool declarations()
    {
        // Qt sets any property named after "qproperty-", styleSheet included,
        // which can set itself again without end: only a few layout ones here.
        static const QStringList allowed{"alignment", "flat", "iconSize", "indent", "margin", "wordWrap"};
        while (skip([](QChar c) { return c.isSpace() || c == u';'; }), at < code.size() && peek(at) != '}') {
            const qsizetype from = at;
            if (!name())
                return false;
            property = code.sliced(from, at - from);
            if (property.startsWith(u"qproperty-", Qt::CaseInsensitive) && !allowed.contains(property.sliced(10)))
                refuse(section, from, "the property " + property.toString(),
                       ", which a skin may not set; it may set qproperty-alignment, -flat, -iconSize, -indent, "
                       "-margin and -wordWrap");
            if (!((space(), take(u":")) && value()))
                return false;
        }
        return true;
    }

    // Anything up to ';' or '}' outside brackets and strings, and not empty.
    bool value()
    {
        int depth = 0;
        const qsizetype start = (space(), at);
        while (space(), at < code.size()) {
            const char16_t c = peek(at);
            if (depth == 0 && (c == ';' || c == '}'))
                break;
            if (c == '{' || (c == ')' && depth == 0))
                return false;
            const qsizetype from = at;
            if (string()) {
                checkLength(code.sliced(from + 1, at - from - 2), from);
            } else if (c == '"' || c == '\'') {
                return false;
            } else if (!url() && !word()) {
                depth += c == '(' ? 1 : c == ')' ? -1 : 0;
                ++at;
            }
        }
        return at > start && depth == 0;
    }

    // A word of name characters and dots, or a colour, which is no length.
    bool word()
    {
        const qsizetype from = at;
        const bool colour = take(u"#");
        skip([](QChar c) { return isNameCharacter(c) || c == u'.'; });
        if (!colour)
            checkLength(code.sliced(from, at - from), from);
        return at > from;
    }

    // Qt reads a length from any word or string of a value ("1e5px", " 9e9"
    // and "inf" too), so each is read so here. Styles paint a widget's box,
    // up to seven lengths a side, into a pixmap: a length or a font is at
    // most the window's height, an em counts as that font, a point 4/3 px.
    void checkLength(QStringView token, qsizetype from) const
    {
        constexpr int kMost = layout::kWindowHeight;
        // Qt reads a font's size in px or pt only; its other numbers are weights.
        const double other = property.startsWith(u"font", Qt::CaseInsensitive) ? 0 : 1;
        const std::pair<QStringView, double> units[] = {
            {u"px", 1}, {u"pt", 4.0 / 3}, {u"em", other * kMost}, {u"ex", other * kMost}, {u"", other}};
        const auto &[unit, pixels] = *std::ranges::find_if(
            units, [&](const auto &entry) { return token.endsWith(entry.first, Qt::CaseInsensitive); });
        // Not a number reads as 0, one too large for a double as infinity.
        if (pixels > 0 && !(std::abs(token.chopped(unit.size()).toDouble()) * pixels <= kMost))
            refuse(section, from, "the length " + token.toString(),
                   u", beyond the window's height: a length or a font is at most %1px, %2pt or 1em"_s.arg(kMost).arg(
                       kMost * 3 / 4));
    }

    // url(name) or url("name") closed on its line, as Qt reads one, and not
    // the end of a longer name.
    bool url()
    {
        const qsizetype start = at;
        if (!code.sliced(at).startsWith(u"url(") || (at > 0 && isNameCharacter(code[at - 1])))
            return false;
        const auto blanks = [this] { skip([](QChar c) { return c.isSpace() && c != u'\n'; }); };
        at += 4;
        blanks();
        const qsizetype from = at;
        const QStringView text = section.text;
        QStringView name;
        if (string()) {
            name = text.sliced(from + 1, at - from - 2);
            blanks();
        } else if (peek(at) != '"' && peek(at) != '\'') {
            skip([](QChar c) { return c != u')' && c != u'\n'; });
            name = text.sliced(from, at - from).trimmed();
        }
        if (!take(u")")) {
            at = start;
            return false;
        }
        line += int(text.sliced(copied, start - copied).count(u'\n'));
        resolved += text.sliced(copied, start - copied).toString() + picture(name.toString(), line);
        copied = at;
        return true;
    }
};

} // namespace

std::vector<Section> parse(const QByteArray &bytes)
{
    if (bytes.trimmed().isEmpty())
        fail("is empty");
    if (bytes.contains('\0'))
        fail("is not valid text (it holds binary data)");
    // Stateless, so that a sequence cut short at the end is an error too.
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder.decode(bytes);
    if (decoder.hasError())
        fail("is not valid UTF-8 text");
    qsizetype unclosed = -1;
    // A comment reads as one space, as in style sheets; a skin holds no NUL.
    const QStringList codes = blankComments(text, QChar::Null, &unclosed).remove(QChar::Null).split(u'\n');
    if (unclosed >= 0)
        fail("has a comment that never ends (it opens on line "
             + QString::number(QStringView(text).first(unclosed).count(u'\n') + 1) + ')');
    const QStringList lines = text.split(u'\n');

    std::vector<Section> sections;
    bool sawSkin = false;
    std::optional<QString> format;
    for (int n = 1; n <= int(lines.size()); ++n) {
        const QString code = codes[n - 1].trimmed(), on = " on line " + QString::number(n);
        const auto [part, variant] = readHeader(code);
        // Before [skin] there may be only comments and blank lines, and not only them.
        if (!sawSkin && (!code.isEmpty() || n == int(lines.size())) && part != "skin"_L1)
            fail("is not a Drillix skin (it must begin with a [skin] section)");
        if (part == "skin"_L1) {
            if (sawSkin || variant)
                fail((sawSkin ? "has a second [skin] section" : "gives its [skin] section a variant") + on);
            sawSkin = true;
        } else if (!part.isEmpty()) {
            const Section added{part == "colors"_L1 ? u"colours"_s : part, variant.value_or(QString()), {}, n, n};
            if (!QStringList{"controls", "colours", "metrics", "window"}.contains(added.part))
                fail("has an unknown section [" + part + ']' + on);
            const auto isAsciiName = [](QChar c) { return c.unicode() < 128 && isNameCharacter(c); };
            if (variant && (variant->isEmpty() || !std::ranges::all_of(*variant, isAsciiName)))
                fail("has a variant name that is not allowed (use letters, digits, '-' and '_')" + on);
            for (const Section &earlier : sections) {
                if (earlier.part == added.part && earlier.variant.compare(added.variant, Qt::CaseInsensitive) == 0)
                    fail(u"has %1 twice (lines %2 and %3)"_s.arg(nameOf(added)).arg(earlier.firstLine).arg(n));
            }
            sections.push_back(added);
        } else if (!sections.empty()) {
            Section &current = sections.back();
            // A rule here, written by habit, gets a message that says what belongs.
            if (current.part == "window"_L1 && (code.contains(u'{') || code.contains(u'}')))
                fail("has a rule in " + nameOf(current) + on
                     + "; it takes declarations only, such as \"background-color: #2f62a6;\"");
            current.text += lines[n - 1] + u'\n';
            current.lastLine = n;
        } else if (!code.isEmpty()) {
            const qsizetype equals = code.indexOf(u'=');
            if (equals <= 0)
                fail("has a line in [skin] that is not \"key = value\" (line " + QString::number(n) + ')');
            const QString key = code.left(equals).trimmed().toLower();
            if (key == "format"_L1)
                format = code.mid(equals + 1).trimmed();
            else if (key != "name"_L1)
                fail("has an unknown setting \"" + key + "\" in [skin] (line " + QString::number(n) + ')');
        }
    }
    if (!format)
        fail("does not give its format (\"format = 1\" belongs in [skin])");
    if (*format != "1"_L1)
        fail("is in format \"" + *format + "\", which this program cannot read (it reads format 1)");
    return sections;
}

QString resolveStyleSheet(const Section &section, const PictureUrl &picture)
{
    // Qt turns a backslash and hex digits into their character before it
    // reads a sheet, even in strings and comments: a skin writes it itself.
    for (qsizetype at = 1; at < section.text.size(); ++at) {
        if (section.text[at - 1] == u'\\' && QStringView(u"0123456789abcdefABCDEF").contains(section.text[at]))
            refuse(section, at - 1, "an escape " + section.text.sliced(at - 1, 2), "; write the character itself");
    }
    const bool window = section.part == "window"_L1;
    qsizetype unclosed = -1;
    const QString code = blankComments(section.text, u' ', &unclosed);
    SheetReader reader{.section = section, .code = code, .picture = picture, .line = section.firstLine + 1};
    // Declarations in [window] are no rules, and a '}' after them is no rule either.
    if (unclosed >= 0 || !(window ? reader.declarations() && reader.rules() : reader.rules())) {
        const QString lines = section.lastLine > section.firstLine
                                  ? u"lines %1 to %2"_s.arg(section.firstLine).arg(section.lastLine)
                                  : u"line %1"_s.arg(section.firstLine);
        fail("has a style-sheet error in " + nameOf(section) + " (" + lines + "): Qt cannot read it as style-sheet "
             + (window ? "declarations" : "rules"));
    }
    return reader.resolved + section.text.sliced(reader.copied);
}

} // namespace drillix::skinfile
