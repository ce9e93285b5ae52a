#include "soundtesttools.h"

#include "qt/platform/sound/audiodecoder.h"

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <thread>

#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

namespace drillix::soundtest {

namespace {

std::string quoted(const std::string &text)
{
    std::string out = "'";
    for (char c : text) {
        if (c == '\'')
            out += "'\\''";
        else
            out += c;
    }
    return out + "'";
}

// Starts a program with stdin from inFile and its output discarded.
pid_t spawn(const std::vector<std::string> &args, const char *inFile = "/dev/null")
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, inFile, O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    std::vector<char *> argv;
    for (const auto &arg : args)
        argv.push_back(const_cast<char *>(arg.c_str()));
    argv.push_back(nullptr);
    pid_t pid = -1;
    if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0)
        pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

// Ends a process this code started, by its id, and reaps it.
void end(pid_t &pid, int signal = SIGTERM)
{
    if (pid <= 0)
        return;
    ::kill(pid, signal);
    for (int i = 0; i < 300; ++i) {
        if (::waitpid(pid, nullptr, WNOHANG) == pid) {
            pid = -1;
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
    pid = -1;
}

std::string makeTempDir()
{
    char name[] = "/tmp/drillix-sound-XXXXXX";
    const char *made = ::mkdtemp(name);
    return made ? made : "";
}

} // namespace

TempDir::TempDir() : m_path(makeTempDir()) {}

TempDir::~TempDir()
{
    if (!m_path.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
}

bool run(const std::string &command)
{
    return std::system((command + " >/dev/null 2>&1 </dev/null").c_str()) == 0;
}

bool haveProgram(const std::string &name)
{
    return run("command -v " + quoted(name));
}

bool makeTone(const std::string &path, double hz, double seconds, double amplitude, const std::string &codecArgs,
              int rate, int channels)
{
    // One expression per channel: ffmpeg's own upmix would lower the level.
    std::ostringstream wave;
    wave << amplitude << "*sin(2*PI*" << hz << "*t)";
    std::string expressions = wave.str();
    for (int i = 1; i < channels; ++i)
        expressions += "|" + wave.str();
    std::ostringstream command;
    command << "ffmpeg -nostdin -hide_banner -loglevel error -y -f lavfi -i 'aevalsrc=" << expressions
            << ":s=" << rate << ":d=" << seconds << "' " << codecArgs << " " << quoted(path);
    return run(command.str());
}

void writeFile(const std::string &path, const std::string &bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string readFile(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<std::int16_t> decodeWhole(const std::string &path, std::uint32_t maxSeconds)
{
    std::vector<std::int16_t> samples;
    const int fd = openSoundFile(path);
    decodeSound(
        fd,
        [&](const std::int16_t *piece, std::size_t count) {
            samples.insert(samples.end(), piece, piece + count);
            return true;
        },
        maxSeconds);
    if (fd >= 0)
        ::close(fd);
    return samples;
}

double toneLevel(const std::vector<std::int16_t> &mono, int rate, double hz, std::size_t from, std::size_t count)
{
    if (from >= mono.size() || count == 0)
        return 0;
    count = std::min(count, mono.size() - from);
    // Goertzel: the one DFT bin nearest hz.
    const double coefficient = 2 * std::cos(2 * M_PI * hz / rate);
    double previous = 0, beforePrevious = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const double next = mono[from + i] / 32768.0 + coefficient * previous - beforePrevious;
        beforePrevious = previous;
        previous = next;
    }
    const double power = previous * previous + beforePrevious * beforePrevious - coefficient * previous * beforePrevious;
    return 2 * std::sqrt(std::max(0.0, power)) / double(count);
}

std::vector<std::int16_t> channel(const std::vector<std::int16_t> &interleaved, int channels, int which)
{
    std::vector<std::int16_t> out;
    out.reserve(interleaved.size() / std::size_t(channels));
    for (std::size_t i = std::size_t(which); i < interleaved.size(); i += std::size_t(channels))
        out.push_back(interleaved[i]);
    return out;
}

ToneSpan findTone(const std::vector<std::int16_t> &mono, int rate, double hz, double threshold)
{
    ToneSpan span;
    const std::size_t window = std::size_t(rate) / 100;
    for (std::size_t from = 0; from + window <= mono.size(); from += window) {
        if (toneLevel(mono, rate, hz, from, window) < threshold)
            continue;
        const double start = double(from) / rate;
        if (span.firstSeconds < 0)
            span.firstSeconds = start;
        span.lastSeconds = start + 0.01;
        span.totalSeconds += 0.01;
    }
    return span;
}

PulseServer::~PulseServer()
{
    stop();
}

bool PulseServer::start(std::string &why)
{
    if (!haveProgram("pulseaudio") || !haveProgram("pactl") || !haveProgram("pacat") || !haveProgram("parecord")) {
        why = "pulseaudio, pactl, pacat or parecord is not installed";
        return false;
    }
    m_home = makeTempDir();
    m_runtime = makeTempDir();
    if (m_home.empty() || m_runtime.empty()) {
        why = "no temporary folder";
        return false;
    }
    ::chmod(m_runtime.c_str(), 0700);
    ::setenv("HOME", m_home.c_str(), 1);
    ::setenv("XDG_RUNTIME_DIR", m_runtime.c_str(), 1);
    ::unsetenv("PULSE_SERVER");
    ::unsetenv("PULSE_RUNTIME_PATH");
    if (!launch()) {
        why = "the PulseAudio server did not start";
        stop();
        return false;
    }
    return true;
}

bool PulseServer::launch()
{
    m_server = spawn({"pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=-1", "--disable-shm=yes",
                     "--load=module-native-protocol-unix auth-anonymous=1",
                     "--load=module-null-sink sink_name=S rate=44100 channels=2"});
    bool answering = false;
    for (int i = 0; i < 100 && m_server > 0 && !answering; ++i) {
        answering = run("pactl info");
        if (!answering)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    if (!answering)
        return false;
    // An idle null sink runs ahead of real time; a steady silent stream
    // keeps it to the clock, so that recordings are complete.
    m_silence = spawn({"pacat", "--latency-msec=20", "--device=S"}, "/dev/zero");
    std::this_thread::sleep_for(std::chrono::milliseconds(2500));
    return true;
}

bool PulseServer::startRecording()
{
    m_recording = m_runtime + "/recording.wav";
    m_recorder = spawn({"parecord", "--latency-msec=20", "--device=S.monitor", "--file-format=wav", m_recording});
    // Give the recorder time to connect before anything plays.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    return m_recorder > 0;
}

std::vector<std::int16_t> PulseServer::stopRecording()
{
    end(m_recorder, SIGINT);
    return decodeWhole(m_recording);
}

bool PulseServer::restart()
{
    end(m_recorder, SIGINT);
    end(m_silence);
    end(m_server);
    return launch();
}

void PulseServer::stop()
{
    end(m_recorder, SIGINT);
    end(m_silence);
    end(m_server);
    std::error_code ignored;
    if (!m_home.empty())
        std::filesystem::remove_all(m_home, ignored);
    if (!m_runtime.empty())
        std::filesystem::remove_all(m_runtime, ignored);
    m_home.clear();
    m_runtime.clear();
}

} // namespace drillix::soundtest
