#include "playertesting.h"
#include "qt/platform/sound/audiodecoder.h"
#include "qt/platform/sound/decoderprocess.h"
#include "soundtesttools.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <memory>
#include <random>
#include <poll.h>
#include <sys/stat.h>

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

std::size_t findChunk(const std::string &bytes, const char *id)
{
    const auto at = bytes.find(id, 12);
    return at == std::string::npos ? 0 : at;
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
                 && makeTone(clip("long.wma"), 440, 30, 0.5, "-c:a wmav2 -f asf");
        if (!m_ready)
            return;
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

TEST_F(Decoder, WmaGivesTheToneItHolds)
{
    const DecodeResult result = decodeAudioFile(clip("tone.wma"), kRate, 2);
    ASSERT_TRUE(result.ok()) << result.error;
    EXPECT_EQ(result.audio.sampleRate, kRate);
    EXPECT_EQ(result.audio.channels, 2);
    // The encoder trims a little at the end.
    EXPECT_NEAR(double(result.audio.frames()) / kRate, 1.0, 0.1);

    const auto left = channel(result.audio.samples, 2, 0);
    const auto right = channel(result.audio.samples, 2, 1);
    const std::size_t middle = kRate / 4;
    EXPECT_NEAR(toneLevel(left, kRate, 440, middle, kRate / 2), 0.5, 0.05);
    EXPECT_NEAR(toneLevel(right, kRate, 440, middle, kRate / 2), 0.5, 0.05);
    EXPECT_LT(toneLevel(left, kRate, 880, middle, kRate / 2), 0.02);
}

TEST_F(Decoder, ResamplesAndRemixesWithoutChangingThePitch)
{
    // Played at a rate it was not converted to, the tone would land at
    // 440 * 48000 / 44100 = 479 Hz.
    const DecodeResult mono48 = decodeAudioFile(clip("tone.wma"), 48000, 1);
    ASSERT_TRUE(mono48.ok()) << mono48.error;
    EXPECT_EQ(mono48.audio.channels, 1);
    EXPECT_NEAR(double(mono48.audio.frames()) / 48000, 1.0, 0.1);
    EXPECT_GT(toneLevel(mono48.audio.samples, 48000, 440, 12000, 24000), 0.3);
    EXPECT_LT(toneLevel(mono48.audio.samples, 48000, 479, 12000, 24000), 0.05);

    const DecodeResult stereo22 = decodeAudioFile(clip("tone.wma"), 22050, 2);
    ASSERT_TRUE(stereo22.ok()) << stereo22.error;
    EXPECT_NEAR(double(stereo22.audio.frames()) / 22050, 1.0, 0.1);
    EXPECT_NEAR(toneLevel(channel(stereo22.audio.samples, 2, 0), 22050, 440, 5000, 11025), 0.5, 0.05);

    // A mono file fills both channels alike.
    const DecodeResult upmixed = decodeAudioFile(clip("mono.wav"), kRate, 2);
    ASSERT_TRUE(upmixed.ok()) << upmixed.error;
    EXPECT_EQ(upmixed.audio.frames(), std::size_t(0.3 * kRate));
    EXPECT_EQ(channel(upmixed.audio.samples, 2, 0), channel(upmixed.audio.samples, 2, 1));
    EXPECT_GT(toneLevel(channel(upmixed.audio.samples, 2, 0), kRate, 330, 0, kRate / 5), 0.3);
}

TEST_F(Decoder, WavRenamedWmaPlaysSampleForSample)
{
    const DecodeResult result = decodeAudioFile(clip("renamed.wma"), kRate, 2);
    ASSERT_TRUE(result.ok()) << result.error;
    const auto expected = wavSamples(readFile(clip("tone.wav")));
    ASSERT_EQ(expected.size(), std::size_t(0.5 * kRate) * 2);
    EXPECT_EQ(result.audio.samples, expected);
}

TEST_F(Decoder, PieceByPieceGivesTheWholeFile)
{
    const DecodeResult whole = decodeAudioFile(clip("tone.wma"), 48000, 2);
    ASSERT_TRUE(whole.ok()) << whole.error;

    AudioDecoder decoder;
    ASSERT_TRUE(decoder.open(clip("tone.wma"), 48000, 2)) << decoder.error();
    std::vector<std::int16_t> pieces;
    bool more = true;
    while (more) {
        const std::size_t before = pieces.size();
        more = decoder.decode(pieces, 1000);
        if (more) {
            EXPECT_GE(pieces.size() - before, 1000u * 2);
        }
    }
    EXPECT_TRUE(decoder.atEnd());
    EXPECT_FALSE(decoder.decode(pieces, 1000));
    EXPECT_EQ(decoder.framesDecoded(), pieces.size() / 2);
    EXPECT_EQ(pieces, whole.audio.samples);
}

TEST_F(Decoder, LimitsBoundLengthAndFileSize)
{
    DecodeLimits twoSeconds;
    twoSeconds.maxSeconds = 2;
    const DecodeResult cut = decodeAudioFile(clip("long.wma"), kRate, 2, twoSeconds);
    ASSERT_TRUE(cut.ok()) << cut.error;
    EXPECT_EQ(cut.audio.frames(), std::size_t(2 * kRate));

    const DecodeResult full = decodeAudioFile(clip("long.wma"), kRate, 2);
    ASSERT_TRUE(full.ok()) << full.error;
    EXPECT_NEAR(double(full.audio.frames()) / kRate, 30.0, 0.1);

    struct stat info {};
    ASSERT_EQ(::stat(clip("long.wma").c_str(), &info), 0);
    DecodeLimits small;
    small.maxFileBytes = std::uint64_t(info.st_size) - 1;
    const DecodeResult refused = decodeAudioFile(clip("long.wma"), kRate, 2, small);
    EXPECT_FALSE(refused.ok());
    EXPECT_TRUE(refused.audio.samples.empty());
    small.maxFileBytes = std::uint64_t(info.st_size);
    EXPECT_TRUE(decodeAudioFile(clip("long.wma"), kRate, 2, small).ok());
}

TEST_F(Decoder, UnplayableFilesGiveAnErrorAndNoSound)
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
    ASSERT_EQ(::mkfifo(clip("fifo.wma").c_str(), 0600), 0);
    ASSERT_EQ(::mkdir(clip("folder.wma").c_str(), 0700), 0);

    for (const std::string &path : {clip("empty.wma"), clip("text.wma"), clip("garbage.wma"), clip("header.wma"),
                                   clip("list.wma"), clip("concat.wma"), clip("fifo.wma"), clip("folder.wma"),
                                   clip("missing.wma"), std::string(), std::string("/dev/zero")}) {
        SCOPED_TRACE(path);
        const DecodeResult result = decodeAudioFile(path, kRate, 2);
        EXPECT_FALSE(result.ok());
        EXPECT_FALSE(result.error.empty());
        EXPECT_TRUE(result.audio.samples.empty());
    }
}

