#include "qt/appearance/qtskinengine.h"

#include "form/failure.h"
#include "qt/appearance/boundedfile.h"

#include <QApplication>
#include <QColor>
#include <QPalette>

#include <cstdio>

namespace drillix {

namespace {

// The window marks itself with this property, so that the [window]
// declarations reach it and none of its children.
constexpr char kWindowMark[] = "drillixSkinWindow";
// The window's own style sheet from before the first skin, kept so that
// applying again replaces the skin and keeps the rest.
constexpr char kOwnSheet[] = "drillixOwnStyleSheet";

QString windowRule(const QString &declarations)
{
    return QStringLiteral("*[%1=\"true\"] {\n%2}\n").arg(QLatin1String(kWindowMark), declarations);
}

// Qt tells of a style sheet it cannot parse only by a warning, and turns
// bare declarations into "* { ... }" without one. So the probe catches the
// warning, and also ends the sheet with a rule of its own that must still
// take effect: it does not when the sheet was rewrapped or swallowed it (an
// open brace or string).
constexpr char kSentinelName[] = "drillixSkinProbeSentinel";
const QColor kSentinelColour(0x0a, 0x1b, 0x2c);

class ParseWarningCatcher
{
public:
    ParseWarningCatcher() { s_previous = qInstallMessageHandler(&ParseWarningCatcher::handle); }
    ~ParseWarningCatcher() { qInstallMessageHandler(s_previous); }
    ParseWarningCatcher(const ParseWarningCatcher &) = delete;
    ParseWarningCatcher &operator=(const ParseWarningCatcher &) = delete;

    static inline bool s_caught = false;

private:
    static void handle(QtMsgType type, const QMessageLogContext &context, const QString &message)
    {
        if (message.startsWith(QLatin1String("Could not parse")) && message.contains(QLatin1String("stylesheet"))) {
            s_caught = true;
            return;
        }
        if (s_previous)
            s_previous(type, context, message);
        else
            std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, message)));
    }

    static inline QtMessageHandler s_previous = nullptr;
};

// Qt's parser recovers from some damage silently (an unclosed rule can
// swallow what follows, or not, depending on what comes after), so the
// shape is checked here first: comments and strings closed, braces
// balanced, and nothing but rules at the top level.
bool wellFormed(const QString &sheet)
{
    int depth = 0;
    bool textAtTop = false; // a selector waiting for its "{"
    const qsizetype n = sheet.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = sheet.at(i);
        if (c == QLatin1Char('/') && i + 1 < n && sheet.at(i + 1) == QLatin1Char('*')) {
            const qsizetype end = sheet.indexOf(QLatin1String("*/"), i + 2);
            if (end < 0)
                return false;
            i = end + 1;
        } else if (c == QLatin1Char('"') || c == QLatin1Char('\'')) {
            qsizetype j = i + 1;
            while (j < n && sheet.at(j) != c && sheet.at(j) != QLatin1Char('\n'))
                j += sheet.at(j) == QLatin1Char('\\') ? 2 : 1;
            if (j >= n || sheet.at(j) != c)
                return false;
            i = j;
            if (depth == 0)
                textAtTop = true;
        } else if (c == QLatin1Char('{')) {
            if (depth == 0 && !textAtTop)
                return false; // a block without a selector
            ++depth;
            textAtTop = false;
        } else if (c == QLatin1Char('}')) {
            if (--depth < 0)
                return false;
        } else if (depth == 0 && !c.isSpace()) {
            if (c == QLatin1Char(';') || (c == QLatin1Char(':') && !textAtTop))
                return false; // a declaration outside any rule
            textAtTop = true;
        }
    }
    return depth == 0 && !textAtTop;
}

bool styleSheetParses(const QString &sheet)
{
    if (!wellFormed(sheet))
        return false;
    ParseWarningCatcher catcher;
    ParseWarningCatcher::s_caught = false;
    QWidget probe;
    auto *sentinel = new QWidget(&probe);
    sentinel->setObjectName(QLatin1String(kSentinelName));
    probe.setStyleSheet(sheet + QStringLiteral("\nQWidget#%1 { color: %2; }\n")
                                    .arg(QLatin1String(kSentinelName), kSentinelColour.name()));
    sentinel->ensurePolished();
    return !ParseWarningCatcher::s_caught && sentinel->palette().color(QPalette::WindowText) == kSentinelColour;
}

} // namespace

void QtSkinEngine::registerWindow(std::int32_t handle, QWidget *window)
{
    if (window)
        m_windows[handle] = window;
    else
        m_windows.erase(handle);
}

void QtSkinEngine::loadSkin(const std::string &path, const std::string &section)
{
    m_skin.reset();
    if (!qobject_cast<QApplication *>(QCoreApplication::instance()))
        throw Failure("Skins need the application's window system, which is not running");

    SkinFile file = SkinFile::parse(readBoundedFile(QString::fromStdString(path), "Skin file", kFileLimit));
    const QString variant = QString::fromStdString(section).trimmed();
    if (!variant.isEmpty() && !file.hasVariant(variant))
        throw Failure("Skin file has no variant \"" + variant.toStdString() + "\"");

    for (const SkinFile::Section &s : file.sections()) {
        const QString sheet = s.part == SkinPart::Window ? windowRule(s.text) : s.text;
        if (!styleSheetParses(sheet)) {
            const char *expected = s.part == SkinPart::Window ? "declarations" : "rules";
            throw Failure("Skin file has a style-sheet error in " + SkinFile::describe(s).toStdString()
                          + ": Qt cannot read it as style-sheet " + expected);
        }
    }
    m_skin = Loaded{std::move(file), variant};
}

QString QtSkinEngine::skinName() const
{
    return m_skin ? m_skin->file.name() : QString();
}

QString QtSkinEngine::styleSheet() const
{
    if (!m_skin)
        throw Failure("Cannot apply the skin: no skin file has been loaded");
    const SkinFile &file = m_skin->file;
    const QString &variant = m_skin->variant;
    QString sheet;
    if (m_options & kSkinControls) {
        sheet += file.partText(SkinPart::Controls, variant);
        if (m_colours)
            sheet += file.partText(SkinPart::Colours, variant);
        if (m_metrics)
            sheet += file.partText(SkinPart::Metrics, variant);
    }
    if (m_options & kSkinWindow)
        sheet += windowRule(file.partText(SkinPart::Window, variant));
    return sheet;
}

void QtSkinEngine::applyWindow(std::int32_t windowHandle)
{
    const QString sheet = styleSheet();
    const auto found = m_windows.find(windowHandle);
    if (found == m_windows.end() || found->second.isNull())
        throw Failure("Cannot apply the skin: there is no window with handle " + std::to_string(windowHandle));

    QWidget *window = found->second;
    if (!window->property(kOwnSheet).isValid())
        window->setProperty(kOwnSheet, window->styleSheet());
    const QString own = window->property(kOwnSheet).toString();
    // The mark must be in place before the sheet, which reads it when it
    // polishes the window.
    window->setProperty(kWindowMark, true);
    // A second sheet set before the first was ever polished never reaches
    // the children (seen with Qt 6.4), so polish with the present one first.
    window->ensurePolished();
    window->setStyleSheet(own.isEmpty() ? sheet : own + QLatin1Char('\n') + sheet);
}

} // namespace drillix
