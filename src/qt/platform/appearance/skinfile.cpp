#include "qt/platform/appearance/skinfile.h"

#include "form/failure.h"

#include <QStringDecoder>
#include <QStringList>

#include <algorithm>
#include <optional>

namespace drillix {

namespace {

[[noreturn]] void fail(const std::string &what)
{
    throw Failure("Skin file " + what);
}

std::string lineText(int line)
{
    return "line " + std::to_string(line);
}

QString decodeText(const QByteArray &bytes)
{
    if (bytes.trimmed().isEmpty())
        fail("is empty");
    if (bytes.contains('\0'))
        fail("is not valid text (it holds binary data)");
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(bytes);
    if (decoder.hasError())
        fail("is not valid UTF-8 text");
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    return text;
}

// The line without its comments; a quoted "/*" opens none.
QString outsideComments(const QString &line, bool &inComment, int &openedOn, int lineNumber)
{
    QString code;
    for (qsizetype i = 0; i < line.size();) {
        if (inComment) {
            const qsizetype end = line.indexOf(QLatin1String("*/"), i);
            if (end < 0)
                break;
            inComment = false;
            code += QLatin1Char(' ');
            i = end + 2;
        } else if (QStringView(line).sliced(i).startsWith(QLatin1String("/*"))) {
            inComment = true;
            openedOn = lineNumber;
            i += 2;
        } else if (line[i] == QLatin1Char('"') || line[i] == QLatin1Char('\'')) {
            qsizetype j = i + 1;
            while (j < line.size() && line[j] != line[i])
                j += line[j] == QLatin1Char('\\') ? 2 : 1;
            j = std::min(j + 1, line.size());
            code += line.mid(i, j - i);
            i = j;
        } else {
            code += line[i++];
        }
    }
    return code;
}

bool isVariantCharacter(QChar c)
{
    return c.unicode() < 128 && (c.isLetterOrNumber() || c == QLatin1Char('-') || c == QLatin1Char('_'));
}

bool isNameCharacter(QChar c)
{
    return isVariantCharacter(c) || c.unicode() > 127;
}

struct Header {
    QString part;
    std::optional<QString> variant; // "[colours:]" gives an empty one
};

// "[part]" or "[part:variant]" alone on its line, spaces allowed around and
// inside the brackets; the part is ASCII letters only.
std::optional<Header> headerOf(const QString &code)
{
    const QStringView line = QStringView(code).trimmed();
    if (line.size() < 2 || line.front() != QLatin1Char('[') || line.back() != QLatin1Char(']'))
        return std::nullopt;
    const QStringView inside = line.sliced(1, line.size() - 2);
    const qsizetype colon = inside.indexOf(QLatin1Char(':'));
    const QStringView part = (colon < 0 ? inside : inside.first(colon)).trimmed();
    const auto isLetter = [](QChar c) { return c.unicode() < 128 && c.isLetter(); };
    if (part.isEmpty() || !std::all_of(part.begin(), part.end(), isLetter))
        return std::nullopt;
    if (colon < 0)
        return Header{part.toString().toLower(), std::nullopt};
    if (inside.sliced(colon + 1).contains(QLatin1Char(']')))
        return std::nullopt;
    return Header{part.toString().toLower(), inside.sliced(colon + 1).trimmed().toString()};
}

QString sectionName(const QString &part, const QString &variant)
{
    return QLatin1Char('[') + part + (variant.isEmpty() ? QString() : QLatin1Char(':') + variant) + QLatin1Char(']');
}

// Reads a style sheet's grammar without recursion, so that no nesting
// however deep can exhaust the stack, and hands each url() in a value to
// `picture` for the text that replaces it.
class SheetReader
{
public:
    SheetReader(const SkinFile::Section &section, const SkinFile::PictureUrl &picture)
        : m_text(section.text)
        , m_picture(picture)
        , m_line(section.firstLine + 1)
    {
    }

    bool rules()
    {
        while (skipSpace(), m_ok && m_at < m_text.size()) {
            m_ok = selectors() && declarations() && take('}');
        }
        return m_ok;
    }

    bool declarations()
    {
        while (skipSpace(), m_ok && m_at < m_text.size() && peek() != '}') {
            if (!take(';'))
                m_ok = name() && (skipSpace(), take(':')) && value();
        }
        return m_ok;
    }

    QString resolved() const { return m_resolved + m_text.sliced(m_copied).toString(); }

private:
    char16_t peek(qsizetype at) const { return at < m_text.size() ? m_text[at].unicode() : u'\0'; }
    char16_t peek() const { return peek(m_at); }
    bool take(char16_t c) { return peek() == c ? (++m_at, true) : false; }

