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

[[noreturn]] void fail(const std::string &what)
{
    throw Failure("Skin file " + what);
}

// The text with its comments blanked out: a comment's line breaks stay, so
// that lines still match the text, its last character turns into a space and
// the others into `fill`. A quoted "/*" opens none, and a string ends at its
// quote or its line. *unclosed is where a comment that never ends opens, or
// -1.
QString blankComments(QString text, QChar fill, qsizetype *unclosed)
{
    *unclosed = -1;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == QLatin1Char('"') || c == QLatin1Char('\'')) {
            while (++i < text.size() && text[i] != c && text[i] != QLatin1Char('\n')) {
                if (text[i] == QLatin1Char('\\') && i + 1 < text.size() && text[i + 1] != QLatin1Char('\n'))
                    ++i;
            }
        } else if (QStringView(text).sliced(i).startsWith(QLatin1String("/*"))) {
            const qsizetype end = text.indexOf(QLatin1String("*/"), i + 2);
            if (end < 0) {
                *unclosed = i;
                break;
            }
            std::replace_if(text.begin() + i, text.begin() + end + 1,
                            [](QChar k) { return k != QLatin1Char('\n'); }, fill);
            text[end + 1] = QLatin1Char(' ');
            i = end + 1;
        }
    }
    return text;
}

// A header line: "[part]" or "[part:variant]", ASCII spaces allowed around
// the part, which is ASCII letters only.
struct Header {
    QString part; // in lower case; empty when the line is no header
    std::optional<QString> variant; // spaces trimmed
};

Header readHeader(QStringView line)
{
    if (line.size() < 2 || !line.startsWith(u'[') || !line.endsWith(u']') || line.count(u']') > 1)
        return {};
    const QStringView inside = line.sliced(1, line.size() - 2);
    const qsizetype colon = inside.indexOf(u':');
    QStringView part = colon < 0 ? inside : inside.first(colon);
    const auto isAsciiSpace = [](QChar c) { return c == u' ' || (c >= u'\t' && c <= u'\r'); };
    while (!part.isEmpty() && isAsciiSpace(part.front()))
        part = part.sliced(1);
    while (!part.isEmpty() && isAsciiSpace(part.back()))
        part.chop(1);
    const auto isAsciiLetter = [](QChar c) { return c.unicode() < 128 && c.isLetter(); };
    if (part.isEmpty() || !std::all_of(part.begin(), part.end(), isAsciiLetter))
        return {};
    if (colon < 0)
        return {part.toString().toLower(), std::nullopt};
    return {part.toString().toLower(), inside.sliced(colon + 1).trimmed().toString()};
}

QString sectionName(const QString &part, const QString &variant)
{
    return QLatin1Char('[') + part + (variant.isEmpty() ? QString() : QLatin1Char(':') + variant) + QLatin1Char(']');
}

// Fails naming what was found at `at` in the section's text, and its line.
[[noreturn]] void refuse(const Section &section, QStringView text, qsizetype at, const std::string &what,
                         const std::string &why)
{
    fail("has " + what + " in " + sectionName(section.part, section.variant).toStdString() + " (line "
         + std::to_string(section.firstLine + 1 + int(text.first(at).count(u'\n'))) + ")" + why);
}

