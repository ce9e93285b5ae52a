#pragma once

// Sound file decoding with FFmpeg, free of Qt, for the decoder program and
// its tests. The result depends only on the bytes of the file: no other
// file, URL or device is ever opened.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace drillix {

// What the player plays: interleaved signed 16-bit stereo at 44.1 kHz.
inline constexpr int kSoundRate = 44100;
inline constexpr int kSoundChannels = 2;
// Longer sounds are cut here.
inline constexpr std::uint32_t kLongestSoundSeconds = 600;

// Opens a sound file for decoding; -1 unless it is a readable, non-empty
// regular file. A FIFO or device under the name cannot stall the open.
int openSoundFile(const std::string &path);

// Takes a piece of decoded samples; false to stop decoding.
using SampleSink = std::function<bool(const std::int16_t *samples, std::size_t count)>;

// Decodes the opened file piece by piece into out, reading it as a stream
// so that memory stays bounded whatever its size. A file damaged part-way
// gives the sound before the damage. False when it gave no sound at all.
bool decodeSound(int fd, const SampleSink &out, std::uint32_t maxSeconds = kLongestSoundSeconds);

} // namespace drillix
