// The decoder on its own and as its own program, and the samples shipped
// with the program's sounds.

#include "playertesting.h"
#include "qt/platform/sound/audiodecoder.h"
#include "qt/platform/sound/decodedsound.h"
#include "soundtesttools.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>

#include <sys/stat.h>
#include <sys/wait.h>

using namespace drillix;
using namespace drillix::soundtest;

namespace {

constexpr int kRate = 44100;

// The samples in a WAV file's data chunk, read without FFmpeg.
std::vector<std::int16_t> wavSamples(const std::string &bytes)
{
    for (std::size_t at = 12; at + 8 <= bytes.size();) {
        std::uint32_t size = 0;
        std::memcpy(&size, bytes.data() + at + 4, 4);
        if (bytes.compare(at, 4, "data") == 0) {
            const std::size_t count = std::min<std::size_t>(size, bytes.size() - at - 8) / 2;
            std::vector<std::int16_t> samples(count);
            std::memcpy(samples.data(), bytes.data() + at + 8, count * 2);
            return samples;
        }
        at += 8 + size + (size & 1);
    }
    return {};
}

class Decoder : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        m_dir = std::make_unique<TempDir>();
        m_ready = haveProgram("ffmpeg") && makeTone(clip("tone.wma"), 440, 1.0, 0.5, "-c:a wmav2 -f asf")
                  && makeTone(clip("tone.wav"), 660, 0.5, 0.5, "-c:a pcm_s16le -f wav")
                  && makeTone(clip("mono.wav"), 330, 0.3, 0.5, "-c:a pcm_s16le -f wav", kRate, 1)
                  && makeTone(clip("low-rate.wma"), 440, 1.0, 0.5, "-c:a wmav2 -f asf", 22050, 2)
                  && makeTone(clip("long.wma"), 440, 30, 0.5, "-c:a wmav2 -f asf");
        // A WAV file under the name the program uses for its sounds.
        writeFile(clip("renamed.wma"), readFile(clip("tone.wav")));
    }
    static void TearDownTestSuite() { m_dir.reset(); }

    void SetUp() override
    {
        if (!m_ready)
            GTEST_SKIP() << "ffmpeg is missing or could not make the test clips";
    }

    static std::string clip(const std::string &name) { return m_dir->file(name); }

    static inline std::unique_ptr<TempDir> m_dir;
    static inline bool m_ready = false;
};

TEST_F(Decoder, GivesEachFileAtThePlayersRateInStereo)
{
    writeFile(clip("file:odd:name.wma"), readFile(clip("tone.wma")));
    const struct {
        const char *file;
        double hz;
        double seconds;
        double level;
    } rows[] = {
        {"tone.wma", 440, 1.0, 0.5},
        {"low-rate.wma", 440, 1.0, 0.5},      // resampled: played as it is, it would sound an octave up
        {"mono.wav", 330, 0.3, 0.354},        // both channels alike, each at half the power
        {"file:odd:name.wma", 440, 1.0, 0.5}, // a file, never a protocol
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.file);
        const auto samples = decodeWhole(clip(row.file));
        // The encoder trims a little at the end.
        EXPECT_NEAR(double(samples.size()) / 2 / kRate, row.seconds, 0.1);
        const auto left = channel(samples, 2, 0);
        EXPECT_EQ(left, channel(samples, 2, 1));
        EXPECT_NEAR(toneLevel(left, kRate, row.hz, 0, std::size_t(row.seconds * kRate / 2)), row.level, 0.05);
        EXPECT_LT(toneLevel(left, kRate, row.hz * 2, 0, std::size_t(row.seconds * kRate / 2)), 0.02);
    }
    // A WAV file renamed .wma plays sample for sample.
    EXPECT_EQ(decodeWhole(clip("renamed.wma")), wavSamples(readFile(clip("tone.wav"))));
}

TEST_F(Decoder, LongSoundsAreCutAtTheLimit)
{
    EXPECT_EQ(decodeWhole(clip("long.wma"), 2).size(), std::size_t(2 * kRate * 2));
    EXPECT_NEAR(double(decodeWhole(clip("long.wma")).size()) / 2 / kRate, 30.0, 0.1);
}

TEST_F(Decoder, UnplayableFilesGiveNoSound)
{
    writeFile(clip("empty.wma"), "");
    writeFile(clip("text.wma"), "This is not a sound.\r\n");
    std::mt19937 random(7);
    std::string garbage(64 * 1024, '\0');
    for (char &c : garbage)
        c = char(random());
    writeFile(clip("garbage.wma"), garbage);
    writeFile(clip("header.wma"), readFile(clip("tone.wma")).substr(0, 200));
    // A playlist naming a real sound beside it must not be followed.
    writeFile(clip("list.wma"), "#EXTM3U\n#EXT-X-TARGETDURATION:1\n#EXTINF:1,\n" + clip("renamed.wma") + "\n#EXT-X-ENDLIST\n");
    writeFile(clip("concat.wma"), "ffconcat version 1.0\nfile '" + clip("renamed.wma") + "'\n");
    ::mkfifo(clip("fifo.wma").c_str(), 0600);
    ::mkdir(clip("folder.wma").c_str(), 0700);

    for (const std::string &path : {clip("empty.wma"), clip("text.wma"), clip("garbage.wma"), clip("header.wma"),
                                   clip("list.wma"), clip("concat.wma"), clip("fifo.wma"), clip("folder.wma"),
                                   clip("missing.wma"), std::string(), std::string("/dev/zero")}) {
        SCOPED_TRACE(path);
        EXPECT_TRUE(decodeWhole(path).empty());
    }
}

