// The sound decoder program: decodes sound files with FFmpeg into raw
// samples on its standard output (see decoderprotocol.h). It runs apart from
// the quiz so that a crafted file can reach neither the quiz's memory nor its
// time, and it holds FFmpeg's libraries only while it decodes.

#include "qt/platform/sound/audiodecoder.h"
#include "qt/platform/sound/decoderprotocol.h"
#include "qt/platform/sound/decodersandbox.h"

#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <sys/resource.h>
#include <unistd.h>

using namespace drillix;
namespace protocol = drillix::decoderprotocol;

namespace {

// First a short piece so that playing can start at once, then longer ones.
constexpr std::size_t kFirstPieceFrames = protocol::kRate / 20;
constexpr std::size_t kPieceFrames = protocol::kRate / 4;

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

bool writeAll(const void *data, std::size_t bytes)
{
    const auto *at = static_cast<const char *>(data);
    while (bytes > 0) {
        const ssize_t written = ::write(STDOUT_FILENO, at, bytes);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        at += written;
        bytes -= std::size_t(written);
    }
    return true;
}

bool writeRecord(std::int32_t header, const std::int16_t *samples = nullptr)
{
    return writeAll(&header, sizeof header) && (header <= 0 || writeAll(samples, std::size_t(header)));
}

// Every file is opened before the sandbox closes the door on opening more.
std::vector<int> openAll(char **paths, int count)
{
    std::vector<int> fds;
    for (int i = 0; i < count; ++i)
        fds.push_back(openSoundFile(paths[i]));
    return fds;
}

// Said on standard error, which the quiz logs: the filter is what keeps a
// crafted file from reaching the user's files.
void enterSandbox()
{
    const SandboxState state = enterDecoderSandbox();
    if (!state.filtered) {
        const std::string line = "drillix-sound-decoder: decoding without a sandbox: " + state.problem + "\n";
        (void)!::write(STDERR_FILENO, line.data(), line.size());
    }
}

// False when the reader has gone.
bool decodeFile(int fd, const std::string &path, std::uint32_t maxSeconds)
{
    DecodeLimits limits;
    limits.maxSeconds = maxSeconds + 1; // to tell a longer sound from one just as long
    AudioDecoder decoder;
    if (!decoder.open(fd, path, protocol::kRate, protocol::kChannels, limits))
        return writeRecord(protocol::kNoSound);
    const std::size_t maxFrames = std::size_t(maxSeconds) * protocol::kRate;
    std::vector<std::int16_t> pcm;
    std::size_t piece = kFirstPieceFrames;
    for (bool more = true; more;) {
        pcm.clear();
        more = decoder.decode(pcm, piece);
        piece = kPieceFrames;
        const bool tooLong = decoder.framesDecoded() > maxFrames;
        if (tooLong)
            pcm.resize(pcm.size() - (decoder.framesDecoded() - maxFrames) * protocol::kChannels);
        for (std::size_t at = 0; at < pcm.size();) {
            const std::size_t count = std::min(pcm.size() - at, std::size_t(protocol::kMaxRecordBytes / 2));
            if (!writeRecord(std::int32_t(count * 2), pcm.data() + at))
                return false;
            at += count;
        }
        if (tooLong)
            return writeRecord(protocol::kTooLong);
    }
    return writeRecord(decoder.framesDecoded() > 0 ? protocol::kEnded : protocol::kNoSound);
}

} // namespace

int main(int argc, char **argv)
{
    limitResources();
    std::signal(SIGPIPE, SIG_DFL);
    if (argc == 2 && std::strcmp(argv[1], "--sandbox-state") == 0) {
        const SandboxState state = enterDecoderSandbox();
        const std::string line = std::string(state.filtered ? "system call filter" : "no system call filter: ")
            + state.problem + (state.landlocked ? ", Landlock\n" : ", no Landlock\n");
        (void)!::write(STDOUT_FILENO, line.data(), line.size());
        return state.filtered ? 0 : 3;
    }
    if (argc == 3 && std::strcmp(argv[1], "--keep") == 0) {
        const int fd = openSoundFile(argv[2]);
        enterSandbox();
        return decodeFile(fd, argv[2], protocol::kKeptSeconds) ? 0 : 1;
    }
    if (argc < 5 || std::atoi(argv[1]) != protocol::kRate || std::atoi(argv[2]) != protocol::kChannels) {
        static const char usage[] = "usage: drillix-sound-decoder 44100 2 MAX_SECONDS FILE...\n"
                                    "       drillix-sound-decoder --keep FILE\n"
                                    "       drillix-sound-decoder --sandbox-state\n";
        (void)!::write(STDERR_FILENO, usage, sizeof usage - 1);
        return 2;
    }
    const long maxSeconds = std::strtol(argv[3], nullptr, 10);
    if (maxSeconds <= 0 || maxSeconds > 3600)
        return 2;
    const std::vector<int> fds = openAll(argv + 4, argc - 4);
    enterSandbox();
    for (int i = 4; i < argc; ++i)
        if (!decodeFile(fds[std::size_t(i - 4)], argv[i], std::uint32_t(maxSeconds)))
            return 1;
    return 0;
}
