// The player against a private PulseAudio server whose output is recorded:
// what comes out, and what stops it.

#include "playertesting.h"
#include "soundtesttools.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>
#include <thread>

#include <sys/stat.h>

using namespace drillix;
using namespace drillix::soundtest;
using namespace std::chrono_literals;

namespace {

using Kind = SoundEvent::Kind;
constexpr int kRate = PulseServer::kRate;
// A tone at amplitude 0.5 played at volume 37 comes out at 0.185; this
// tells it from silence with a wide margin.
constexpr double kHeard = 0.05;

class Playback : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        m_dir = std::make_unique<TempDir>();
        if (!haveProgram("ffmpeg")) {
            m_why = "ffmpeg is not installed";
            return;
        }
        const bool made = makeTone(clip("ten-minutes.wma"), 440, 600, 0.5, "-c:a wmav2 -f asf")
                          && makeTone(clip("one-second.wma"), 660, 1.0, 0.5, "-c:a wmav2 -f asf")
                          && makeTone(clip("half-second.wma"), 880, 0.5, 0.5, "-c:a wmav2 -f asf")
                          && makeTone(clip("blip.wma"), 880, 0.02, 0.5, "-c:a pcm_s16le -f wav")
                          && makeTone(clip("third.wma"), 660, 0.3, 0.5, "-c:a pcm_s16le -f wav")
                          && makeTone(clip("third-higher.wma"), 990, 0.3, 0.5, "-c:a pcm_s16le -f wav")
                          // Over 64 MiB: 6 min 30 s of 16-bit stereo.
                          && run("ffmpeg -nostdin -y -f lavfi -i sine=frequency=440:duration=390 -af volume=4 -ac 2 "
                                 "-c:a pcm_s16le -f wav " + clip("big.wav"));
        if (!made) {
            m_why = "ffmpeg could not make the test clips";
            return;
        }
        writeFile(clip("garbage.wma"), std::string(20000, '\x33'));
        m_server = std::make_unique<PulseServer>();
        if (!m_server->start(m_why))
            m_server.reset();
    }

    static void TearDownTestSuite()
    {
        m_server.reset();
        m_dir.reset();
    }

    void SetUp() override
    {
        if (!m_server)
            GTEST_SKIP() << "no private PulseAudio server: " << m_why;
        ASSERT_TRUE(m_server->startRecording());
    }

    std::vector<std::int16_t> recordedLeft() { return channel(m_server->stopRecording(), 2, 0); }

    static std::string clip(const std::string &name) { return m_dir->file(name); }

    static inline std::unique_ptr<TempDir> m_dir;
    static inline std::unique_ptr<PulseServer> m_server;
    static inline std::string m_why;
};

TEST_F(Playback, PlaysAClipThroughAtTheVolumeGiven)
{
    EventLog log;
    PulseSoundOutput player(kDecoder, log.listener());
    player.play(clip("one-second.wma"), 37);
    ASSERT_TRUE(log.waitFor(Kind::Finished, clip("one-second.wma")));
    EXPECT_LT(log.indexOf(Kind::Started, clip("one-second.wma")), log.indexOf(Kind::Finished, clip("one-second.wma")));
    std::this_thread::sleep_for(200ms);

    const auto left = recordedLeft();
    const ToneSpan tone = findTone(left, kRate, 660, kHeard);
    ASSERT_GE(tone.firstSeconds, 0) << "nothing was heard";
    EXPECT_NEAR(tone.totalSeconds, 1.0, 0.1);
    // setVolume is linear: 37 of 100 gives 37 % of the amplitude.
    const auto middle = std::size_t((tone.firstSeconds + 0.3) * kRate);
    EXPECT_NEAR(toneLevel(left, kRate, 660, middle, kRate / 2), 0.5 * 0.37, 0.03);
}

