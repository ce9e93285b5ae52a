#include "qt/platform/sound/decoderprocess.h"

#include "qt/platform/sound/decoderprotocol.h"

#include <QLoggingCategory>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <mutex>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

namespace drillix {

namespace protocol = decoderprotocol;

Q_LOGGING_CATEGORY(lcDecoder, "drillix.sound")

DecoderProcess::DecoderProcess(SamplesHandler onSamples, EndHandler onEnd)
    : m_output(std::move(onSamples), std::move(onEnd))
{
}

DecoderProcess::~DecoderProcess()
{
    stop();
}

bool DecoderProcess::start(const std::string &program, int maxSeconds, const std::vector<std::string> &files,
                           std::string &error)
{
    stop();
    int pipeFds[2];
    int complaintFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0) {
        error = std::strerror(errno);
        return false;
    }
    if (::pipe2(complaintFds, O_CLOEXEC | O_NONBLOCK) != 0) {
        error = std::strerror(errno);
        ::close(pipeFds[0]);
        ::close(pipeFds[1]);
        return false;
    }
    std::vector<std::string> args{program, std::to_string(protocol::kRate), std::to_string(protocol::kChannels),
                                  std::to_string(maxSeconds)};
    args.insert(args.end(), files.begin(), files.end());
    std::vector<char *> argv;
    for (auto &arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    char *noEnvironment[] = {nullptr};

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, complaintFds[1], STDERR_FILENO);
    posix_spawn_file_actions_addclosefrom_np(&actions, STDERR_FILENO + 1);
    // The program starts with no signal blocked or ignored, whatever the
    // player's thread has set up.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);
    const int spawned = ::posix_spawn(&m_pid, program.c_str(), &actions, &attributes, argv.data(), noEnvironment);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipeFds[1]);
    ::close(complaintFds[1]);
    m_complaintFd = complaintFds[0];
    if (spawned != 0) {
        m_pid = -1;
        ::close(pipeFds[0]);
        closeComplaints();
        error = std::strerror(spawned);
        return false;
    }
    m_fd = pipeFds[0];
    ::fcntl(m_fd, F_SETFL, ::fcntl(m_fd, F_GETFL) | O_NONBLOCK);
    m_output.reset();
    return true;
}

bool DecoderProcess::read(std::size_t maxBytes)
{
    if (m_fd < 0)
        return false;
    char buffer[64 * 1024];
    std::size_t taken = 0;
    while (taken < maxBytes) {
        const ssize_t got = ::read(m_fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            return true;
        if (got <= 0 || !m_output.take(buffer, std::size_t(got))) {
            stop();
            return false;
        }
        taken += std::size_t(got);
    }
    return true;
}

void DecoderProcess::closeComplaints()
{
    if (m_complaintFd < 0)
        return;
    // The decoder says on standard error only that it runs unconfined, the
    // same for every run: worth one line of the quiz's log.
    char line[256];
    ssize_t got = ::read(m_complaintFd, line, sizeof line);
    while (got > 0 && line[got - 1] == '\n')
        --got;
    if (got > 0) {
        static std::once_flag once;
        std::call_once(once, [&] { qCWarning(lcDecoder, "%.*s", int(got), line); });
    }
    ::close(m_complaintFd);
    m_complaintFd = -1;
}

void DecoderProcess::stop()
{
    closeComplaints();
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    if (m_pid > 0) {
        // Its output is all read or no longer wanted; killing it also spares
        // waiting for its own clean-up.
        ::kill(m_pid, SIGKILL);
        while (::waitpid(m_pid, nullptr, 0) < 0 && errno == EINTR) {
        }
        m_pid = -1;
    }
}

} // namespace drillix