    // Spaces and comments; an unclosed comment ends the reading.
    bool skipSpace()
    {
        const qsizetype from = m_at;
        while (m_ok && m_at < m_text.size()) {
            if (m_text[m_at].isSpace()) {
                ++m_at;
            } else if (m_text.sliced(m_at).startsWith(QLatin1String("/*"))) {
                const qsizetype end = m_text.indexOf(QLatin1String("*/"), m_at + 2);
                m_ok = end >= 0;
                m_at = m_ok ? end + 2 : m_text.size();
            } else {
                break;
            }
        }
        return m_at > from;
    }

    bool name()
    {
        const qsizetype from = m_at;
        while (m_at < m_text.size() && isNameCharacter(m_text[m_at]))
            ++m_at;
        return m_at > from;
    }

    // One past the quote that closes the one at `at`, or 0.
    qsizetype stringEnd(qsizetype at) const
    {
        const char16_t quote = peek(at++);
        while (at < m_text.size() && peek(at) != quote && peek(at) != '\n')
            at += peek(at) == '\\' ? 2 : 1;
        return peek(at) == quote ? at + 1 : 0;
    }

    bool string()
    {
        m_at = stringEnd(m_at);
        return m_at > 0;
    }

    // Compound selectors, such as QPushButton#PushButton1:hover:!pressed or
    // .QLabel[text="x"]::indicator, joined by spaces, > + ~ or commas, up to
    // the block's "{".
    bool selectors()
    {
        bool wantCompound = true;
        while (m_ok && !take('{')) {
            if (skipSpace())
                continue;
            if (take('>') || take('+') || take('~') || take(',')) {
                if (wantCompound)
                    return false;
                wantCompound = true;
                continue;
            }
            if (take(':')) {
                take(':');
                take('!');
                if (!name())
                    return false;
            } else if (take('#') || take('.')) {
                if (!name())
                    return false;
            } else if (take('[')) {
                if (!(skipSpace(), name()))
                    return false;
                skipSpace();
                if (QStringView(u"~|^$*").contains(QChar(peek())))
                    ++m_at;
                if (take('=') && !(skipSpace(), peek() == '"' || peek() == '\'' ? string() : name()))
                    return false;
                if (!(skipSpace(), take(']')))
                    return false;
            } else if (!name() && !take('*')) {
                return false;
            }
            wantCompound = false;
        }
        return m_ok && !wantCompound;
    }

    // Anything up to ';' or '}' outside brackets and strings, and not empty.
    bool value()
    {
        int depth = 0;
        bool any = false;
        while (skipSpace(), m_ok && m_at < m_text.size()) {
            const char16_t c = peek();
            if (depth == 0 && (c == ';' || c == '}'))
                break;
            if (c == '{' || (c == ')' && depth == 0))
                return false;
            if (c == '"' || c == '\'') {
                if (!string())
                    return false;
            } else if (!url()) {
                depth += c == '(' ? 1 : c == ')' ? -1 : 0;
                ++m_at;
            }
            any = true;
        }
        return m_ok && any && depth == 0;
    }

    // url(name) or url("name") closed on its line, as Qt reads one.
    bool url()
    {
        if (!m_text.sliced(m_at).startsWith(QLatin1String("url(")) || (m_at > 0 && isNameCharacter(m_text[m_at - 1])))
            return false;
        qsizetype at = m_at + 4;
        const auto skipBlank = [&] {
            while (at < m_text.size() && m_text[at].isSpace() && m_text[at] != QLatin1Char('\n'))
                ++at;
        };
        skipBlank();
        QStringView name;
        if (peek(at) == '"' || peek(at) == '\'') {
            const qsizetype end = stringEnd(at);
            if (end == 0)
                return false;
            name = m_text.sliced(at + 1, end - at - 2);
            at = end;
            skipBlank();
        } else {
            const qsizetype close = m_text.indexOf(QLatin1Char(')'), at);
            const qsizetype lineEnd = m_text.indexOf(QLatin1Char('\n'), at);
            if (close < 0 || (lineEnd >= 0 && lineEnd < close))
                return false;
            name = m_text.sliced(at, close - at).trimmed();
            at = close;
        }
        if (peek(at) != ')')
            return false;
        m_line += int(m_text.sliced(m_copied, m_at - m_copied).count(QLatin1Char('\n')));
        m_resolved += m_text.sliced(m_copied, m_at - m_copied).toString() + m_picture(name.toString(), m_line);
        m_copied = m_at = at + 1;
        return true;
    }

