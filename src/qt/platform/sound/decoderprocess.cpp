#include "qt/platform/sound/decoderprocess.h"

#include <cerrno>
#include <csignal>
#include <cstring>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

namespace drillix {

bool DecoderProcess::start(const std::string &program, const std::string &file, std::string &error)
{
    stop();
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0) {
        error = std::strerror(errno);
        return false;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addclosefrom_np(&actions, STDERR_FILENO + 1);
    // The program starts in a group of its own, with no signal blocked or
    // ignored, whatever the quiz has set up for itself.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setpgroup(&attributes, 0);
    sigset_t signals;
    sigemptyset(&signals);
    posix_spawnattr_setsigmask(&attributes, &signals);
    sigaddset(&signals, SIGPIPE);
    posix_spawnattr_setsigdefault(&attributes, &signals);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);
    char *argv[] = {const_cast<char *>(program.c_str()), const_cast<char *>(file.c_str()), nullptr};
    char *noEnvironment[] = {nullptr};
    const int spawned = ::posix_spawn(&m_pid, program.c_str(), &actions, &attributes, argv, noEnvironment);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipeFds[1]);
    if (spawned != 0) {
        m_pid = -1;
        ::close(pipeFds[0]);
        error = std::strerror(spawned);
        return false;
    }
    m_fd = pipeFds[0];
    ::fcntl(m_fd, F_SETFL, ::fcntl(m_fd, F_GETFL) | O_NONBLOCK);
    return true;
}

void DecoderProcess::stop()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    if (m_pid <= 0)
        return;
    // Killed before it is reaped, while its id still names the group; this
    // also spares waiting for its own clean-up.
    ::kill(-m_pid, SIGKILL);
    while (::waitpid(m_pid, nullptr, 0) < 0 && errno == EINTR) {
    }
    m_pid = -1;
}

} // namespace drillix