// A character of a name as style sheets write one.
bool isNameCharacter(QChar c)
{
    return c.isLetterOrNumber() || c == QLatin1Char('-') || c == QLatin1Char('_') || c.unicode() > 127;
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

    bool rules()
    {
        while (skipSpace(), at < code.size()) {
            if (!(selectors() && declarations() && take('}')))
                return false;
        }
        return true;
    }

    bool declarations()
    {
        while (skipSpace(), at < code.size() && peek() != '}') {
            const qsizetype from = at;
            if (take(';'))
                continue;
            if (!name())
                return false;
            property = code.sliced(from, at - from);
            checkProperty(from);
            if (!((skipSpace(), take(':')) && value()))
                return false;
        }
        return true;
    }

    // Qt sets any property named after "qproperty-", styleSheet included,
    // which can set itself again without end: only a few layout ones here.
    void checkProperty(qsizetype from) const
    {
        static const QStringList allowed{"alignment", "flat", "iconSize", "indent", "margin", "wordWrap"};
        if (property.startsWith(u"qproperty-", Qt::CaseInsensitive) && !allowed.contains(property.sliced(10)))
            refuse(section, code, from, "the property " + property.toString().toStdString(),
                   ", which a skin may not set; it may set qproperty-alignment, -flat, -iconSize, -indent, -margin "
                   "and -wordWrap");
    }

    // A word of name characters and dots, or a colour, which is no length.
    bool word()
    {
        const qsizetype from = at;
        const bool colour = take('#');
        while (at < code.size() && (isNameCharacter(code[at]) || code[at] == u'.'))
            ++at;
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
        const std::pair<QStringView, double> units[] = {{u"px", 1}, {u"pt", 4.0 / 3}, {u"em", kMost}, {u"ex", kMost}};
        // Qt reads a font's size in px or pt only; its other numbers are weights.
        const bool font = property.startsWith(u"font", Qt::CaseInsensitive);
        QStringView number = token;
        double pixels = font ? 0 : 1;
        for (const auto &[unit, size] : units) {
            if (token.endsWith(unit, Qt::CaseInsensitive)) {
                number = token.chopped(2);
                pixels = font && size == kMost ? 0 : size;
            }
        }
        // Not a number reads as 0, one too large for a double as infinity.
        if (pixels > 0 && !(std::abs(number.toDouble()) * pixels <= kMost))
            refuse(section, code, from, "the length " + token.toString().toStdString(),
                   ", beyond the window's height: a length or a font is at most " + std::to_string(kMost) + "px, "
                       + std::to_string(kMost * 3 / 4) + "pt or 1em");
    }

    char16_t peek(qsizetype where) const { return where < code.size() ? code[where].unicode() : u'\0'; }
    char16_t peek() const { return peek(at); }
    bool take(char16_t c) { return peek() == c ? (++at, true) : false; }

    bool skipSpace()
    {
        const qsizetype from = at;
        while (at < code.size() && code[at].isSpace())
            ++at;
        return at > from;
    }

    bool name()
    {
        const qsizetype from = at;
        while (at < code.size() && isNameCharacter(code[at]))
            ++at;
        return at > from;
    }

    // One past the quote that closes the string at `from`, which ends at its
    // line, or 0.
    qsizetype stringEnd(qsizetype from) const
    {
        const char16_t quote = peek(from++);
        while (from < code.size() && peek(from) != quote && peek(from) != '\n')
            from += peek(from) == '\\' ? 2 : 1;
        return peek(from) == quote ? from + 1 : 0;
    }

    bool string()
    {
        const qsizetype end = peek() == '"' || peek() == '\'' ? stringEnd(at) : 0;
        at = end > 0 ? end : at;
        return end > 0;
    }

    // Compound selectors, such as QPushButton#PushButton1:hover:!pressed or
    // .QLabel[text="x"]::indicator, joined by spaces, > + ~ or commas, and
    // the block's "{".
    bool selectors()
    {
        bool wantCompound = true;
        while (!take('{')) {
            if (skipSpace())
                continue;
            if (take('>') || take('+') || take('~') || take(',')) {
                if (wantCompound)
                    return false;
                wantCompound = true;
                continue;
            }
            if (take('[')) {
                if (!(skipSpace(), name()))
                    return false;
                skipSpace();
                if (QStringView(u"~|^$*").contains(QChar(peek())))
                    ++at;
                if (take('=') && !(skipSpace(), string() || name()))
                    return false;
                if (!(skipSpace(), take(']')))
                    return false;
            } else if (!take('*')) {
                if (take(':')) {
                    take(':');
                    take('!');
                } else if (!take('#')) {
                    take('.');
                }
                if (!name())
                    return false;
            }
            wantCompound = false;
        }
        return !wantCompound;
    }

    // Anything up to ';' or '}' outside brackets and strings, and not empty.
    bool value()
    {
        int depth = 0;
        bool any = false;
        while (skipSpace(), at < code.size()) {
            const char16_t c = peek();
            if (depth == 0 && (c == ';' || c == '}'))
                break;
            if (c == '{' || (c == ')' && depth == 0))
                return false;
            if (c == '"' || c == '\'') {
                const qsizetype from = at;
                if (!string())
                    return false;
                checkLength(code.sliced(from + 1, at - from - 2), from);
            } else if (!url() && !word()) {
                depth += c == '(' ? 1 : c == ')' ? -1 : 0;
                ++at;
            }
            any = true;
        }
        return any && depth == 0;
    }

    // url(name) or url("name") closed on its line, as Qt reads one, and not
    // the end of a longer name.
    bool url()
    {
        if (!code.sliced(at).startsWith(u"url(") || (at > 0 && isNameCharacter(code[at - 1])))
            return false;
        qsizetype end = at + 4;
        const auto skipBlanks = [&] {
            while (end < code.size() && code[end].isSpace() && code[end] != QLatin1Char('\n'))
                ++end;
        };
        skipBlanks();
        QStringView name;
        if (peek(end) == '"' || peek(end) == '\'') {
            const qsizetype closed = stringEnd(end);
            if (closed == 0)
                return false;
            name = QStringView(section.text).sliced(end + 1, closed - end - 2);
            end = closed;
            skipBlanks();
        } else {
            const qsizetype close = code.indexOf(QLatin1Char(')'), end);
            const qsizetype lineEnd = code.indexOf(QLatin1Char('\n'), end);
            if (close < 0 || (lineEnd >= 0 && lineEnd < close))
                return false;
            name = QStringView(section.text).sliced(end, close - end).trimmed();
            end = close;
        }
        if (peek(end) != ')')
            return false;
        const QStringView before = QStringView(section.text).sliced(copied, at - copied);
        line += int(before.count(QLatin1Char('\n')));
        resolved += before.toString() + picture(name.toString(), line);
        copied = at = end + 1;
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
    const QStringList codes = blankComments(text, QChar::Null, &unclosed).remove(QChar::Null).split(QLatin1Char('\n'));
    if (unclosed >= 0)
        fail("has a comment that never ends (it opens on line "
             + std::to_string(int(QStringView(text).first(unclosed).count(QLatin1Char('\n'))) + 1) + ")");
    const QStringList lines = text.split(QLatin1Char('\n'));

    const std::string notASkin = "is not a Drillix skin (it must begin with a [skin] section)";
    std::vector<Section> sections;
    bool sawSkin = false;
    std::optional<QString> format;
    Section *current = nullptr;
    for (int n = 1; n <= int(lines.size()); ++n) {
        const QString code = codes[n - 1].trimmed();
        const std::string where = " on line " + std::to_string(n);
        const Header header = readHeader(code);
        const QString &written = header.part;
        if (!sawSkin && !code.isEmpty() && written != QLatin1String("skin"))
            fail(notASkin);
        if (!written.isEmpty()) {
            const QString variant = header.variant.value_or(QString());
            if (written == QLatin1String("skin")) {
                if (sawSkin)
                    fail("has a second [skin] section" + where);
                if (header.variant)
                    fail("gives its [skin] section a variant" + where);
                sawSkin = true;
                continue;
            }
            const QString part = written == QLatin1String("colors") ? QStringLiteral("colours") : written;
            if (!QStringList{"controls", "colours", "metrics", "window"}.contains(part))
                fail("has an unknown section [" + written.toStdString() + "]" + where);
            const auto allowed = [](QChar c) {
                return c.unicode() < 128 && (c.isLetterOrNumber() || c == u'-' || c == u'_');
            };
            if (header.variant && (variant.isEmpty() || !std::all_of(variant.begin(), variant.end(), allowed)))
                fail("has a variant name that is not allowed (use letters, digits, '-' and '_')" + where);
            for (const Section &earlier : sections) {
                if (earlier.part == part && earlier.variant.compare(variant, Qt::CaseInsensitive) == 0)
                    fail("has " + sectionName(part, variant).toStdString() + " twice (lines "
                         + std::to_string(earlier.firstLine) + " and " + std::to_string(n) + ")");
            }
            current = &sections.emplace_back(Section{part, variant, {}, n, n});
        } else if (current) {
            // A rule here, written by habit, gets a message that says what belongs.
            if (current->part == QLatin1String("window") && (code.contains('{') || code.contains('}')))
                fail("has a rule in " + sectionName(current->part, current->variant).toStdString() + where
                     + "; it takes declarations only, such as \"background-color: #2f62a6;\"");
            current->text += lines[n - 1] + QLatin1Char('\n');
            current->lastLine = n;
        } else if (!code.isEmpty()) {
            const qsizetype equals = code.indexOf(QLatin1Char('='));
            if (equals <= 0)
                fail("has a line in [skin] that is not \"key = value\" (line " + std::to_string(n) + ")");
            const QString key = code.left(equals).trimmed().toLower();
            if (key == QLatin1String("format"))
                format = code.mid(equals + 1).trimmed();
            else if (key != QLatin1String("name"))
                fail("has an unknown setting \"" + key.toStdString() + "\" in [skin] (line " + std::to_string(n) + ")");
        }
    }
    if (!sawSkin)
        fail(notASkin);
    if (!format)
        fail("does not give its format (\"format = 1\" belongs in [skin])");
    if (*format != QLatin1String("1"))
        fail("is in format \"" + format->toStdString() + "\", which this program cannot read (it reads format 1)");
    return sections;
}

QString resolveStyleSheet(const Section &section, const PictureUrl &picture)
{
    // Qt turns a backslash and hex digits into their character before it
    // reads a sheet, even in strings and comments: a skin writes it itself.
    for (qsizetype at = section.text.indexOf(u'\\'); at >= 0; at = section.text.indexOf(u'\\', at + 1)) {
        if (at + 1 < section.text.size() && QStringView(u"0123456789abcdefABCDEF").contains(section.text[at + 1]))
            refuse(section, section.text, at, "an escape " + section.text.sliced(at, 2).toStdString(),
                   "; write the character itself");
    }
    const bool window = section.part == QLatin1String("window");
    qsizetype unclosed = -1;
    const QString code = blankComments(section.text, QLatin1Char(' '), &unclosed);
    SheetReader reader{.section = section, .code = code, .picture = picture, .line = section.firstLine + 1};
    // Declarations in [window] are no rules, and a '}' after them is no rule either.
    if (unclosed >= 0 || !(window ? reader.declarations() && reader.rules() : reader.rules())) {
        const QString lines = section.lastLine > section.firstLine
                                  ? QStringLiteral("lines %1 to %2").arg(section.firstLine).arg(section.lastLine)
                                  : QStringLiteral("line %1").arg(section.firstLine);
        fail("has a style-sheet error in " + sectionName(section.part, section.variant).toStdString() + " ("
             + lines.toStdString() + "): Qt cannot read it as style-sheet " + (window ? "declarations" : "rules"));
    }
    return reader.resolved + section.text.sliced(reader.copied);
}

} // namespace drillix::skinfile
