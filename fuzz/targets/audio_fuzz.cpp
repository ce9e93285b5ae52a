// The sound-decoding wrapper on arbitrary bytes, through a file as the
// player opens its sounds: whatever the file holds, decoding ends, within
// the limits, with sound or with a reason for silence.

#include "qt/platform/sound/audiodecoder.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

namespace {

[[noreturn]] void broken(const char *what)
{
    std::fprintf(stderr, "sound decoder broke its promise: %s\n", what);
    std::abort();
}

std::string scratchFile;

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    char folder[] = "/tmp/drillix-fuzz-audio.XXXXXX";
    if (!mkdtemp(folder))
        broken("cannot make a scratch folder");
    scratchFile = std::string(folder) + "/sound.wma";
    static const std::string scratchFolder = folder;
    std::atexit([] {
        ::unlink(scratchFile.c_str());
        ::rmdir(scratchFolder.c_str());
    });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const int fd = ::open(scratchFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0 || ::write(fd, data, size) != static_cast<ssize_t>(size) || ::close(fd) != 0)
        broken("cannot write the scratch file");

    // The player's format, and a shorter length cap so that a file that
    // claims a long sound costs seconds, not minutes, of fuzzing.
    drillix::DecodeLimits limits;
    limits.maxSeconds = 20;
    const drillix::DecodeResult result = drillix::decodeAudioFile(scratchFile, 44100, 2, limits);
    if (result.ok()) {
        if (result.audio.sampleRate != 44100 || result.audio.channels != 2)
            broken("sound came in another format than asked for");
        if (result.audio.samples.empty() || result.audio.samples.size() % 2 != 0)
            broken("sound with no samples or half a frame");
        if (result.audio.frames() > std::size_t(limits.maxSeconds) * 44100)
            broken("sound longer than the limit");
    } else if (!result.audio.samples.empty()) {
        broken("silence with samples");
    }

    // The piecewise decoding the player uses, stopped part-way.
    drillix::AudioDecoder decoder;
    if (decoder.open(scratchFile, 48000, 1, limits)) {
        std::vector<std::int16_t> out;
        for (int i = 0; i < 3 && decoder.decode(out, 256); ++i) {
        }
        if (out.size() != decoder.framesDecoded())
            broken("frames counted differ from samples given (mono)");
    } else if (decoder.error().empty()) {
        broken("a failed open without a reason");
    }
    return 0;
}
