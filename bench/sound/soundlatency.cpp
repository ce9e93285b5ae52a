// How soon a sound starts: from the request (play() here, setSource() and
// play() for Qt's QMediaPlayer) to the first audio handed to the audio
// server, median of 50, both measured in the same run against a private
// PulseAudio null sink; the player has prepared its sounds first, as the
// program does. Also how long decoding takes, in process and through the
// decoder program for a replaced file.
//
// The moment audio is handed over is taken at pa_stream_write itself, which
// this program defines and passes on, so that both players are timed at the
// same point. QMediaPlayer runs in a child process with the FFmpeg back end.

#include "playertesting.h"
#include "qt/platform/sound/audiodecoder.h"
#include "qt/platform/sound/pulsesoundoutput.h"
#include "soundtesttools.h"

#include <QAudioOutput>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QMediaPlayer>
#include <QThread>
#include <QUrl>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include <dlfcn.h>
#include <unistd.h>

using namespace drillix;
using namespace drillix::soundtest;
using SteadyClock = std::chrono::steady_clock;

namespace {

constexpr int kRuns = 50;

// 0 while armed, the time of the first write after that, -1 when unarmed.
std::atomic<std::int64_t> firstWriteNs{-1};

std::int64_t nowNs(SteadyClock::time_point when = SteadyClock::now())
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(when.time_since_epoch()).count();
}

void arm()
{
    firstWriteNs.store(0);
}

double msSince(std::int64_t startNs, std::int64_t endNs)
{
    return double(endNs - startNs) / 1e6;
}

double median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

