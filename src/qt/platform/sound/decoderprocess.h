#pragma once

// One run of the sound decoder program for one file, its samples read from
// a non-blocking pipe. It runs in a process group of its own, so that ending
// it also ends anything it started.

#include <sys/types.h>

#include <string>

namespace drillix {

class DecoderProcess
{
public:
    DecoderProcess() = default;
    ~DecoderProcess() { stop(); }
    DecoderProcess(const DecoderProcess &) = delete;
    DecoderProcess &operator=(const DecoderProcess &) = delete;

    // False, with error filled in, when the program cannot be started.
    bool start(const std::string &program, const std::string &file, std::string &error);
    // The pipe to read the samples from.
    int fd() const { return m_fd; }
    // Kills the program's process group and reaps the program.
    void stop();

private:
    pid_t m_pid = -1;
    int m_fd = -1;
};

} // namespace drillix
