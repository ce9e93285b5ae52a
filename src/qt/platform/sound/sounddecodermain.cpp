// The sound decoder program: opens one sound file, enters its sandbox, then
// decodes the file to raw samples on its standard output (see audiodecoder.h
// for their format); the end of the output is the end of the sound. It runs
// apart from the quiz so that a crafted file can reach neither the quiz's
// memory nor its time, nor, once sandboxed, the user's files.
//
//   drillix-sound-decoder FILE
//   drillix-sound-decoder --sandbox-state      which sandbox this machine gives

#include "qt/platform/sound/audiodecoder.h"
#include "qt/platform/sound/decodersandbox.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <string>

#include <sys/resource.h>
#include <unistd.h>

using namespace drillix;

namespace {

void limit(int resource, rlim_t value)
{
    const rlimit bound{value, value};
    ::setrlimit(resource, &bound);
}

// Bounds what a decoder gone wrong on a crafted file can take: memory, CPU
// time, new files and processes.
void limitResources()
{
#ifndef __SANITIZE_ADDRESS__
    // AddressSanitizer's shadow memory alone takes terabytes of address
    // space: in such a build the other limits have to do.
    limit(RLIMIT_AS, rlim_t{1} << 30);
#endif
    limit(RLIMIT_CPU, 20);
    limit(RLIMIT_FSIZE, 0);
    limit(RLIMIT_CORE, 0);
    limit(RLIMIT_NPROC, 0);
    limit(RLIMIT_NOFILE, 16);
}

bool writeAll(const std::int16_t *samples, std::size_t count)
{
    const auto *at = reinterpret_cast<const char *>(samples);
    std::size_t bytes = count * sizeof *samples;
    while (bytes > 0) {
        const ssize_t written = ::write(STDOUT_FILENO, at, bytes);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false; // the player has stopped listening
        at += written;
        bytes -= std::size_t(written);
    }
    return true;
}

void say(int fd, const std::string &line)
{
    (void)!::write(fd, line.data(), line.size());
}

} // namespace

int main(int argc, char **argv)
{
    if (argc == 2 && std::strcmp(argv[1], "--sandbox-state") == 0) {
        const SandboxState state = enterDecoderSandbox();
        say(STDOUT_FILENO, std::string(state.filtered ? "system call filter" : "no system call filter: ")
                               + state.problem + (state.landlocked ? ", Landlock\n" : ", no Landlock\n"));
        return state.filtered ? 0 : 3;
    }
    if (argc != 2) {
        static const char usage[] = "usage: drillix-sound-decoder FILE\n";
        (void)!::write(STDERR_FILENO, usage, sizeof usage - 1);
        return 2;
    }
    limitResources();
    std::signal(SIGPIPE, SIG_DFL);
    const int input = openSoundFile(argv[1]);
    if (input < 0)
        return 1;
    // From here on the program needs nothing but its input and its output,
    // and gives up every other right before it parses a byte. Unconfined,
    // it says so on standard error, which the quiz logs.
    const SandboxState state = enterDecoderSandbox();
    if (!state.filtered)
        say(STDERR_FILENO, "drillix-sound-decoder: decoding without a sandbox: " + state.problem + "\n");
    return decodeSound(input, writeAll) ? 0 : 1;
}
