#include "qt/platform/qtmessageboxes.h"

#include <QMessageBox>

namespace drillix {

QString QtMessageBoxes::displayText(const std::string &text)
{
    QString s = QString::fromStdString(text);
    s.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    s.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return s;
}

int QtMessageBoxes::show(const std::string &text, int style, const std::string &title)
{
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    switch (style & contract::kMsgBoxIconBits) {
    case contract::kMsgBoxCritical:
        icon = QMessageBox::Critical;
        break;
    case contract::kMsgBoxQuestion:
        icon = QMessageBox::Question;
        break;
    case contract::kMsgBoxExclamation:
        icon = QMessageBox::Warning;
        break;
    case contract::kMsgBoxInformation:
        icon = QMessageBox::Information;
        break;
    default:
        break;
    }
    // Owned by no window: a skin applied to the main window must not
    // restyle the boxes, and start-up boxes come before any window.
    QMessageBox box(icon, QString::fromStdString(title), displayText(text), QMessageBox::Ok);
    box.setWindowModality(Qt::ApplicationModal);
    box.setTextFormat(Qt::PlainText);
    box.exec();
    return contract::kMsgBoxResultOk;
}

} // namespace drillix
