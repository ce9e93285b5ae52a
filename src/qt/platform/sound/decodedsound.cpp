#include "qt/platform/sound/decodedsound.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QResource>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <mutex>

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

namespace drillix {

static Q_LOGGING_CATEGORY(lcDecoder, "drillix.sound")

void warnLater(const QString &text)
{
    const auto warn = [text] {
        pollfd error{STDERR_FILENO, POLLOUT, 0};
        if (::poll(&error, 1, 0) == 1 && error.revents == POLLOUT)
            qCWarning(lcDecoder).noquote() << text;
    };
    if (QCoreApplication *application = QCoreApplication::instance())
        QMetaObject::invokeMethod(application, warn, Qt::QueuedConnection);
    else
        warn();
}

QByteArray shippedSamples(const std::string &soundPath)
{
    const QString shipped = QLatin1String(":/shipped-sounds/") + QFileInfo(QString::fromStdString(soundPath)).fileName();
    const QByteArray file = QResource(shipped).uncompressedData();
    // Read without blocking, should a FIFO or device have taken its place;
    // a byte more than the shipped file tells a longer file from it.
    const int fd = file.isEmpty() ? -1 : ::open(soundPath.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    QByteArray bytes(file.size() + 1, Qt::Uninitialized);
    const bool same = fd >= 0 && ::read(fd, bytes.data(), std::size_t(bytes.size())) == file.size()
                      && bytes.chopped(1) == file;
    if (fd >= 0)
        ::close(fd);
    return same ? QResource(shipped.chopped(3) + QLatin1String("pcm")).uncompressedData() : QByteArray();
}

bool DecodedSound::startDecoder(const std::string &program)
{
    int output[2] = {-1, -1};
    int complaints[2] = {-1, -1};
    int failed = ::pipe2(output, O_CLOEXEC) != 0 || ::pipe2(complaints, O_CLOEXEC | O_NONBLOCK) != 0 ? errno : 0;
    if (!failed) {
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_adddup2(&actions, output[1], STDOUT_FILENO);
        posix_spawn_file_actions_adddup2(&actions, complaints[1], STDERR_FILENO);
        posix_spawn_file_actions_addclosefrom_np(&actions, STDERR_FILENO + 1);
        // A group of its own (the default group 0 names the child's), and no
        // signal blocked, as libpulse blocks them all on the player's thread.
        posix_spawnattr_t attributes;
        posix_spawnattr_init(&attributes);
        sigset_t noSignals;
        sigemptyset(&noSignals);
        posix_spawnattr_setsigmask(&attributes, &noSignals);
        posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK);
        char *argv[] = {const_cast<char *>(program.c_str()), m_path.data(), nullptr};
        char *noEnvironment[] = {nullptr};
        failed = ::posix_spawn(&m_decoder, program.c_str(), &actions, &attributes, argv, noEnvironment);
        posix_spawnattr_destroy(&attributes);
        posix_spawn_file_actions_destroy(&actions);
    }
    ::close(output[1]); // -1, to no effect, when the pipes could not be made
    ::close(complaints[1]);
    m_decoderOutput = output[0];
    m_decoderComplaints = complaints[0];
    if (failed) {
        m_decoder = -1;
        stopDecoder();
        warnLater(QStringLiteral("no sound: cannot start %1: %2")
                      .arg(QString::fromStdString(program), QString::fromUtf8(std::strerror(failed))));
        return false;
    }
    // Unreaped, the child's id cannot have been taken by another process.
    // (Debian 12's C library declares pidfd_open without C linkage.)
    m_decoderExit = int(::syscall(SYS_pidfd_open, m_decoder, 0));
    ::fcntl(m_decoderOutput, F_SETFL, O_NONBLOCK);
    return true;
}

void DecodedSound::stopDecoder()
{
    if (m_decoderOutput >= 0)
        ::close(std::exchange(m_decoderOutput, -1));
    if (m_decoderComplaints >= 0) {
        // The decoder only ever says that it runs without its sandbox, the
        // same for every run: worth one line of the quiz's log.
        char line[256];
        const ssize_t got = ::read(m_decoderComplaints, line, sizeof line);
        static std::once_flag once;
        if (got > 0)
            std::call_once(once, [&] { warnLater(QString::fromUtf8(line, got).trimmed()); });
        ::close(std::exchange(m_decoderComplaints, -1));
    }
    if (m_decoder <= 0)
        return;
    // Killed before it is reaped, while its id still names the group; this
    // also spares waiting for its own clean-up. A killed process ends at
    // once unless the kernel holds it (a hung network file): then it is left
    // unreaped rather than let it hold up the player.
    ::kill(-m_decoder, SIGKILL);
    const int waiting = m_decoderExit >= 0 ? WNOHANG : 0;
    if (m_decoderExit >= 0) {
        pollfd ended{m_decoderExit, POLLIN, 0};
        ::poll(&ended, 1, 100);
        ::close(std::exchange(m_decoderExit, -1));
    }
    ::waitpid(std::exchange(m_decoder, -1), nullptr, waiting);
}

void DecodedSound::read()
{
    char buffer[64 * 1024];
    for (int reads = 0; reads < 4 && decoding(); ++reads) {
        const ssize_t got = ::read(m_decoderOutput, buffer, sizeof buffer);
        // All that an ended decoder wrote is in the pipe by now.
        siginfo_t ended{};
        if (got < 0 && errno == EAGAIN
            && (m_decoderExit < 0 || ::waitid(P_PID, id_t(m_decoder), &ended, WEXITED | WNOHANG | WNOWAIT) != 0
                || ended.si_pid != m_decoder))
            return;
        if (got <= 0)
            return stopDecoder();
        m_bytes.append(buffer, got);
    }
}

} // namespace drillix
