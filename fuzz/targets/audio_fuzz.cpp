// Sound decoding on arbitrary bytes, through a file as the decoder program
// opens its input: whatever the file holds, decoding ends, within the
// limits, with whole frames of sound or with silence. It decodes inside the
// decoder program's sandbox, on a thread of its own, so that libFuzzer's
// own thread can still read and write its files.

#include "qt/platform/sound/audiodecoder.h"
#include "qt/platform/sound/decodersandbox.h"

#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

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

    // A shorter length cap, so that a file that claims a long sound costs
    // seconds, not minutes, of fuzzing.
    constexpr std::uint32_t maxSeconds = 20;
    std::size_t samples = 0;
    const int input = drillix::openSoundFile(scratchFile);
    bool sound = false;
    static SandboxedThread *sandboxed = new SandboxedThread; // never joined: libFuzzer ends with exit()
    sandboxed->run([&] {
        sound = drillix::decodeSound(
            input,
            [&](const std::int16_t *, std::size_t count) {
                if (count == 0 || count % drillix::kSoundChannels != 0)
                    broken("a piece of no samples or with half a frame");
                samples += count;
                return true;
            },
            maxSeconds);
    });
    if (input >= 0)
        ::close(input);
    if (sound != (samples > 0))
        broken("sound without samples, or samples said to be silence");
    if (samples > std::size_t(maxSeconds) * drillix::kSoundRate * drillix::kSoundChannels)
        broken("sound longer than the limit");
    return 0;
}
