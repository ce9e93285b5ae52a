#include "qt/platform/appearance/skinfile.h"

#include "core/platform.h"
#include "qt/platform/appearance/stylesheetreader.h"

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
    const std::optional<QString> resolved = readStyleSheet(section.text, window, section.firstLine + 1, picture);
    if (!resolved)
        fail("has a style-sheet error in " + describe(section).toStdString() + ": Qt cannot read it as style-sheet "
             + (window ? "declarations" : "rules"));
    return *resolved;
}

QString SkinFile::describe(const Section &section)
{
    const QString name = sectionName(section.part, section.variant);
    if (section.lastLine > section.firstLine)
        return name + QStringLiteral(" (lines %1 to %2)").arg(section.firstLine).arg(section.lastLine);
    return name + QStringLiteral(" (line %1)").arg(section.firstLine);
}

} // namespace drillix