long residentKb()
{
    std::ifstream statm("/proc/self/statm");
    long pages = 0, resident = 0;
    statm >> pages >> resident;
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

// Waits for the first write since arm(), up to a limit; its time or -1.
std::int64_t waitForWrite(std::chrono::milliseconds limit, bool runEvents)
{
    const auto end = SteadyClock::now() + limit;
    while (SteadyClock::now() < end) {
        const std::int64_t at = firstWriteNs.load();
        if (at > 0)
            return at;
        if (runEvents)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
        else
            std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    return -1;
}

void pause(std::chrono::milliseconds span, bool runEvents)
{
    const auto end = SteadyClock::now() + span;
    while (SteadyClock::now() < end) {
        if (runEvents)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        else
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

// The child: QMediaPlayer, one line of figures per run on stdout.
int measureQMediaPlayer(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const std::string clips[2] = {argv[2], argv[3]};
    const auto clipMs = std::chrono::milliseconds(std::atoi(argv[4]));

    const long rssBefore = residentKb();
    QElapsedTimer built;
    built.start();
    auto *player = new QMediaPlayer;
    auto *output = new QAudioOutput;
    output->setVolume(0.37f);
    player->setAudioOutput(output);
    std::printf("construct %.2f %ld\n", double(built.nsecsElapsed()) / 1e6, residentKb() - rssBefore);

    for (int run = 0; run <= kRuns; ++run) {
        arm();
        const std::int64_t requested = nowNs();
        player->setSource(QUrl::fromLocalFile(QString::fromStdString(clips[run % 2])));
        player->play();
        const std::int64_t wrote = waitForWrite(std::chrono::milliseconds(3000), true);
        std::printf("run %d %.3f %lld\n", run, wrote > 0 ? msSince(requested, wrote) : -1.0, (long long)requested);
        std::fflush(stdout);
        pause(clipMs + std::chrono::milliseconds(300), true);
        player->stop();
        pause(std::chrono::milliseconds(300), true);
    }
    delete player;
    delete output;
    return 0;
}

struct ChildFigures {
    double constructMs = -1;
    long constructKb = 0;
    double firstMs = -1;
    std::vector<double> runs;
    std::vector<std::int64_t> requests;
};

ChildFigures runQMediaPlayerChild(const char *self, const std::string &a, const std::string &b, int clipMs)
{
    ChildFigures figures;
    const std::string command = "QT_MEDIA_BACKEND=ffmpeg '" + std::string(self) + "' --qmediaplayer '" + a + "' '" + b
                                + "' " + std::to_string(clipMs) + " 2>/dev/null";
    FILE *child = ::popen(command.c_str(), "r");
    if (!child)
        return figures;
    char line[256];
    while (std::fgets(line, sizeof line, child)) {
        int run = 0;
        double ms = 0;
        long kb = 0;
        long long requested = 0;
        if (std::sscanf(line, "construct %lf %ld", &ms, &kb) == 2) {
            figures.constructMs = ms;
            figures.constructKb = kb;
        } else if (std::sscanf(line, "run %d %lf %lld", &run, &ms, &requested) == 3) {
            figures.requests.push_back(requested);
            if (ms < 0)
                continue;
            if (run == 0)
                figures.firstMs = ms;
            else
                figures.runs.push_back(ms);
        }
    }
    ::pclose(child);
    return figures;
}

// Where each sound in a recording begins: the first loud sample after at
// least 150 ms of quiet.
std::vector<double> onsetsSeconds(const std::vector<std::int16_t> &mono, int rate)
{
    std::vector<double> onsets;
    const std::size_t quietNeeded = std::size_t(rate) * 15 / 100;
    std::size_t quiet = quietNeeded;
    for (std::size_t i = 0; i < mono.size(); ++i) {
        if (std::abs(int(mono[i])) < 300) {
            ++quiet;
            continue;
        }
        if (quiet >= quietNeeded)
            onsets.push_back(double(i) / rate);
        quiet = 0;
    }
    return onsets;
}

// Decodes the file in process until it ends or the first `frames` frames
// are there.
void decodeUpTo(const std::string &path, std::size_t frames)
{
    std::size_t got = 0;
    const int fd = openSoundFile(path);
    decodeSound(fd, [&](const std::int16_t *, std::size_t count) { return (got += count / 2) < frames; });
    ::close(fd);
}

void measureDecoding(const std::string &clip, const std::string &tenMinutes)
{
    std::vector<double> whole, firstPiece, longFirstPiece;
    for (int run = 0; run < kRuns; ++run) {
        auto start = nowNs();
        decodeUpTo(clip, std::size_t(-1));
        whole.push_back(msSince(start, nowNs()));
        start = nowNs();
        decodeUpTo(clip, 44100 / 4);
        firstPiece.push_back(msSince(start, nowNs()));
        if (!tenMinutes.empty()) {
            start = nowNs();
            decodeUpTo(tenMinutes, 44100 / 4);
            longFirstPiece.push_back(msSince(start, nowNs()));
        }
    }
    std::printf("Decoding (median of %d):\n", kRuns);
    std::printf("  whole clip                             %8.3f ms\n", median(whole));
    std::printf("  open + first 250 ms of the clip        %8.3f ms\n", median(firstPiece));
    if (!longFirstPiece.empty())
        std::printf("  open + first 250 ms of a 10-min file   %8.3f ms\n", median(longFirstPiece));
}

} // namespace

// Every write of audio to the server in this process passes here.
extern "C" int pa_stream_write(void *stream, const void *data, std::size_t bytes, void (*freeData)(void *),
                               std::int64_t offset, int seek)
{
    using Real = int (*)(void *, const void *, std::size_t, void (*)(void *), std::int64_t, int);
    static const Real real = reinterpret_cast<Real>(dlsym(RTLD_NEXT, "pa_stream_write"));
    std::int64_t armed = 0;
    firstWriteNs.compare_exchange_strong(armed, nowNs());

    return real ? real(stream, data, bytes, freeData, offset, seek) : -1;
}

int main(int argc, char **argv)
{
    if (argc == 5 && std::strcmp(argv[1], "--qmediaplayer") == 0)
        return measureQMediaPlayer(argc, argv);

    TempDir dir;
    PulseServer server;
    std::string why;
    const bool haveServer = server.start(why); // before anything touches Qt's audio
    QCoreApplication app(argc, argv);

    // The program's own sound if it is there, else a 0.4 s tone.
    std::string source = std::string(DRILLIX_SOURCE_DIR) + "/data/sounds/correct.wma";
    if (!std::ifstream(source)) {
        source = dir.file("tone.wma");
        if (!makeTone(source, 660, 0.4, 0.5, "-c:a wmav2 -f asf")) {
            std::printf("ffmpeg could not make a clip; nothing measured.\n");
            return 0;
        }
    }
    // Two names, so that no player can take a request for the one it has.
    const std::string clips[2] = {dir.file("a.wma"), dir.file("b.wma")};
    for (const auto &clip : clips)
        writeFile(clip, readFile(source));
    const auto probe = decodeWhole(source);
    if (probe.empty()) {
        std::printf("%s does not decode; nothing measured.\n", source.c_str());
        return 0;
    }
    const int clipMs = int(probe.size() / 2 * 1000 / 44100);
    const std::string tenMinutes = dir.file("ten-minutes.wma");
    const bool haveLong = makeTone(tenMinutes, 440, 600, 0.5, "-c:a wmav2 -f asf");

    std::printf("Clip: %s (%d ms)\n\n", source.c_str(), clipMs);
    measureDecoding(clips[0], haveLong ? tenMinutes : std::string());

    if (!haveServer) {
        std::printf("\nNo private PulseAudio server (%s): latencies not measured; QMediaPlayer is skipped, as it "
                    "crashes at play() with no audio device.\n",
                    why.c_str());
        return 0;
    }

    // One recording through both players' runs: the sink's clock against
    // the request times shows how much later one player's sound comes out
    // than the other's.
    const bool recording = server.startRecording();
    std::vector<std::int64_t> ourRequests;

    // This player.
    EventLog log;
    const long rssBefore = residentKb();
    const auto constructStart = nowNs();
    auto player = std::make_unique<PulseSoundOutput>(kDecoder, log.listener());
    const double constructMs = msSince(constructStart, nowNs());
    const long constructKb = residentKb() - rssBefore;
    // As the program does once its window is up.
    player->prepare({clips[0], clips[1]});
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    std::vector<double> ours, oursEvent;
    double oursFirst = -1;
    for (int run = 0; run <= kRuns; ++run) {
        const std::string &clip = clips[run % 2];
        const int startedBefore = log.count(EventLog::Kind::Started, clip);
        arm();
        const std::int64_t requested = nowNs();
        ourRequests.push_back(requested);
        player->play(clip, 37);
        const std::int64_t wrote = waitForWrite(std::chrono::milliseconds(3000), false);
        for (int i = 0; i < 300 && log.count(EventLog::Kind::Started, clip) == startedBefore; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        const auto events = log.events();
        if (wrote > 0) {
            if (run == 0)
                oursFirst = msSince(requested, wrote);
            else
                ours.push_back(msSince(requested, wrote));
        }
        if (run > 0 && !events.empty() && events.back().kind == EventLog::Kind::Started)
            oursEvent.push_back(msSince(requested, nowNs(events.back().when)));
        pause(std::chrono::milliseconds(clipMs + 200), false);
    }
    const long afterPlayKb = residentKb() - rssBefore;

    // A file replaced since it was decoded is decoded afresh before it plays.
    std::vector<double> replaced;
    for (int run = 0; run < 10; ++run) {
        writeFile(clips[0], readFile(source));
        arm();
        const std::int64_t requested = nowNs();
        player->play(clips[0], 37);
        const std::int64_t wrote = waitForWrite(std::chrono::milliseconds(3000), false);
        if (wrote > 0)
            replaced.push_back(msSince(requested, wrote));
        pause(std::chrono::milliseconds(clipMs + 200), false);
    }
    player.reset();

    const ChildFigures qmp = runQMediaPlayerChild(argv[0], clips[0], clips[1], clipMs);

    // Heard-later figure: onset in the recording minus request time, for
    // each run, is the latency plus one unknown constant shared by all runs.
    double heardLaterMs = 0;
    bool haveHeard = false;
    if (recording) {
        const auto onsets = onsetsSeconds(channel(server.stopRecording(), 2, 0), PulseServer::kRate);
        if (onsets.size() == ourRequests.size() + replaced.size() + qmp.requests.size()) {
            std::vector<double> oursHeard, theirsHeard;
            for (std::size_t i = 1; i < ourRequests.size(); ++i)
                oursHeard.push_back(onsets[i] * 1000 - double(ourRequests[i] - ourRequests[0]) / 1e6);
            for (std::size_t i = 1; i < qmp.requests.size(); ++i)
                theirsHeard.push_back(onsets[ourRequests.size() + replaced.size() + i] * 1000
                                      - double(qmp.requests[i] - ourRequests[0]) / 1e6);
            heardLaterMs = median(theirsHeard) - median(oursHeard);
            haveHeard = true;
        } else {
            std::printf("\n(recording: %zu sounds found for %zu requests; heard-later figure left out)\n",
                        onsets.size(), ourRequests.size() + replaced.size() + qmp.requests.size());
        }
    }

    std::printf("\nRequest to first audio handed to the server (median of %d, after one cold start):\n", kRuns);
    std::printf("  PulseSoundOutput    %8.2f ms   (first play %.2f ms; own event says %.2f ms)\n", median(ours),
                oursFirst, median(oursEvent));
    std::printf("  ... a replaced file %8.2f ms   (decoded afresh first; median of %zu)\n", median(replaced),
                replaced.size());
    if (qmp.runs.empty()) {
        std::printf("  QMediaPlayer        not measured (the child process gave no figures)\n");
    } else {
        std::printf("  QMediaPlayer        %8.2f ms   (cold first play %.2f ms; %zu runs)\n", median(qmp.runs),
                    qmp.firstMs, qmp.runs.size());
        std::printf("  ratio               %8.3f      (this player / QMediaPlayer)\n", median(ours) / median(qmp.runs));
    }
    if (haveHeard)
        std::printf("  Heard: QMediaPlayer's sound comes out of the sink %.1f ms later than this player's (median "
                    "of %d, same recording)\n",
                    heardLaterMs, kRuns);
    std::printf("\nConstruction:\n");
    std::printf("  PulseSoundOutput    %8.3f ms, %ld KB (%ld KB after %d plays)\n", constructMs, constructKb,
                afterPlayKb, kRuns + 1);
    if (qmp.constructMs >= 0)
        std::printf("  QMediaPlayer        %8.3f ms, %ld KB\n", qmp.constructMs, qmp.constructKb);

    std::printf("\nTargets: at most 2 ms: %s; at most a third of QMediaPlayer: %s\n",
                median(ours) <= 2 ? "met" : "MISSED",
                qmp.runs.empty() ? "not known" : (median(ours) * 3 <= median(qmp.runs) ? "met" : "MISSED"));
    return 0;
}
