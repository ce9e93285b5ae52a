#include "qt/platform/appearance/skinfile.h"

#include "core/platform.h"

#include <QRegularExpression>
#include <QStringDecoder>
#include <QStringList>

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
    // Stateless, so that a sequence cut short at the end is an error too.
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(bytes);
    if (decoder.hasError())
        fail("is not valid UTF-8 text");
    return text;
}

// The text with its comments blanked out and their line breaks kept, so
// that lines and positions still match the text; a quoted "/*" opens none,
// and a string ends at its quote or its line. *unclosed is where a comment
// that never ends opens, or -1.
QString blankComments(QString text, qsizetype *unclosed)
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
            for (qsizetype k = i; k < end + 2; ++k) {
                if (text[k] != QLatin1Char('\n'))
                    text[k] = QLatin1Char(' ');
            }
            i = end + 1;
        }
    }
    return text;
}

QString sectionName(const QString &part, const QString &variant)
{
    return QLatin1Char('[') + part + (variant.isEmpty() ? QString() : QLatin1Char(':') + variant) + QLatin1Char(']');
}

bool isNameCharacter(QChar c)
{
    return c.isLetterOrNumber() || c == QLatin1Char('-') || c == QLatin1Char('_') || c.unicode() > 127;
}

// Reads a style sheet's grammar in `code`, the text with its comments
// blanked out, without recursion, so that no nesting however deep can
// exhaust the stack; copies the text with `picture` standing for each url()
// in a value.
class SheetReader
{
public:
    SheetReader(QStringView text, QStringView code, int firstLine, const PictureUrl &picture)
        : m_text(text)
        , m_code(code)
        , m_picture(picture)
        , m_line(firstLine)
    {
    }

    bool rules()
    {
        while (skipSpace(), m_at < m_code.size()) {
            if (!(selectors() && declarations() && take('}')))
                return false;
        }
        return true;
    }

    bool declarations()
    {
        while (skipSpace(), m_at < m_code.size() && peek() != '}') {
            if (!take(';') && !(name() && (skipSpace(), take(':')) && value()))
                return false;
        }
        return true;
    }

    QString resolved() const { return m_resolved + m_text.sliced(m_copied).toString(); }

private:
    char16_t peek(qsizetype at) const { return at < m_code.size() ? m_code[at].unicode() : u'\0'; }
    char16_t peek() const { return peek(m_at); }
    bool take(char16_t c) { return peek() == c ? (++m_at, true) : false; }

    bool skipSpace()
    {
        const qsizetype from = m_at;
        while (m_at < m_code.size() && m_code[m_at].isSpace())
            ++m_at;
        return m_at > from;
    }

    bool name()
    {
        const qsizetype from = m_at;
        while (m_at < m_code.size() && isNameCharacter(m_code[m_at]))
            ++m_at;
        return m_at > from;
    }

