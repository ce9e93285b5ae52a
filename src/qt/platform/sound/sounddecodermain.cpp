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

#include <csignal>
#include <cstdio>
#include <cstring>
#include <utility>

#include <sys/resource.h>
#include <unistd.h>

using namespace drillix;

namespace {

// Bounds what a decoder gone wrong on a crafted file can take: memory, CPU
// time, new files and processes.
constexpr std::pair<int, rlimit> kLimits[] = {
#ifndef DRILLIX_ADDRESS_SANITIZER
    // AddressSanitizer's shadow memory alone takes terabytes of address
    // space: in such a build the other limits have to do.
    {RLIMIT_AS, {rlim_t{1} << 30, rlim_t{1} << 30}},
#endif
    {RLIMIT_CPU, {20, 20}}, {RLIMIT_FSIZE, {0, 0}}, {RLIMIT_CORE, {0, 0}}, {RLIMIT_NPROC, {0, 0}},
    {RLIMIT_NOFILE, {16, 16}},
};

} // namespace

int main(int argc, char **argv)
{
    if (argc == 2 && std::strcmp(argv[1], "--sandbox-state") == 0) {
        const SandboxState state = enterDecoderSandbox();
        ::dprintf(STDOUT_FILENO, "%s%s, %s\n", state.filtered ? "system call filter" : "no system call filter: ",
                  state.problem.c_str(), state.landlocked ? "Landlock" : "no Landlock");
        return state.filtered ? 0 : 3;
    }
    if (argc != 2) {
        ::dprintf(STDERR_FILENO, "usage: drillix-sound-decoder FILE\n");
        return 2;
    }
    for (const auto &[resource, bound] : kLimits)
        ::setrlimit(resource, &bound);
    // Behind the window and the player's thread, so that a heavy file never
    // takes their time (the kernel stops at the lowest priority).
    ::setpriority(PRIO_PROCESS, 0, ::getpriority(PRIO_PROCESS, 0) + 10);
    std::signal(SIGPIPE, SIG_DFL);
    const int input = openSoundFile(argv[1]);
    if (input < 0)
        return 1;
    // From here on the program needs nothing but its input and its output,
    // and gives up every other right before it parses a byte. Unconfined,
    // it says so on standard error, which the quiz logs.
    const SandboxState state = enterDecoderSandbox();
    if (!state.filtered)
        ::dprintf(STDERR_FILENO, "drillix-sound-decoder: decoding without a sandbox: %s\n", state.problem.c_str());
    // A failed write means that the player has stopped listening.
    return decodeSound(input, [](const std::int16_t *samples, std::size_t count) {
        return std::fwrite(samples, sizeof *samples, count, stdout) == count;
    }) ? 0 : 1;
}
