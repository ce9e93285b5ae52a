#include "qt/platform/desktop.h"

#include "core/contract.h"

#include <QDesktopServices>
#include <QFontDatabase>
#include <QMessageBox>
#include <QRandomGenerator>
#include <QUrl>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace drillix {

void QtMessageBoxes::show(const std::string &text, contract::MessageBoxStyle style, const std::string &title)
{
    // CR LF and a bare CR are both line breaks in a message box.
    const QString lines = QString::fromStdString(text)
                              .replace(QStringLiteral("\r\n"), QStringLiteral("\n"))
                              .replace(QLatin1Char('\r'), QLatin1Char('\n'));
    const QMessageBox::Icon icon =
        style == contract::MessageBoxStyle::Exclamation ? QMessageBox::Warning : QMessageBox::NoIcon;
    // Owned by no window: a skin applied to the main window must not
    // restyle the boxes, and start-up boxes come before any window.
    QMessageBox box(icon, QString::fromStdString(title), lines, QMessageBox::Ok);
    // The desktop's font in every respect, not the program's.
    QFont desktopFont = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    desktopFont.setResolveMask(QFont::AllPropertiesResolved);
    box.setFont(desktopFont);
    box.setWindowModality(Qt::ApplicationModal);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

void QtWebBrowser::open(const std::string &address)
{
    // Qt starts the desktop's opener (xdg-open) with the address as its one
    // argument; no shell reads it.
    if (!QDesktopServices::openUrl(QUrl(QString::fromStdString(address))))
        throw Failure("File not found: xdg-open");
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
    // A link counts as what it points to, so a dangling one is absent.
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

bool LocalFileSystem::isNormalFile(const std::string &path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
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

int SystemRandom::draw(int n)
{
    return int(QRandomGenerator::global()->bounded(n)) + 1;
}

} // namespace drillix
