#include "qt/platform/appearance/stylesheetchecker.h"

#include <QColor>
#include <QPalette>
#include <QWidget>

namespace drillix {

namespace {

constexpr char kSentinelName[] = "drillixSkinProbeSentinel";
const QColor kSentinelColour(0x0a, 0x1b, 0x2c);

// Comments and strings closed, braces balanced, and nothing but rules at
// the top level: an unclosed rule can swallow what follows, or not,
// depending on what comes after, without a warning.
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

} // namespace

StyleSheetChecker::StyleSheetChecker()
{
    s_previousHandler = qInstallMessageHandler(&StyleSheetChecker::handleMessage);
}

StyleSheetChecker::~StyleSheetChecker()
{
    qInstallMessageHandler(s_previousHandler);
}

bool StyleSheetChecker::parses(const QString &sheet)
{
    if (!wellFormed(sheet))
        return false;
    s_parseWarningSeen = false;
    QWidget probe;
    auto *sentinel = new QWidget(&probe);
    sentinel->setObjectName(QLatin1String(kSentinelName));
    probe.setStyleSheet(sheet + QStringLiteral("\nQWidget#%1 { color: %2; }\n")
                                    .arg(QLatin1String(kSentinelName), kSentinelColour.name()));
    sentinel->ensurePolished();
    return !s_parseWarningSeen && sentinel->palette().color(QPalette::WindowText) == kSentinelColour;
}

bool StyleSheetChecker::opensWithAtRule(const QString &sheet)
{
    qsizetype i = 0;
    while (i < sheet.size()) {
        const QStringView rest = QStringView(sheet).sliced(i);
        if (rest.front().isSpace()) {
            ++i;
        } else if (rest.startsWith(QLatin1String("/*"))) {
            const qsizetype end = sheet.indexOf(QLatin1String("*/"), i + 2);
            if (end < 0)
                return false;
            i = end + 2;
        } else if (rest.startsWith(QLatin1String("<!--"))) {
            i += 4;
        } else if (rest.startsWith(QLatin1String("-->"))) {
            i += 3;
        } else {
            return rest.front() == QLatin1Char('@');
        }
    }
    return false;
}

void StyleSheetChecker::handleMessage(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (message.startsWith(QLatin1String("Could not parse")) && message.contains(QLatin1String("stylesheet"))) {
        s_parseWarningSeen = true;
        return;
    }
    if (s_previousHandler)
        s_previousHandler(type, context, message);
}

} // namespace drillix
