#include "qt/platform/qtshell.h"

#include "core/platform.h"

#include <QProcess>
#include <QStringList>

namespace drillix {

std::vector<std::string> QtShell::splitCommandLine(const std::string &commandLine)
{
    std::vector<std::string> words;
    std::string word;
    bool quoted = false;
    bool inWord = false;
    for (char c : commandLine) {
        if (c == '"') {
            quoted = !quoted;
            inWord = true;
        } else if (c == ' ' && !quoted) {
            if (inWord)
                words.push_back(word);
            word.clear();
            inWord = false;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (inWord)
        words.push_back(word);
    return words;
}

void QtShell::run(const std::string &commandLine, int windowStyle)
{
    (void)windowStyle; // the opener decides how its window shows
    std::vector<std::string> words = splitCommandLine(commandLine);
    if (words.empty())
        throw Failure("Invalid procedure call or argument");
    QString program = QString::fromStdString(words.front());
    if (program.compare(QLatin1String("explorer"), Qt::CaseInsensitive) == 0)
        program = QStringLiteral("xdg-open");
    QStringList arguments;
    for (std::size_t i = 1; i < words.size(); ++i)
        arguments << QString::fromStdString(words[i]);
    if (!QProcess::startDetached(program, arguments))
        throw Failure("File not found: " + program.toStdString());
}

} // namespace drillix
