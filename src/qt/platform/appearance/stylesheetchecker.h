#pragma once

// Whether Qt's style-sheet parser reads a text as rules, all of it. Qt
// tells of a sheet it cannot parse only by a warning, recovers from some
// damage silently and turns bare declarations into "* { ... }", so the
// checker tests the sheet's shape itself, catches the warning while Qt
// parses it on a hidden widget, and ends the sheet with a rule of its own
// that must still take effect.
//
// GUI thread only, with a QApplication running.

#include <QString>

namespace drillix {

class StyleSheetChecker
{
public:
    // Stands in for the application's message handler while it lives.
    StyleSheetChecker();
    ~StyleSheetChecker();
    StyleSheetChecker(const StyleSheetChecker &) = delete;
    StyleSheetChecker &operator=(const StyleSheetChecker &) = delete;

    bool parses(const QString &sheet);

    // Whether the sheet's first rule, past spaces, comments and HTML
    // comment marks, is an at-rule ("@import", "@media", ...).
    static bool opensWithAtRule(const QString &sheet);

private:
    static void handleMessage(QtMsgType type, const QMessageLogContext &context, const QString &message);

    static inline QtMessageHandler s_previousHandler = nullptr;
    static inline bool s_parseWarningSeen = false;
};

} // namespace drillix