TEST_F(Decoder, DamagedFilesGiveTheSoundBeforeTheDamageOrNone)
{
    const std::string bytes = readFile(clip("tone.wma"));
    writeFile(clip("half.wma"), bytes.substr(0, bytes.size() / 2));
    const double seconds = double(decodeWhole(clip("half.wma")).size()) / 2 / kRate;
    EXPECT_GT(seconds, 0.3);
    EXPECT_LT(seconds, 0.7);

    const std::string wav = readFile(clip("tone.wav"));
    const std::size_t fmt = wav.find("fmt ", 12);
    ASSERT_NE(fmt, std::string::npos);
    // Field offsets inside the fmt chunk, with values that make no sense.
    const std::vector<std::pair<std::size_t, std::uint32_t>> edits = {
        {10, 0}, {10, 200}, {10, 0xffff},         // channels
        {12, 0}, {12, 1}, {12, 0x7fffffff},       // sample rate
        {22, 0}, {22, 7}, {22, 64}, {22, 0xffff}, // bits per sample
        {8, 0x55},                                // format tag
    };
    std::vector<std::string> damaged;
    for (const auto &[offset, value] : edits) {
        damaged.push_back(wav);
        std::memcpy(damaged.back().data() + fmt + offset, &value, offset == 12 ? 4 : 2);
    }
    std::mt19937 random(2024);
    for (const std::string &source : {bytes, wav}) {
        for (int round = 0; round < 150; ++round) {
            damaged.push_back(source.substr(0, random() % source.size() + 1));
            for (int flips = 1 + int(random() % 16); flips > 0; --flips)
                damaged.back()[random() % damaged.back().size()] = char(random());
        }
    }
    for (const std::string &file : damaged) {
        writeFile(clip("damaged.wma"), file);
        EXPECT_LE(decodeWhole(clip("damaged.wma"), 5).size(), std::size_t(5 * kRate * 2));
    }
}

TEST_F(Decoder, TheProgramWritesTheSoundAndEndsWithIt)
{
    writeFile(clip("program-garbage.wma"), std::string(5000, '\x33'));
    ::mkfifo(clip("program-fifo.wma").c_str(), 0600);
    const struct {
        std::string file;
        bool sound;
    } rows[] = {{clip("tone.wav"), true},
                {clip("mono.wav"), true},
                {clip("program-garbage.wma"), false},
                {clip("program-fifo.wma"), false},
                {clip("missing.wma"), false}};
    for (const auto &row : rows) {
        SCOPED_TRACE(row.file);
        FILE *program = ::popen((kDecoder + " '" + row.file + "'").c_str(), "r");
        ASSERT_NE(program, nullptr);
        std::vector<std::int16_t> samples;
        for (std::int16_t buffer[4096]; const std::size_t n = std::fread(buffer, 2, 4096, program);)
            samples.insert(samples.end(), buffer, buffer + n);
        const int status = ::pclose(program);
        EXPECT_EQ(WIFEXITED(status) && WEXITSTATUS(status) == 0, row.sound);
        EXPECT_EQ(samples, decodeWhole(row.file));
    }
}

// The sounds the program ships, and the samples decoded from them when it
// was built.
TEST(ShippedSounds, AreShortAudibleSoundsWhoseSamplesAreProvenTheirOwn)
{
    TempDir copy;
    for (const char *name : {"correct.wma", "wrong.wma", "complete.wma"}) {
        SCOPED_TRACE(name);
        const std::string path = std::string(DRILLIX_BUILD_DIR) + "/sounds/" + name;
        const auto samples = decodeWhole(path);
        EXPECT_GT(samples.size(), std::size_t(0.05 * kRate * 2));
        EXPECT_LT(samples.size(), std::size_t(2 * kRate * 2));
        const auto loudest = std::max_element(samples.begin(), samples.end(),
                                              [](int a, int b) { return std::abs(a) < std::abs(b); });
        EXPECT_GT(std::abs(int(*loudest)), 1000);

        // Taken for a copy of the file anywhere, never for a changed one.
        const std::string bytes = readFile(path);
        writeFile(copy.file(name), bytes);
        const QByteArray shipped = shippedSamples(copy.file(name));
        EXPECT_EQ(shipped, QByteArray(reinterpret_cast<const char *>(samples.data()), qsizetype(samples.size() * 2)));
        std::string flipped = bytes;
        flipped[bytes.size() / 2] ^= 0x40;
        for (const std::string &changed : {flipped, bytes + "x", bytes.substr(1)}) {
            writeFile(copy.file(name), changed);
            EXPECT_TRUE(shippedSamples(copy.file(name)).isNull());
        }
    }
}

} // namespace