TEST_F(Decoder, CutShortFileGivesTheSoundBeforeTheCut)
{
    const std::string bytes = readFile(clip("tone.wma"));
    writeFile(clip("half.wma"), bytes.substr(0, bytes.size() / 2));
    const DecodeResult result = decodeAudioFile(clip("half.wma"), kRate, 2);
    ASSERT_TRUE(result.ok()) << result.error;
    const double seconds = double(result.audio.frames()) / kRate;
    EXPECT_GT(seconds, 0.3);
    EXPECT_LT(seconds, 0.7);
}

TEST_F(Decoder, NamesThatLookLikeUrlsAreStillFiles)
{
    writeFile(clip("file:odd:name.wma"), readFile(clip("tone.wma")));
    writeFile(clip("http:example.wma"), readFile(clip("renamed.wma")));
    EXPECT_TRUE(decodeAudioFile(clip("file:odd:name.wma"), kRate, 2).ok());
    EXPECT_TRUE(decodeAudioFile(clip("http:example.wma"), kRate, 2).ok());
}

TEST_F(Decoder, DamagedHeadersAndBytesNeverCrash)
{
    DecodeLimits limits;
    limits.maxSeconds = 5;
    const std::string wav = readFile(clip("tone.wav"));
    const std::size_t fmt = findChunk(wav, "fmt ");
    ASSERT_GT(fmt, 0u);
    // Field offsets inside the fmt chunk, with values that make no sense.
    const std::vector<std::pair<std::size_t, std::uint32_t>> edits = {
        {10, 0}, {10, 200}, {10, 0xffff},         // channels
        {12, 0}, {12, 1}, {12, 0x7fffffff},       // sample rate
        {22, 0}, {22, 7}, {22, 64}, {22, 0xffff}, // bits per sample
        {8, 0x55},                                // format tag
    };
    int index = 0;
    for (const auto &[offset, value] : edits) {
        std::string damaged = wav;
        const std::size_t width = offset == 12 ? 4 : 2;
        std::memcpy(damaged.data() + fmt + offset, &value, width);
        const std::string path = clip("header" + std::to_string(index++) + ".wma");
        writeFile(path, damaged);
        const DecodeResult result = decodeAudioFile(path, kRate, 2, limits);
        EXPECT_LE(result.audio.frames(), std::size_t(5 * kRate));
    }

    std::mt19937 random(2024);
    for (const std::string &source : {readFile(clip("tone.wma")), wav}) {
        for (int round = 0; round < 150; ++round) {
            std::string damaged = source.substr(0, random() % source.size() + 1);
            const int flips = 1 + int(random() % 16);
            for (int i = 0; i < flips; ++i)
                damaged[random() % damaged.size()] = char(random());
            writeFile(clip("damaged.wma"), damaged);
            const DecodeResult result = decodeAudioFile(clip("damaged.wma"), kRate, 2, limits);
            EXPECT_EQ(result.ok(), !result.audio.samples.empty());
            EXPECT_LE(result.audio.frames(), std::size_t(5 * kRate));
        }
    }
}

