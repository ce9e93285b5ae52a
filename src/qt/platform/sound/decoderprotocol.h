#pragma once

// What the sound decoder program writes to its standard output, read back
// by the player. The program takes its output rate, channel count, longest
// sound in seconds and then any number of files, and decodes them in turn
// (or, with --keep FILE, one file as the player keeps it: the build decodes
// the shipped sounds so, and the player reads the result from a file).
// For each file it writes records, each an int32 in native byte order and
// what it announces:
//   n > 0   n bytes of interleaved signed 16-bit samples follow;
//   0       the file ended after the samples sent;
//   -1      the file gave no sound;
//   -2      the file's sound goes on past the longest allowed, where the
//           samples sent stop.

#include <cstdint>

namespace drillix::decoderprotocol {

inline constexpr int kRate = 44100;
inline constexpr int kChannels = 2;
// Sounds up to this long are decoded whole and kept; longer ones are cut
// here when kept.
inline constexpr int kKeptSeconds = 30;

inline constexpr std::int32_t kEnded = 0;
inline constexpr std::int32_t kNoSound = -1;
inline constexpr std::int32_t kTooLong = -2;

// The longest record the player accepts: a corrupt stream cannot make it
// reserve more.
inline constexpr std::int32_t kMaxRecordBytes = 1 << 20;

} // namespace drillix::decoderprotocol