TEST_F(Playback, ALongSoundPlaysUntilANewOneCutsItOff)
{
    for (const std::string name : {"ten-minutes.wma", "big.wav"}) {
        SCOPED_TRACE(name);
        m_server->stopRecording();
        ASSERT_TRUE(m_server->startRecording());
        EventLog log;
        PulseSoundOutput player(kDecoder, log.listener());
        player.play(clip(name), 37);
        ASSERT_TRUE(log.waitFor(Kind::Started, clip(name)));
        std::this_thread::sleep_for(500ms);
        player.play(clip("half-second.wma"), 37);
        ASSERT_TRUE(log.waitFor(Kind::Finished, clip("half-second.wma")));
        std::this_thread::sleep_for(200ms);

        const int cutOff = log.indexOf(Kind::CutOff, clip(name));
        ASSERT_GE(cutOff, 0);
        EXPECT_LT(cutOff, log.indexOf(Kind::Started, clip("half-second.wma")));

        const auto left = recordedLeft();
        const ToneSpan first = findTone(left, kRate, 440, kHeard);
        const ToneSpan second = findTone(left, kRate, 880, kHeard);
        ASSERT_GE(first.firstSeconds, 0);
        ASSERT_GE(second.firstSeconds, 0);
        // The long sound stops where the new one starts and never comes back.
        EXPECT_LE(first.lastSeconds, second.firstSeconds + 0.03);
        EXPECT_GT(first.totalSeconds, 0.3);
        EXPECT_LT(first.totalSeconds, 1.5);
        EXPECT_NEAR(second.totalSeconds, 0.5, 0.1);
    }
}

TEST_F(Playback, AnUnplayableFileOrTheEndOfThePlayerSilencesTheSound)
{
    EventLog log;
    auto player = std::make_unique<PulseSoundOutput>(kDecoder, log.listener());
    player->play(clip("ten-minutes.wma"), 37);
    ASSERT_TRUE(log.waitFor(Kind::Started, clip("ten-minutes.wma")));
    std::this_thread::sleep_for(300ms);
    player->play(clip("garbage.wma"), 37);
    ASSERT_TRUE(log.waitFor(Kind::Silent, clip("garbage.wma")));
    EXPECT_EQ(log.count(Kind::CutOff, clip("ten-minutes.wma")), 1);
    std::this_thread::sleep_for(600ms);

    player->play(clip("ten-minutes.wma"), 37);
    ASSERT_TRUE(log.waitFor(Kind::Started, clip("ten-minutes.wma"), 2));
    std::this_thread::sleep_for(300ms);
    player.reset();
    std::this_thread::sleep_for(600ms);

    // Two stretches of the tone, each followed by silence.
    const auto left = recordedLeft();
    const ToneSpan tone = findTone(left, kRate, 440, kHeard);
    ASSERT_GE(tone.firstSeconds, 0);
    EXPECT_NEAR(tone.totalSeconds, 0.6, 0.15);
    EXPECT_GT(tone.lastSeconds - tone.firstSeconds, 1.0);
    EXPECT_LT(tone.lastSeconds, double(left.size()) / kRate - 0.4);
}

TEST_F(Playback, AClipShorterThanTheServerBufferIsHeard)
{
    // The server starts a stream only once part of its buffer is filled;
    // 20 ms alone would never start.
    EventLog log;
    PulseSoundOutput player(kDecoder, log.listener());
    player.play(clip("blip.wma"), 37);
    ASSERT_TRUE(log.waitFor(Kind::Finished, clip("blip.wma")));
    std::this_thread::sleep_for(200ms);
    const ToneSpan tone = findTone(recordedLeft(), kRate, 880, kHeard);
    EXPECT_GE(tone.totalSeconds, 0.01);
    EXPECT_LE(tone.totalSeconds, 0.04);
}

