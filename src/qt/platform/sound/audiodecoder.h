#pragma once

// Sound file decoding with FFmpeg, free of Qt so that it can be tested and
// fuzzed on its own. The result depends only on the bytes of the file: no
// other file, URL or device is ever opened.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace drillix {

// Bounds that keep a hostile or huge file from taking much memory or time.
struct DecodeLimits {
    std::uint64_t maxFileBytes = std::uint64_t{64} << 20;
    // Longer sounds are cut at this length.
    std::uint32_t maxSeconds = 600;
};

// Interleaved signed 16-bit samples.
struct DecodedAudio {
    int sampleRate = 0;
    int channels = 0;
    std::vector<std::int16_t> samples;

    std::size_t frames() const { return channels > 0 ? samples.size() / std::size_t(channels) : 0; }
};

struct DecodeResult {
    DecodedAudio audio;
    // Empty when the file gave sound; otherwise why it gave none.
    std::string error;

    bool ok() const { return error.empty(); }
};

// Decodes a whole file, resampled to the given rate and channel count. A
// file damaged part-way gives the sound before the damage.
DecodeResult decodeAudioFile(const std::string &path, int targetRate, int channels,
                             const DecodeLimits &limits = {});

// Opens a regular file for reading without reading it, for
// AudioDecoder::open(): the decoder program opens every file it was given,
// then gives up the right to open files before it parses any. -1 on failure.
int openSoundFile(const std::string &path);

// The same decoding a piece at a time, so that a player can start on the
// first piece and drop a long file at any point.
class AudioDecoder
{
public:
    AudioDecoder();
    ~AudioDecoder();
    AudioDecoder(const AudioDecoder &) = delete;
    AudioDecoder &operator=(const AudioDecoder &) = delete;

    // False, with error() saying why, when the file cannot be decoded.
    bool open(const std::string &path, int targetRate, int channels, const DecodeLimits &limits = {});
    // The same for a file from openSoundFile(), which it takes over; path
    // only names it to FFmpeg's format probe.
    bool open(int fd, const std::string &path, int targetRate, int channels, const DecodeLimits &limits = {});

    // Appends interleaved samples to out until at least minFrames frames
    // were added or the sound has ended. Returns false once nothing more
    // will come.
    bool decode(std::vector<std::int16_t> &out, std::size_t minFrames);

    bool atEnd() const;
    std::size_t framesDecoded() const;
    const std::string &error() const;

private:
    struct State;
    std::unique_ptr<State> m_state;
    std::string m_error;
};

} // namespace drillix
