#include "qt/platform/appearance/stylesheetreader.h"

namespace drillix {

namespace {

bool isNameCharacter(QChar c)
{
    return c.isLetterOrNumber() || c == QLatin1Char('-') || c == QLatin1Char('_') || c.unicode() > 127;
}

// Reads a style sheet's grammar without recursion, so that no nesting
// however deep can exhaust the stack, and hands each url() in a value to
// `picture` for the text that replaces it.
class SheetReader
{
public:
    SheetReader(QStringView text, int firstLine, const PictureUrl &picture)
        : m_text(text)
        , m_picture(picture)
        , m_line(firstLine)
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
    const PictureUrl &m_picture;
    qsizetype m_at = 0;
    bool m_ok = true;
    QString m_resolved;
    qsizetype m_copied = 0;
    int m_line;
};

} // namespace

std::optional<QString> readStyleSheet(QStringView text, bool declarationsOnly, int firstLine, const PictureUrl &picture)
{
    SheetReader reader(text, firstLine, picture);
    if (declarationsOnly ? reader.declarations() && reader.rules() : reader.rules())
        return reader.resolved();
    return std::nullopt;
}

} // namespace drillix
