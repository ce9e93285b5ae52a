#include "qt/platform/qtshell.h"

#include <QProcess>
#include <QStringList>

namespace drillix {

void QtShell::run(const std::string &commandLine)
{
    QStringList words = QProcess::splitCommand(QString::fromStdString(commandLine));
    if (words.isEmpty())
        throw Failure("Invalid procedure call or argument");
    QString program = words.takeFirst();
    if (program.compare(QLatin1String("explorer"), Qt::CaseInsensitive) == 0)
        program = QStringLiteral("xdg-open");
    if (!QProcess::startDetached(program, words))
        throw Failure("File not found: " + program.toStdString());
}

} // namespace drillix
