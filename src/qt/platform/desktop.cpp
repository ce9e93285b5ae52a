#include "qt/platform/desktop.h"

#include "core/contract.h"

#include <QFileInfo>
#include <QFontDatabase>
#include <QMessageBox>
#include <QProcess>
#include <QStringList>

#include <bit>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <ctime>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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
    // The desktop's font in every respect, not the program's.
    QFont desktopFont = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    desktopFont.setResolveMask(QFont::AllPropertiesResolved);
    box.setFont(desktopFont);
    box.setWindowModality(Qt::ApplicationModal);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

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

namespace {

std::string describeErrno(int error, const std::string &path)
{
    switch (error) {
    case ENOENT:
    case ENOTDIR:
        return "File not found: " + path;
    case EACCES:
    case EPERM:
        return "Permission denied: " + path;
    case ENAMETOOLONG:
        return "Bad file name: " + path;
    default:
        return std::string(std::strerror(error)) + ": " + path;
    }
}

class PosixInputFile : public InputFile
{
public:
    PosixInputFile(int fd, std::string path)
        : m_fd(fd)
        , m_path(std::move(path))
    {
    }
    ~PosixInputFile() override { ::close(m_fd); }

    std::size_t read(char *buffer, std::size_t size) override
    {
        for (;;) {
            const ssize_t n = ::read(m_fd, buffer, size);
            if (n >= 0)
                return static_cast<std::size_t>(n);
            if (errno != EINTR)
                throw Failure("Device I/O error: " + m_path);
        }
    }

private:
    int m_fd;
    std::string m_path;
};

} // namespace

bool LocalFileSystem::exists(const std::string &path)
{
    return QFileInfo::exists(QString::fromStdString(path));
}

bool LocalFileSystem::isNormalFile(const std::string &path)
{
    // Hidden files (a leading dot) do not count as normal files; a link
    // counts as what it points to, so a dangling one is absent.
    const QFileInfo file(QString::fromStdString(path));
    return !file.fileName().startsWith(QLatin1Char('.')) && file.isFile();
}

std::unique_ptr<InputFile> LocalFileSystem::openForInput(const std::string &path)
{
    if (path.empty())
        throw Failure("Bad file name or number");
    // Non-blocking, so that a FIFO of that name cannot hang the start-up.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        throw Failure(describeErrno(errno, path));
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        throw Failure("Path/File access error: " + path);
    }
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0)
        ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    return std::make_unique<PosixInputFile>(fd, path);
}

float SystemClock::secondsSinceMidnight()
{
    const auto now = std::chrono::system_clock::now();
    const time_t t = std::chrono::system_clock::to_time_t(now);
    struct tm local {};
    localtime_r(&t, &local);
    const auto subsecond = std::chrono::duration<double>(now.time_since_epoch()).count()
                           - static_cast<double>(t);
    return static_cast<float>(local.tm_hour * 3600 + local.tm_min * 60 + local.tm_sec + subsecond);
}

void SystemRandom::seed(float seed)
{
    m_engine.seed(std::bit_cast<std::uint32_t>(seed));
}

float SystemRandom::next()
{
    // 24 random bits: every value is exact in a float and below 1.
    return static_cast<float>(m_engine() >> 8) * (1.0f / 16777216.0f);
}

} // namespace drillix