TEST_F(Playback, OfQuickRequestsTheLastIsWhatPlays)
{
    EventLog log;
    PulseSoundOutput player(kDecoder, log.listener());
    player.play(clip("ten-minutes.wma"), 37);
    player.play(clip("one-second.wma"), 37);
    player.play(clip("half-second.wma"), 37);
    ASSERT_TRUE(log.waitFor(Kind::Finished, clip("half-second.wma")));
    std::this_thread::sleep_for(200ms);
    EXPECT_EQ(log.count(Kind::Finished, clip("ten-minutes.wma")), 0);
    EXPECT_EQ(log.count(Kind::Finished, clip("one-second.wma")), 0);

    const auto left = recordedLeft();
    const ToneSpan last = findTone(left, kRate, 880, kHeard);
    ASSERT_GE(last.firstSeconds, 0);
    EXPECT_NEAR(last.totalSeconds, 0.5, 0.1);
    for (const double hz : {440.0, 660.0}) {
        const ToneSpan earlier = findTone(left, kRate, hz, kHeard);
        if (earlier.firstSeconds >= 0) {
            EXPECT_LE(earlier.lastSeconds, last.firstSeconds + 0.03) << hz;
        }
    }
}

TEST_F(Playback, TheSameFileAgainStartsItAfresh)
{
    EventLog log;
    PulseSoundOutput player(kDecoder, log.listener());
    player.play(clip("one-second.wma"), 37);
    ASSERT_TRUE(log.waitFor(Kind::Started, clip("one-second.wma")));
    std::this_thread::sleep_for(400ms);
    player.play(clip("one-second.wma"), 37);
    ASSERT_TRUE(log.waitFor(Kind::Finished, clip("one-second.wma")));
    std::this_thread::sleep_for(200ms);
    EXPECT_EQ(log.count(Kind::Started, clip("one-second.wma")), 2);
    EXPECT_EQ(log.count(Kind::CutOff, clip("one-second.wma")), 1);

    // 0.4 s of the first go, then the whole second one.
    const ToneSpan tone = findTone(recordedLeft(), kRate, 660, kHeard);
    EXPECT_NEAR(tone.totalSeconds, 1.4, 0.15);
}

TEST_F(Playback, AKeptSoundIsDecodedAfreshOnceItsFileChanges)
{
    // Written over in place with a sound of the very same size: only the
    // file's times tell the kept samples are stale.
    const std::string changing = clip("changing.wma");
    writeFile(changing, readFile(clip("third.wma")));
    ASSERT_EQ(readFile(clip("third.wma")).size(), readFile(clip("third-higher.wma")).size());
    EventLog log;
    PulseSoundOutput player(kDecoder, log.listener());
    player.prepare({changing});
    player.play(changing, 37);
    ASSERT_TRUE(log.waitFor(Kind::Finished, changing));
    writeFile(changing, readFile(clip("third-higher.wma")));
    player.play(changing, 37);
    ASSERT_TRUE(log.waitFor(Kind::Finished, changing, 2));
    std::this_thread::sleep_for(200ms);

    const auto left = recordedLeft();
    const ToneSpan before = findTone(left, kRate, 660, kHeard);
    const ToneSpan after = findTone(left, kRate, 990, kHeard);
    EXPECT_NEAR(before.totalSeconds, 0.3, 0.03);
    EXPECT_NEAR(after.totalSeconds, 0.3, 0.03);
    EXPECT_GT(after.firstSeconds, before.lastSeconds);
}

TEST_F(Playback, ShippedSamplesPlayWithoutTheDecoderAndOnlyForTheirOwnFile)
{
    // A copy of the program's own sound, with no decoder to turn to.
    const std::string correct = m_dir->file("correct.wma");
    writeFile(correct, readFile(std::string(DRILLIX_BUILD_DIR) + "/sounds/correct.wma"));
    EventLog log;
    PulseSoundOutput player(m_dir->file("no-decoder-here"), log.listener());
    player.play(correct, 37);
    ASSERT_TRUE(log.waitFor(Kind::Finished, correct));
    writeFile(correct, readFile(clip("third.wma")));
    player.play(correct, 37);
    ASSERT_TRUE(log.waitFor(Kind::Silent, correct));
}

// The fields of /proc/PID/stat from the state on (the state first, the nice
// value 17th); none once the process is reaped.
std::vector<std::string> processStat(const std::string &pid)
{
    const std::string stat = readFile("/proc/" + pid + "/stat");
    std::istringstream fields(stat.substr(stat.rfind(')') + 1));
    return {std::istream_iterator<std::string>(fields), {}};
}

