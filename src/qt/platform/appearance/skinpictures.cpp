#include "qt/platform/appearance/skinpictures.h"

#include "core/platform.h"
#include "qt/platform/appearance/boundedfile.h"

#include <QDir>
#include <QIcon>
#include <QImageReader>
#include <QPixmapCache>

#include <algorithm>
#include <optional>

namespace drillix {

namespace {

// The size Qt gives its pixmap cache unless told otherwise.
constexpr qint64 kUsualPixmapCache = 10 * 1024 * 1024;
// Qt picks "name@Nx.png" for screens up to this ratio; higher ones are not
// made.
constexpr int kHighestScreenRatio = 4;

bool isNameCharacter(QChar c)
{
    return c.isLetterOrNumber() || c == QLatin1Char('-') || c == QLatin1Char('_');
}

// Where the quote or comment that starts at `from` ends (one past it), or
// the text's end when it never does.
qsizetype skipQuoted(const QString &text, qsizetype from)
{
    const QChar quote = text.at(from);
    qsizetype i = from + 1;
    while (i < text.size() && text.at(i) != quote && text.at(i) != QLatin1Char('\n'))
        i += text.at(i) == QLatin1Char('\\') ? 2 : 1;
    return std::min(i + 1, text.size());
}

qsizetype skipComment(const QString &text, qsizetype from)
{
    const qsizetype end = text.indexOf(QLatin1String("*/"), from + 2);
    return end < 0 ? text.size() : end + 2;
}

struct UrlArgument {
    QString name;
    qsizetype end = 0; // one past the closing parenthesis
};

// What stands between "url(" and ")", quoted or not; nothing when the
// parenthesis never closes on that line, which Qt does not read as a url.
std::optional<UrlArgument> urlArgument(const QString &text, qsizetype open)
{
    qsizetype i = open;
    auto skipSpace = [&] {
        while (i < text.size() && text.at(i).isSpace() && text.at(i) != QLatin1Char('\n'))
            ++i;
    };
    skipSpace();
    QString name;
    if (i < text.size() && (text.at(i) == QLatin1Char('"') || text.at(i) == QLatin1Char('\''))) {
        const qsizetype end = skipQuoted(text, i);
        if (text.at(end - 1) != text.at(i) || end - i < 2)
            return std::nullopt;
        name = text.mid(i + 1, end - i - 2);
        i = end;
        skipSpace();
    } else {
        const qsizetype close = text.indexOf(QLatin1Char(')'), i);
        const qsizetype lineEnd = text.indexOf(QLatin1Char('\n'), i);
        if (close < 0 || (lineEnd >= 0 && lineEnd < close))
            return std::nullopt;
        name = text.mid(i, close - i).trimmed();
        i = close;
    }
    if (i >= text.size() || text.at(i) != QLatin1Char(')'))
        return std::nullopt;
    return UrlArgument{name, i + 1};
}

std::string where(const QString &path, int line)
{
    return "Skin file picture " + path.toStdString() + " (line " + std::to_string(line) + ")";
}

} // namespace

SkinPictures::SkinPictures(QString folder)
    : m_folder(std::move(folder))
{
}

QString SkinPictures::resolve(const SkinFile::Section &section)
{
    static const QLatin1String opening("url(");
    const QString &text = section.text;
    QString resolved;
    int line = section.firstLine + 1;
    qsizetype copied = 0;
    for (qsizetype i = 0; i < text.size();) {
        const QChar c = text.at(i);
        qsizetype next = i + 1;
        if (c == QLatin1Char('/') && text.mid(i, 2) == QLatin1String("/*")) {
            next = skipComment(text, i);
        } else if (c == QLatin1Char('"') || c == QLatin1Char('\'')) {
            next = skipQuoted(text, i);
        } else if (QStringView(text).mid(i, opening.size()) == opening
                   && (i == 0 || !isNameCharacter(text.at(i - 1)))) {
            if (const std::optional<UrlArgument> argument = urlArgument(text, i + opening.size())) {
                const QString path = QDir::cleanPath(QDir(m_folder).filePath(argument->name));
                check(path, line);
                const QChar quote = path.contains(QLatin1Char('"')) ? QLatin1Char('\'') : QLatin1Char('"');
                if (path.contains(quote))
                    throw Failure(where(path, line) + " has both kinds of quote in its name");
                resolved += text.mid(copied, i - copied) + opening + quote + path + quote + QLatin1Char(')');
                copied = next = argument->end;
            }
        }
        line += int(QStringView(text).mid(i, next - i).count(QLatin1Char('\n')));
        i = next;
    }
    return resolved + text.mid(copied);
}

void SkinPictures::check(const QString &path, int line)
{
    if (m_checked.contains(path))
        return;
    m_checked.insert(path);

    // The plain picture, then each variant Qt would take at a higher ratio.
    QStringList variants{path};
    for (int ratio = 2; ratio <= kHighestScreenRatio; ++ratio) {
        const QString variant = qt_findAtNxFile(path, ratio);
        if (!variants.contains(variant))
            variants.append(variant);
    }
    qint64 largest = 0;
    for (const QString &variant : variants) {
        const std::string what = where(variant, line);
        checkBoundedFile(variant, what, kDecodedLimit);
        QImageReader reader(variant);
        const QSize size = reader.size();
        if (!size.isValid() || size.isEmpty())
            throw Failure(what + " is not a picture that Qt reads (" + reader.errorString().toStdString() + ")");
        const qint64 bytes = qint64(size.width()) * size.height() * 4;
        if (m_decodedBytes + bytes > kDecodedLimit)
            throw Failure(what + " is " + std::to_string(size.width()) + " x " + std::to_string(size.height())
                          + " pixels, which brings the skin's pictures to " + describeSize(m_decodedBytes + bytes)
                          + " once decoded; the limit is " + describeSize(kDecodedLimit));
        largest = std::max(largest, bytes);
    }
    m_decodedBytes += largest;
}

void SkinPictures::makeRoomInPixmapCache(qint64 pictureBytes)
{
    const qint64 wantedKb = (kUsualPixmapCache + pictureBytes) / 1024;
    if (pictureBytes > 0 && QPixmapCache::cacheLimit() < wantedKb)
        QPixmapCache::setCacheLimit(int(wantedKb));
}

} // namespace drillix
