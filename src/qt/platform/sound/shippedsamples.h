#pragma once

// The shipped sounds, decoded once when the program is built: for a sound
// file F, the file decoded/DIGEST.pcm beside it, DIGEST being the SHA-256 of
// F's bytes in lower-case hex. It holds that digest again on its first line,
// the SHA-256 of the samples on its second, then the samples as the decoder
// program writes them. Samples are used only when both digests hold, so that
// a stray, damaged or swapped file is never played for a sound.

#include <cstdint>
#include <string>
#include <vector>

namespace drillix {

// The samples shipped for the sound file at this path, or false when there
// are none that are proven to be its own.
bool readShippedSamples(const std::string &soundPath, std::vector<std::int16_t> &samples);

} // namespace drillix
