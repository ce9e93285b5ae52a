#include "qt/platform/appearance/qtskinengine.h"

#include "form/failure.h"
#include "qt/platform/appearance/pictures.h"
#include "qt/platform/appearance/skinfile.h"

#include <QDir>
#include <QFileInfo>
#include <QImageReader>
#include <QPixmapCache>
#include <QSet>

#include <algorithm>
#include <map>

namespace drillix {

namespace {

// The size Qt gives its pixmap cache unless told otherwise.
constexpr qint64 kUsualPixmapCache = 10 * 1024 * 1024;

// The skin's pictures, each checked the first time a url() names it.
class SkinPictures
{
public:
    explicit SkinPictures(const QString &folder)
        : m_folder(folder)
    {
    }

    // The section's text with every url() naming its picture by full path.
    QString resolve(const SkinFile::Section &section)
    {
        const QString &text = section.text;
        QString resolved;
        int line = section.firstLine + 1;
        qsizetype copied = 0;
        for (qsizetype i = 0; i < text.size();) {
            qsizetype next = i + 1;
            if (QStringView(text).sliced(i).startsWith(QLatin1String("/*"))) {
                const qsizetype end = text.indexOf(QLatin1String("*/"), i + 2);
                next = end < 0 ? text.size() : end + 2;
            } else if (text[i] == QLatin1Char('"') || text[i] == QLatin1Char('\'')) {
                next = quotedEnd(text, i);
            } else if (QStringView(text).sliced(i).startsWith(QLatin1String("url("))
                       && (i == 0 || !(text[i - 1].isLetterOrNumber() || text[i - 1] == QLatin1Char('-')
                                       || text[i - 1] == QLatin1Char('_')))) {
                QString name;
                if (const qsizetype end = argumentEnd(text, i + 4, name); end > 0) {
                    const QString path = QDir::cleanPath(QDir(m_folder).filePath(name));
                    check(path, line);
                    const QChar quote = path.contains(QLatin1Char('"')) ? QLatin1Char('\'') : QLatin1Char('"');
                    if (path.contains(quote))
                        throw Failure(where(path, line) + " has both kinds of quote in its name");
                    resolved += text.mid(copied, i - copied) + QLatin1String("url(") + quote + path + quote + ')';
                    copied = next = end;
                }
            }
            line += int(QStringView(text).sliced(i, next - i).count(QLatin1Char('\n')));
            i = next;
        }
        return resolved + text.mid(copied);
    }

    qint64 decodedBytes() const { return m_decodedBytes; }

private:
    static std::string where(const QString &path, int line)
    {
        return "Skin file picture " + path.toStdString() + " (line " + std::to_string(line) + ")";
    }

    // One past the quote that closes the one at `from`, or past the line.
    static qsizetype quotedEnd(const QString &text, qsizetype from)
    {
        qsizetype i = from + 1;
        while (i < text.size() && text[i] != text[from] && text[i] != QLatin1Char('\n'))
            i += text[i] == QLatin1Char('\\') ? 2 : 1;
        return std::min(i + 1, text.size());
    }

    // One past the ")" of a url whose argument starts at `from`, quoted or
    // not; 0 when it does not close on that line, which Qt reads as no url.
    static qsizetype argumentEnd(const QString &text, qsizetype from, QString &name)
    {
        qsizetype i = from;
        const auto skipSpace = [&] {
            while (i < text.size() && text[i].isSpace() && text[i] != QLatin1Char('\n'))
                ++i;
        };
        skipSpace();
        if (i < text.size() && (text[i] == QLatin1Char('"') || text[i] == QLatin1Char('\''))) {
            const qsizetype end = quotedEnd(text, i);
            if (text[end - 1] != text[i] || end - i < 2)
                return 0;
            name = text.mid(i + 1, end - i - 2);
            i = end;
            skipSpace();
        } else {
            const qsizetype close = text.indexOf(QLatin1Char(')'), i);
            const qsizetype lineEnd = text.indexOf(QLatin1Char('\n'), i);
            if (close < 0 || (lineEnd >= 0 && lineEnd < close))
                return 0;
            name = text.mid(i, close - i).trimmed();
            i = close;
        }
        return i < text.size() && text[i] == QLatin1Char(')') ? i + 1 : 0;
    }

    // Counts the picture at the larger of itself and its double-size sibling,
    // which Qt takes on high-resolution screens.
    void check(const QString &path, int line)
    {
        if (m_checked.contains(path))
            return;
        m_checked.insert(path);
        qint64 largest = 0;
        for (const QString &file : {path, doubleSizeName(path)}) {
            if (file != path && !QFileInfo::exists(file))
                continue;
            const std::string what = where(file, line);
            checkBoundedFile(file, what, QtSkinEngine::kDecodedPicturesLimit);
            QImageReader reader(file);
            const QSize size = reader.size();
            if (!size.isValid() || size.isEmpty())
                throw Failure(what + " is not a picture that Qt reads (" + reader.errorString().toStdString() + ")");
            const qint64 bytes = qint64(size.width()) * size.height() * 4;
            if (m_decodedBytes + bytes > QtSkinEngine::kDecodedPicturesLimit)
                throw Failure(what + " is " + std::to_string(size.width()) + " x " + std::to_string(size.height())
                              + " pixels, which brings the skin's pictures to " + describeSize(m_decodedBytes + bytes)
                              + " once decoded; the limit is " + describeSize(QtSkinEngine::kDecodedPicturesLimit));
            largest = std::max(largest, bytes);
        }
        m_decodedBytes += largest;
    }

    QString m_folder;
    QSet<QString> m_checked;
    qint64 m_decodedBytes = 0;
};

} // namespace

QtSkinEngine::QtSkinEngine(QWidget *window)
    : m_window(window)
{
}

void QtSkinEngine::applySkin(const std::string &path)
{
    const QString file = QString::fromStdString(path);
    const SkinFile skin = SkinFile::parse(readBoundedFile(file, "Skin file", kFileLimit));
    SkinPictures pictures(QFileInfo(file).absolutePath());
    std::map<QString, QString> applied;
    for (const SkinFile::Section &section : skin.sections()) {
        const QString text = pictures.resolve(section);
        SkinFile::checkStyleSheet(section);
        if (section.variant.isEmpty() && section.part != QLatin1String("window"))
            applied[section.part] = text;
    }
    m_name = skin.name();
    if (!m_window)
        return;
    const qint64 wantedKb = (kUsualPixmapCache + pictures.decodedBytes()) / 1024;
    if (pictures.decodedBytes() > 0 && QPixmapCache::cacheLimit() < wantedKb)
        QPixmapCache::setCacheLimit(int(wantedKb));
    // A second sheet set before the first was ever polished never reaches
    // the children (seen with Qt 6.4), so polish with the present one first.
    m_window->ensurePolished();
    m_window->setStyleSheet(applied[QStringLiteral("controls")] + applied[QStringLiteral("colours")]
                            + applied[QStringLiteral("metrics")]);
}

} // namespace drillix
