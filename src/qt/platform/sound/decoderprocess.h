#pragma once

// One run of the sound decoder program, seen from the player: started with
// posix_spawn, its output read from a non-blocking pipe and cut into the
// decoder's records (see decoderprotocol.h).

#include "qt/platform/sound/decoderoutput.h"

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
    using FileEnd = DecoderOutput::FileEnd;
    using SamplesHandler = DecoderOutput::SamplesHandler;
    using EndHandler = DecoderOutput::EndHandler;

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
    // Logs what the program said on standard error, once per quiz.
    void closeComplaints();

    pid_t m_pid = -1;
    int m_fd = -1;
    int m_complaintFd = -1;
    DecoderOutput m_output;
};

} // namespace drillix
