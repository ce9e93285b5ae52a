#include "qt/platform/qtmessageboxes.h"

#include <QMessageBox>

namespace drillix {

QString QtMessageBoxes::displayText(const std::string &text)
{
    return QString::fromStdString(text)
        .replace(QStringLiteral("\r\n"), QStringLiteral("\n"))
        .replace(QLatin1Char('\r'), QLatin1Char('\n'));
}

void QtMessageBoxes::show(const std::string &text, int style, const std::string &title)
{
    const QMessageBox::Icon icon = style == contract::kMsgBoxExclamation ? QMessageBox::Warning : QMessageBox::NoIcon;
    // Owned by no window: a skin applied to the main window must not
    // restyle the boxes, and start-up boxes come before any window.
    QMessageBox box(icon, QString::fromStdString(title), displayText(text), QMessageBox::Ok);
    box.setWindowModality(Qt::ApplicationModal);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

} // namespace drillix