    QStringView m_text;
    const SkinFile::PictureUrl &m_picture;
    qsizetype m_at = 0;
    bool m_ok = true;
    QString m_resolved;
    qsizetype m_copied = 0;
    int m_line;
};

} // namespace

SkinFile SkinFile::parse(const QByteArray &bytes)
{
    QStringList lines = decodeText(bytes).split(QLatin1Char('\n'));
    QStringList codes;
    bool inComment = false;
    int commentOpenedOn = 0;
    for (QString &line : lines) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        codes.append(outsideComments(line, inComment, commentOpenedOn, int(codes.size()) + 1));
    }
    if (inComment)
        fail("has a comment that never ends (it opens on " + lineText(commentOpenedOn) + ")");

    SkinFile skin;
    bool sawHeader = false, inHeader = false;
    std::optional<QString> format;
    Section *current = nullptr;
    const std::string notASkin = "is not a Drillix skin (it must begin with a [skin] section)";
    for (int n = 1; n <= int(lines.size()); ++n) {
        const QString &raw = lines[n - 1];
        const QString &code = codes[n - 1];
        const std::string where = " on " + lineText(n);
        if (const std::optional<Header> header = headerOf(code)) {
            if (header->part == QLatin1String("skin")) {
                if (sawHeader)
                    fail("has a second [skin] section" + where);
                if (header->variant)
                    fail("gives its [skin] section a variant" + where);
                inHeader = sawHeader = true;
                continue;
            }
            if (!sawHeader)
                fail(notASkin);
            const QString part = header->part == QLatin1String("colors") ? QStringLiteral("colours") : header->part;
            if (!QStringList{"controls", "colours", "metrics", "window"}.contains(part))
                fail("has an unknown section [" + header->part.toStdString() + "]" + where);
            const QString variant = header->variant.value_or(QString());
            if (header->variant && (variant.isEmpty() || !std::all_of(variant.begin(), variant.end(), isVariantCharacter)))
                fail("has a variant name that is not allowed (use letters, digits, '-' and '_')" + where);
            for (const Section &earlier : skin.m_sections) {
                if (earlier.part == part && earlier.variant.compare(variant, Qt::CaseInsensitive) == 0)
                    fail("has " + sectionName(part, variant).toStdString() + " twice (lines "
                         + std::to_string(earlier.firstLine) + " and " + std::to_string(n) + ")");
            }
            inHeader = false;
            current = &skin.m_sections.emplace_back(Section{part, variant, {}, n, n});
            continue;
        }

        const QString trimmed = code.trimmed();
        if (current) {
            // A rule here, written by habit, gets a message that says what belongs.
            if (current->part == QLatin1String("window") && (trimmed.contains('{') || trimmed.contains('}')))
                fail("has a rule in " + sectionName(current->part, current->variant).toStdString() + where
                     + "; it takes declarations only, such as \"background-color: #2f62a6;\"");
            current->text += raw + QLatin1Char('\n');
            current->lastLine = n;
        } else if (inHeader && !trimmed.isEmpty()) {
            const qsizetype equals = trimmed.indexOf(QLatin1Char('='));
            if (equals <= 0)
                fail("has a line in [skin] that is not \"key = value\" (" + lineText(n) + ")");
            const QString key = trimmed.left(equals).trimmed().toLower();
            const QString value = trimmed.mid(equals + 1).trimmed();
            if (key == QLatin1String("format"))
                format = value;
            else if (key == QLatin1String("name"))
                skin.m_name = value;
            else
                fail("has an unknown setting \"" + key.toStdString() + "\" in [skin] (" + lineText(n) + ")");
        } else if (!inHeader && !trimmed.isEmpty()) {
            fail(notASkin);
        }
    }
    if (!sawHeader)
        fail(notASkin);
    if (!format)
        fail("does not give its format (\"format = 1\" belongs in [skin])");
    if (*format != QLatin1String("1"))
        fail("is in format \"" + format->toStdString() + "\", which this program cannot read (it reads format 1)");
    return skin;
}

QString SkinFile::resolveStyleSheet(const Section &section, const PictureUrl &picture)
{
    const bool window = section.part == QLatin1String("window");
    SheetReader reader(section, picture);
    if (!(window ? reader.declarations() && reader.rules() : reader.rules()))
        fail("has a style-sheet error in " + describe(section).toStdString() + ": Qt cannot read it as style-sheet "
             + (window ? "declarations" : "rules"));
    return reader.resolved();
}

QString SkinFile::describe(const Section &section)
{
    const QString name = sectionName(section.part, section.variant);
    if (section.lastLine > section.firstLine)
        return name + QStringLiteral(" (lines %1 to %2)").arg(section.firstLine).arg(section.lastLine);
    return name + QStringLiteral(" (line %1)").arg(section.firstLine);
}

} // namespace drillix