TEST_F(Decoder, TheDecoderProgramGivesEachFileInTurn)
{
    // Through the program and its pipe, as the player reads them: a sound
    // whole, files without sound, a FIFO that must not block it, and a sound
    // past the longest allowed, cut there.
    ASSERT_EQ(::mkfifo(clip("program-fifo.wma").c_str(), 0600), 0);
    writeFile(clip("program-garbage.wma"), std::string(5000, '\x33'));
    const std::vector<std::string> files{clip("tone.wav"), clip("program-garbage.wma"), clip("program-fifo.wma"),
                                         clip("missing.wma"), clip("long.wma"), clip("mono.wav")};
    std::vector<std::vector<std::int16_t>> samples(files.size());
    std::vector<DecoderProcess::FileEnd> ends;
    DecoderProcess process(
        [&](std::size_t file, const std::int16_t *data, std::size_t count) {
            ASSERT_LT(file, files.size());
            samples[file].insert(samples[file].end(), data, data + count);
        },
        [&](std::size_t file, DecoderProcess::FileEnd how) {
            EXPECT_EQ(file, ends.size());
            ends.push_back(how);
        });
    std::string error;
    ASSERT_TRUE(process.start(kDecoder, 2, files, error)) << error;
    // Small reads, so that records and samples are split between them.
    while (process.read(777))
        ::poll(nullptr, 0, 1);

    using End = DecoderProcess::FileEnd;
    EXPECT_EQ(ends, (std::vector<End>{End::Ended, End::NoSound, End::NoSound, End::NoSound, End::TooLong, End::Ended}));
    EXPECT_EQ(samples[0], decodeAudioFile(clip("tone.wav"), kRate, 2).audio.samples);
    for (std::size_t file : {1, 2, 3})
        EXPECT_TRUE(samples[file].empty()) << files[file];
    EXPECT_EQ(samples[4].size(), std::size_t(2 * kRate * 2));
    EXPECT_EQ(samples[5], decodeAudioFile(clip("mono.wav"), kRate, 2).audio.samples);

    std::string missing;
    EXPECT_FALSE(DecoderProcess({}, {}).start("/nonexistent/decoder", 2, files, missing));
    EXPECT_FALSE(missing.empty());
}

// The sounds the program ships, once they are there.
TEST(ShippedSounds, EachIsAShortAudibleSound)
{
    int found = 0;
    for (const char *name : {"correct.wma", "wrong.wma", "complete.wma"}) {
        const std::string path = std::string(DRILLIX_SOURCE_DIR) + "/data/sounds/" + name;
        if (!std::ifstream(path))
            continue;
        ++found;
        SCOPED_TRACE(path);
        const DecodeResult result = decodeAudioFile(path, kRate, 2);
        ASSERT_TRUE(result.ok()) << result.error;
        const double seconds = double(result.audio.frames()) / kRate;
        EXPECT_GT(seconds, 0.05);
        EXPECT_LT(seconds, 2.0);
        const auto loudest = std::max_element(result.audio.samples.begin(), result.audio.samples.end(),
                                              [](int a, int b) { return std::abs(a) < std::abs(b); });
        EXPECT_GT(std::abs(int(*loudest)), 1000);
    }
    if (found == 0)
        GTEST_SKIP() << "data/sounds holds no sounds yet";
}

} // namespace