TEST_F(Playback, TheDecoderAndWhatItStartedEndWithTheSound)
{
    // A decoder behind a wrapper that starts a process of its own, as a
    // packager's script might; one such process keeps the decoder's output.
    auto wrapper = [&](const std::string &name, const std::string &output) {
        writeFile(m_dir->file(name), "#!/bin/sh\necho $$ >> '" + m_dir->file("pids") + "'\n/bin/sleep 300 " + output
                                         + " 2>&1 &\necho $! >> '" + m_dir->file("pids") + "'\nexec '" + kDecoder
                                         + "' \"$@\"\n");
        ::chmod(m_dir->file(name).c_str(), 0755);
        return m_dir->file(name);
    };
    auto running = [](const std::string &pid) {
        const auto stat = processStat(pid);
        return !stat.empty() && stat[0] != "Z";
    };
    const struct {
        const char *how;
        std::string decoder;
        std::string clip;
    } rows[] = {
        {"the player ends", wrapper("quiet-wrapper", ">/dev/null"), clip("ten-minutes.wma")},
        {"the sound server dies", wrapper("quiet-wrapper", ">/dev/null"), clip("ten-minutes.wma")},
        {"the decoder is done", wrapper("holding-wrapper", ""), clip("one-second.wma")},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.how);
        std::filesystem::remove(m_dir->file("pids"));
        EventLog log;
        auto player = std::make_unique<PulseSoundOutput>(row.decoder, log.listener());
        player->play(row.clip, 37);
        ASSERT_TRUE(log.waitFor(Kind::Started, row.clip));
        std::this_thread::sleep_for(300ms);
        std::vector<std::string> pids;
        std::ifstream listed(m_dir->file("pids"));
        for (std::string pid; listed >> pid;)
            pids.push_back(pid);
        ASSERT_EQ(pids.size(), 2u);
        if (row.how == rows[0].how) {
            // A heavy file never competes with the window for the CPU.
            const auto ours = processStat("self");
            ASSERT_GT(processStat(pids[0]).size(), 16u);
            EXPECT_EQ(std::stoi(processStat(pids[0])[16]), std::min(std::stoi(ours[16]) + 10, 19));
            player.reset();
        } else if (row.how == rows[1].how) {
            ASSERT_TRUE(m_server->restart());
        } else {
            EXPECT_TRUE(log.waitFor(Kind::Finished, row.clip));
        }
        for (int i = 0; i < 100 && (!processStat(pids[0]).empty() || running(pids[1])); ++i)
            std::this_thread::sleep_for(50ms);
        EXPECT_TRUE(processStat(pids[0]).empty()) << "the decoder is reaped";
        EXPECT_FALSE(running(pids[1])) << "the process it started";
        if (row.how == rows[1].how) {
            // The sound comes back with the server.
            player->play(clip("half-second.wma"), 37);
            EXPECT_TRUE(log.waitFor(Kind::Finished, clip("half-second.wma")));
        }
    }
}

TEST_F(Playback, ManySoundsInARowAllPlayWhole)
{
    // Each sound opens a new stream; none may come out with gaps or
    // stretched, however many went before.
    EventLog log;
    PulseSoundOutput player(kDecoder, log.listener());
    for (int i = 1; i <= 15; ++i) {
        if (i == 15) { // record the last one alone
            m_server->stopRecording();
            ASSERT_TRUE(m_server->startRecording());
        }
        player.play(clip("third.wma"), 37);
        ASSERT_TRUE(log.waitFor(Kind::Finished, clip("third.wma"), i));
    }
    EXPECT_EQ(log.count(Kind::CutOff, clip("third.wma")), 0);
    std::this_thread::sleep_for(200ms);

    const ToneSpan last = findTone(recordedLeft(), kRate, 660, kHeard);
    EXPECT_NEAR(last.totalSeconds, 0.3, 0.03);
    EXPECT_NEAR(last.lastSeconds - last.firstSeconds, 0.3, 0.03);
}

} // namespace
