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
    QString lines = QString::fromStdString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    // Owned by no window: a skin applied to the main window must not
    // restyle the boxes, and start-up boxes come before any window.
    QMessageBox box(style == contract::MessageBoxStyle::Exclamation ? QMessageBox::Warning : QMessageBox::NoIcon,
                    QString::fromStdString(title), lines.replace(u'\r', u'\n'), QMessageBox::Ok);
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
    if (error == ENOENT || error == ENOTDIR)
        return "File not found: " + path;
    if (error == EACCES || error == EPERM)
        return "Permission denied: " + path;
    return (error == ENAMETOOLONG ? std::string("Bad file name") : std::strerror(error)) + ": " + path;
}

// Closes its descriptor when it goes, also when opening fails half-way
// (closing -1 does nothing).
struct PosixInputFile : InputFile {
    int fd = -1;
    std::string path;

    ~PosixInputFile() override { ::close(fd); }
    std::size_t read(char *buffer, std::size_t size) override
    {
        const ssize_t n = TEMP_FAILURE_RETRY(::read(fd, buffer, size));
        if (n < 0)
            throw Failure("Device I/O error: " + path);
        return static_cast<std::size_t>(n);
    }
};

} // namespace

bool LocalFileSystem::exists(const std::string &path)
{
    // A link counts as what it points to, so a dangling one is absent.
    return ::access(path.c_str(), F_OK) == 0;
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
    auto file = std::make_unique<PosixInputFile>();
    file->path = path;
    // Non-blocking, so that a FIFO of that name cannot hang the start-up.
    file->fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (file->fd < 0)
        throw Failure(describeErrno(errno, path));
    struct stat st {};
    if (::fstat(file->fd, &st) != 0 || !S_ISREG(st.st_mode))
        throw Failure("Path/File access error: " + path);
    // Blocking again for reading: F_SETFL changes only status flags such as
    // O_NONBLOCK, and no other was asked for.
    ::fcntl(file->fd, F_SETFL, 0);
    return file;
}

int SystemRandom::draw(int n)
{
    return int(QRandomGenerator::global()->bounded(n)) + 1;
}

} // namespace drillix
