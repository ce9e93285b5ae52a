#pragma once

// One run of the sound decoder program, seen from the player: started with
// posix_spawn, its output read from a non-blocking pipe and cut into the
// decoder's records (see decoderprotocol.h).

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace drillix {

class DecoderProcess
{
public:
    enum class FileEnd { Ended, NoSound, TooLong };

    // Samples of the given file (its index in the list started with).
    using SamplesHandler = std::function<void(std::size_t file, const std::int16_t *samples, std::size_t count)>;
    using EndHandler = std::function<void(std::size_t file, FileEnd how)>;

    DecoderProcess(SamplesHandler onSamples, EndHandler onEnd);
    // Ends the program if it still runs.
    ~DecoderProcess();
    DecoderProcess(const DecoderProcess &) = delete;
    DecoderProcess &operator=(const DecoderProcess &) = delete;

    // False, with error filled in, when the program cannot be started.
    bool start(const std::string &program, int maxSeconds, const std::vector<std::string> &files, std::string &error);

    // The pipe to watch for reading.
    int fd() const { return m_fd; }

    // Reads what the pipe holds, up to about maxBytes, and hands it on.
    // False once the output has ended or broken; the program is then gone.
    bool read(std::size_t maxBytes);

    // Kills the program and reaps it.
    void stop();

private:
    bool take(const char *data, std::size_t bytes);

    SamplesHandler m_onSamples;
    EndHandler m_onEnd;
    pid_t m_pid = -1;
    int m_fd = -1;
    std::size_t m_file = 0;
    // A record header, or a sample, split between two reads.
    char m_partial[4] = {};
    std::size_t m_partialBytes = 0;
    std::size_t m_recordLeft = 0; // sample bytes still due in this record
    std::vector<std::int16_t> m_samples;
};

} // namespace drillix
