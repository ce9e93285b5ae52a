#include "qt/platform/qtmessageboxes.h"

#include <QMessageBox>

namespace drillix {

namespace {

QMessageBox::Icon iconOf(int style)
{
    switch (style & contract::kMsgBoxIconBits) {
    case contract::kMsgBoxCritical:
        return QMessageBox::Critical;
    case contract::kMsgBoxQuestion:
        return QMessageBox::Question;
    case contract::kMsgBoxExclamation:
        return QMessageBox::Warning;
    case contract::kMsgBoxInformation:
        return QMessageBox::Information;
    default:
        return QMessageBox::NoIcon;
    }
}

} // namespace

QString QtMessageBoxes::displayText(const std::string &text)
{
    return QString::fromStdString(text)
        .replace(QStringLiteral("\r\n"), QStringLiteral("\n"))
        .replace(QLatin1Char('\r'), QLatin1Char('\n'));
}

void QtMessageBoxes::show(const std::string &text, int style, const std::string &title)
{
    // Owned by no window: a skin applied to the main window must not
    // restyle the boxes, and start-up boxes come before any window.
    QMessageBox box(iconOf(style), QString::fromStdString(title), displayText(text), QMessageBox::Ok);
    box.setWindowModality(Qt::ApplicationModal);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

} // namespace drillix
