#pragma once

// Helpers shared by the sound tests and the latency bench: temporary
// folders, clips made with ffmpeg, tone measurement, and a private
// PulseAudio server with a null sink that can be recorded.

#include <cstddef>
#include <cstdint>
#include <string>
#include <sys/types.h>
#include <vector>

namespace drillix::soundtest {

// A fresh folder under /tmp, removed with its contents.
class TempDir
{
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir &) = delete;
    TempDir &operator=(const TempDir &) = delete;

    const std::string &path() const { return m_path; }
    std::string file(const std::string &name) const { return m_path + "/" + name; }

private:
    std::string m_path;
};

// Runs a shell command with its output discarded; true when it succeeded.
bool run(const std::string &command);
bool haveProgram(const std::string &name);

// A sine tone of the given peak amplitude (0..1), encoded by ffmpeg with
// codecArgs (for example "-c:a wmav2 -f asf" or "-c:a pcm_s16le -f wav").
bool makeTone(const std::string &path, double hz, double seconds, double amplitude, const std::string &codecArgs,
              int rate = 44100, int channels = 2);

void writeFile(const std::string &path, const std::string &bytes);
std::string readFile(const std::string &path);

// A sound file decoded whole, as the player's decoder decodes it; empty
// when it gives no sound.
std::vector<std::int16_t> decodeWhole(const std::string &path, std::uint32_t maxSeconds = 600);

// Peak amplitude (0..1) of the hz component in samples[from, from + count)
// of a mono signal.
double toneLevel(const std::vector<std::int16_t> &mono, int rate, double hz, std::size_t from, std::size_t count);

// One channel of an interleaved signal.
std::vector<std::int16_t> channel(const std::vector<std::int16_t> &interleaved, int channels, int which);

// Spans where the tone stands above the threshold, in 10 ms windows.
struct ToneSpan {
    double firstSeconds = -1; // -1 when the tone never appears
    double lastSeconds = -1;  // end of the last window that has it
    double totalSeconds = 0;  // time it is present, summed
};
ToneSpan findTone(const std::vector<std::int16_t> &mono, int rate, double hz, double threshold);

// A PulseAudio server of this process's own, with one null sink at
// 44.1 kHz stereo, kept running by a silent stream. start() points this
// process at it (HOME, XDG_RUNTIME_DIR), so it must come before any use of
// Qt's audio.
class PulseServer
{
public:
    static constexpr int kRate = 44100;

    PulseServer() = default;
    ~PulseServer();
    PulseServer(const PulseServer &) = delete;
    PulseServer &operator=(const PulseServer &) = delete;

    // False, with why filled in, when it cannot run here.
    bool start(std::string &why);

    // Records the sink's monitor to a WAV file until stopRecording(), which
    // returns the recording as interleaved stereo at kRate.
    bool startRecording();
    std::vector<std::int16_t> stopRecording();

    // Ends the server and starts a new one in its place, as a user's
    // session may; false when the new one does not answer.
    bool restart();

private:
    bool launch();
    void stop();

    std::string m_home;
    std::string m_runtime;
    pid_t m_server = -1;
    pid_t m_silence = -1;
    pid_t m_recorder = -1;
    std::string m_recording;
};

} // namespace drillix::soundtest
