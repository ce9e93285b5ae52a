#include "qt/platform/localfilesystem.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace drillix {

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
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0;
}

bool LocalFileSystem::isNormalFile(const std::string &path)
{
    // Hidden files (a leading dot) do not count as normal files.
    const std::string name = std::filesystem::path(path).filename();
    struct stat st {};
    // stat follows links: a dangling one fails and counts as absent.
    return !name.empty() && name.front() != '.' && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
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

} // namespace drillix
