#include "qt/platform/appearance/skinfile.h"

#include "core/platform.h"

#include <QStringDecoder>

#include <algorithm>
#include <optional>

namespace drillix {

namespace {

std::string lineText(int line)
{
    return "line " + std::to_string(line);
}

[[noreturn]] void fail(const std::string &what)
{
    throw Failure("Skin file " + what);
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

// Splits the text into lines and, for each, the part outside comments, so
// that headers and settings are only looked for there. Quoted strings are
// copied whole: "/*" inside one opens no comment.
struct Line {
    QString raw;
    QString code;
};

std::vector<Line> scanLines(const QString &text)
{
    std::vector<Line> lines;
    bool inComment = false;
    int commentOpenedOn = 0;
    const QStringList rawLines = text.split(QLatin1Char('\n'));
    for (qsizetype n = 0; n < rawLines.size(); ++n) {
        QString raw = rawLines[n];
        if (raw.endsWith(QLatin1Char('\r')))
            raw.chop(1);
        QString code;
        for (qsizetype i = 0; i < raw.size();) {
            if (inComment) {
                const qsizetype end = raw.indexOf(QLatin1String("*/"), i);
                if (end < 0)
                    break;
                inComment = false;
                code += QLatin1Char(' ');
                i = end + 2;
            } else if (raw.mid(i, 2) == QLatin1String("/*")) {
                inComment = true;
                commentOpenedOn = int(n) + 1;
                i += 2;
            } else if (raw[i] == QLatin1Char('"') || raw[i] == QLatin1Char('\'')) {
                const QChar quote = raw[i];
                qsizetype j = i + 1;
                while (j < raw.size() && raw[j] != quote)
                    j += raw[j] == QLatin1Char('\\') ? 2 : 1;
                j = std::min(j + 1, raw.size());
                code += raw.mid(i, j - i);
                i = j;
            } else {
                code += raw[i++];
            }
        }
        lines.push_back({raw, code});
    }
    if (inComment)
        fail("has a comment that never ends (it opens on " + lineText(commentOpenedOn) + ")");
    return lines;
}

struct Header {
    QString part;
    QString variant;
    bool variantGiven = false; // "[colours:]" gives an empty one
};

bool isAsciiLetter(QChar c)
{
    return (c >= QLatin1Char('a') && c <= QLatin1Char('z')) || (c >= QLatin1Char('A') && c <= QLatin1Char('Z'));
}

// "[part]" or "[part:variant]" alone on its line, with spaces allowed
// around and inside the brackets; the part is letters only and the variant
// holds no "]".
std::optional<Header> headerOf(const QString &code)
{
    const QStringView line = QStringView(code).trimmed();
    if (line.size() < 2 || line.front() != QLatin1Char('[') || line.back() != QLatin1Char(']'))
        return std::nullopt;
    const QStringView inside = line.sliced(1, line.size() - 2);
    const qsizetype colon = inside.indexOf(QLatin1Char(':'));
    const QStringView part = (colon < 0 ? inside : inside.first(colon)).trimmed();
    if (part.isEmpty() || !std::all_of(part.begin(), part.end(), isAsciiLetter))
        return std::nullopt;
    if (colon < 0)
        return Header{part.toString().toLower(), QString(), false};
    const QStringView variant = inside.sliced(colon + 1);
    if (variant.contains(QLatin1Char(']')))
        return std::nullopt;
    return Header{part.toString().toLower(), variant.trimmed().toString(), true};
}

bool isVariantName(const QString &name)
{
    return !name.isEmpty() && std::all_of(name.begin(), name.end(), [](QChar c) {
        return isAsciiLetter(c) || (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || c == QLatin1Char('_')
               || c == QLatin1Char('-');
    });
}

std::optional<SkinPart> partNamed(const QString &name)
{
    if (name == QLatin1String("controls"))
        return SkinPart::Controls;
    if (name == QLatin1String("colours") || name == QLatin1String("colors"))
        return SkinPart::Colours;
    if (name == QLatin1String("metrics"))
        return SkinPart::Metrics;
    if (name == QLatin1String("window"))
        return SkinPart::Window;
    return std::nullopt;
}

QString partName(SkinPart part)
{
    switch (part) {
    case SkinPart::Controls:
        return QStringLiteral("controls");
    case SkinPart::Colours:
        return QStringLiteral("colours");
    case SkinPart::Metrics:
        return QStringLiteral("metrics");
    case SkinPart::Window:
        return QStringLiteral("window");
    }
    return {};
}

QString sectionName(SkinPart part, const QString &variant)
{
    return QLatin1Char('[') + partName(part) + (variant.isEmpty() ? QString() : QLatin1Char(':') + variant)
           + QLatin1Char(']');
}

bool sameVariant(const QString &a, const QString &b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

} // namespace

SkinFile SkinFile::parse(const QByteArray &bytes)
{
    const std::vector<Line> lines = scanLines(decodeText(bytes));

    SkinFile skin;
    bool inHeader = false;
    bool sawHeader = false;
    std::optional<QString> format;
    Section *current = nullptr;
    int lineNumber = 0;
    for (const Line &line : lines) {
        ++lineNumber;
        if (const std::optional<Header> header = headerOf(line.code)) {
            const std::string where = " on " + lineText(lineNumber);
            if (header->part == QLatin1String("skin")) {
                if (sawHeader)
                    fail("has a second [skin] section" + where);
                if (header->variantGiven)
                    fail("gives its [skin] section a variant" + where);
                inHeader = sawHeader = true;
                continue;
            }
            if (!sawHeader)
                fail("is not a Drillix skin (it must begin with a [skin] section)");
            const std::optional<SkinPart> part = partNamed(header->part);
            if (!part)
                fail("has an unknown section [" + header->part.toStdString() + "]" + where);
            if (header->variantGiven && !isVariantName(header->variant))
                fail("has a variant name that is not allowed (use letters, digits, '-' and '_')" + where);
            for (const Section &earlier : skin.m_sections) {
                if (earlier.part == *part && sameVariant(earlier.variant, header->variant))
                    fail("has " + sectionName(*part, header->variant).toStdString() + " twice (lines "
                         + std::to_string(earlier.firstLine) + " and " + std::to_string(lineNumber) + ")");
            }
            inHeader = false;
            skin.m_sections.push_back({*part, header->variant, {}, lineNumber, lineNumber});
            current = &skin.m_sections.back();
            continue;
        }

        const QString code = line.code.trimmed();
        // Qt's parser quietly skips a rule inside declarations.
        if (current && current->part == SkinPart::Window
            && (code.contains(QLatin1Char('{')) || code.contains(QLatin1Char('}'))))
            fail("has a rule in " + sectionName(current->part, current->variant).toStdString() + " on "
                 + lineText(lineNumber) + "; it takes declarations only, such as \"background-color: #2f62a6;\"");
        if (current) {
            current->text += line.raw + QLatin1Char('\n');
            current->lastLine = lineNumber;
        } else if (inHeader) {
            if (code.isEmpty())
                continue;
            const qsizetype equals = code.indexOf(QLatin1Char('='));
            if (equals <= 0)
                fail("has a line in [skin] that is not \"key = value\" (" + lineText(lineNumber) + ")");
            const QString key = code.left(equals).trimmed().toLower();
            const QString value = code.mid(equals + 1).trimmed();
            if (key == QLatin1String("format"))
                format = value;
            else if (key == QLatin1String("name"))
                skin.m_name = value;
            else
                fail("has an unknown setting \"" + key.toStdString() + "\" in [skin] (" + lineText(lineNumber) + ")");
        } else if (!code.isEmpty()) {
            fail("is not a Drillix skin (it must begin with a [skin] section)");
        }
    }

    if (!sawHeader)
        fail("is not a Drillix skin (it must begin with a [skin] section)");
    if (!format)
        fail("does not give its format (\"format = 1\" belongs in [skin])");
    if (*format != QLatin1String("1"))
        fail("is in format \"" + format->toStdString() + "\", which this program cannot read (it reads format 1)");
    return skin;
}

QString SkinFile::describe(const Section &section)
{
    const QString name = sectionName(section.part, section.variant);
    if (section.lastLine > section.firstLine)
        return name + QStringLiteral(" (lines %1 to %2)").arg(section.firstLine).arg(section.lastLine);
    return name + QStringLiteral(" (line %1)").arg(section.firstLine);
}

} // namespace drillix
