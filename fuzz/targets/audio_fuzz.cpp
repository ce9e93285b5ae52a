// The sound-decoding wrapper on arbitrary bytes, through a file as the
// player opens its sounds: whatever the file holds, decoding ends, within
// the limits, with sound or with a reason for silence. It decodes inside the
// decoder program's sandbox, on a thread of its own, so that libFuzzer's own
// thread can still read and write its files.

#include "qt/platform/sound/audiodecoder.h"
#include "qt/platform/sound/decodersandbox.h"

#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
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

// Runs each job on one thread that entered the sandbox first, and waits.
class SandboxedThread
{
public:
    SandboxedThread()
        : m_thread([this] { work(); })
    {
    }

    void run(std::function<void()> job)
    {
        std::unique_lock lock(m_mutex);
        m_job = std::move(job);
        m_changed.notify_all();
        m_changed.wait(lock, [this] { return !m_job; });
    }

private:
    [[noreturn]] void work()
    {
        if (!drillix::enterDecoderSandbox().filtered)
            std::fprintf(stderr, "audio fuzzing: no system call filter here; decoding unconfined\n");
        std::unique_lock lock(m_mutex);
        for (;;) {
            m_changed.wait(lock, [this] { return bool(m_job); });
            m_job();
            m_job = nullptr;
            m_changed.notify_all();
        }
    }

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::function<void()> m_job;
    std::thread m_thread;
};

void decode(int whole, int piecewise, const drillix::DecodeLimits &limits);

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
    static SandboxedThread *sandboxed = new SandboxedThread; // never joined: libFuzzer ends with exit()
    // Opened here, outside the sandbox, as the decoder program opens them.
    const int whole = drillix::openSoundFile(scratchFile);
    const int piecewise = drillix::openSoundFile(scratchFile);
    sandboxed->run([&] { decode(whole, piecewise, limits); });
    return 0;
}

namespace {

// As the decoder program decodes: each file opened before, parsed inside
// the sandbox.
void decode(int whole, int piecewise, const drillix::DecodeLimits &limits)
{
    // The player's format, a second at a time, to the end.
    drillix::AudioDecoder all;
    if (all.open(whole, scratchFile, 44100, 2, limits)) {
        std::vector<std::int16_t> out;
        while (all.decode(out, 44100)) {
        }
        if (out.size() % 2 != 0 || out.size() / 2 != all.framesDecoded())
            broken("half a frame, or frames counted differ from samples given");
        if (all.framesDecoded() > std::size_t(limits.maxSeconds) * 44100)
            broken("sound longer than the limit");
    } else if (all.error().empty()) {
        broken("a failed open without a reason");
    }

    // The piecewise decoding the player uses, stopped part-way.
    drillix::AudioDecoder decoder;
    if (decoder.open(piecewise, scratchFile, 48000, 1, limits)) {
        std::vector<std::int16_t> out;
        for (int i = 0; i < 3 && decoder.decode(out, 256); ++i) {
        }
        if (out.size() != decoder.framesDecoded())
            broken("frames counted differ from samples given (mono)");
    } else if (decoder.error().empty()) {
        broken("a failed open without a reason");
    }
}

} // namespace