    // One past the quote that closes the one at `at`, or 0.
    qsizetype stringEnd(qsizetype at) const
    {
        const char16_t quote = peek(at++);
        while (at < m_code.size() && peek(at) != quote && peek(at) != '\n')
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
        while (!take('{')) {
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
        return !wantCompound;
    }

    // Anything up to ';' or '}' outside brackets and strings, and not empty.
    bool value()
    {
        int depth = 0;
        bool any = false;
        while (skipSpace(), m_at < m_code.size()) {
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
        return any && depth == 0;
    }

    // url(name) or url("name") closed on its line, as Qt reads one.
    bool url()
    {
        if (!m_code.sliced(m_at).startsWith(QLatin1String("url(")) || (m_at > 0 && isNameCharacter(m_code[m_at - 1])))
            return false;
        qsizetype at = m_at + 4;
        const auto skipBlank = [&] {
            while (at < m_code.size() && m_code[at].isSpace() && m_code[at] != QLatin1Char('\n'))
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
            const qsizetype close = m_code.indexOf(QLatin1Char(')'), at);
            const qsizetype lineEnd = m_code.indexOf(QLatin1Char('\n'), at);
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
    QStringView m_code;
    const PictureUrl &m_picture;
    qsizetype m_at = 0;
    QString m_resolved;
    qsizetype m_copied = 0;
    int m_line;
};

} // namespace

SkinFile SkinFile::parse(const QByteArray &bytes)
{
    const QString text = decodeText(bytes);
    qsizetype unclosed = -1;
    const QStringList codes = blankComments(text, &unclosed).split(QLatin1Char('\n'));
    if (unclosed >= 0)
        fail("has a comment that never ends (it opens on "
             + lineText(int(QStringView(text).first(unclosed).count(QLatin1Char('\n'))) + 1) + ")");
    const QStringList lines = text.split(QLatin1Char('\n'));

    // "[part]" or "[part:variant]", spaces allowed around and inside the
    // brackets; the part is ASCII letters only.
    static const QRegularExpression headerPattern(QStringLiteral(R"(^\[\s*([A-Za-z]+)\s*(?::([^\]]*))?\]$)"));
    static const QRegularExpression variantPattern(QStringLiteral("^[A-Za-z0-9_-]+$"));
    const std::string notASkin = "is not a Drillix skin (it must begin with a [skin] section)";
    SkinFile skin;
    bool sawSkin = false;
    std::optional<QString> format;
    Section *current = nullptr;
    for (int n = 1; n <= int(lines.size()); ++n) {
        const QString code = codes[n - 1].trimmed();
        const std::string where = " on " + lineText(n);
        if (const QRegularExpressionMatch header = headerPattern.match(code); header.hasMatch()) {
            const QString written = header.captured(1).toLower();
            const QString variant = header.captured(2).trimmed();
            if (written == QLatin1String("skin")) {
                if (sawSkin)
                    fail("has a second [skin] section" + where);
                if (header.hasCaptured(2))
                    fail("gives its [skin] section a variant" + where);
                sawSkin = true;
                continue;
            }
            if (!sawSkin)
                fail(notASkin);
            const QString part = written == QLatin1String("colors") ? QStringLiteral("colours") : written;
            if (!QStringList{"controls", "colours", "metrics", "window"}.contains(part))
                fail("has an unknown section [" + written.toStdString() + "]" + where);
            if (header.hasCaptured(2) && !variantPattern.match(variant).hasMatch())
                fail("has a variant name that is not allowed (use letters, digits, '-' and '_')" + where);
            for (const Section &earlier : skin.m_sections) {
                if (earlier.part == part && earlier.variant.compare(variant, Qt::CaseInsensitive) == 0)
                    fail("has " + sectionName(part, variant).toStdString() + " twice (lines "
                         + std::to_string(earlier.firstLine) + " and " + std::to_string(n) + ")");
            }
            current = &skin.m_sections.emplace_back(Section{part, variant, {}, n, n});
        } else if (current) {
            // A rule here, written by habit, gets a message that says what belongs.
            if (current->part == QLatin1String("window") && (code.contains('{') || code.contains('}')))
                fail("has a rule in " + sectionName(current->part, current->variant).toStdString() + where
                     + "; it takes declarations only, such as \"background-color: #2f62a6;\"");
            current->text += lines[n - 1] + QLatin1Char('\n');
            current->lastLine = n;
        } else if (!code.isEmpty()) {
            if (!sawSkin)
                fail(notASkin);
            const qsizetype equals = code.indexOf(QLatin1Char('='));
            if (equals <= 0)
                fail("has a line in [skin] that is not \"key = value\" (" + lineText(n) + ")");
            const QString key = code.left(equals).trimmed().toLower();
            if (key == QLatin1String("format"))
                format = code.mid(equals + 1).trimmed();
            else if (key != QLatin1String("name"))
                fail("has an unknown setting \"" + key.toStdString() + "\" in [skin] (" + lineText(n) + ")");
        }
    }
    if (!sawSkin)
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
    qsizetype unclosed = -1;
    const QString code = blankComments(section.text, &unclosed);
    SheetReader reader(section.text, code, section.firstLine + 1, picture);
    // Declarations in [window] are no rules, and a '}' after them is no rule either.
    if (unclosed >= 0 || !(window ? reader.declarations() && reader.rules() : reader.rules()))
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
