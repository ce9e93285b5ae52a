#pragma once

// The shipped sounds, decoded once when the program is built: for a sound
// file F, the file decoded/DIGEST.pcm beside it holds what the decoder
// program writes for it with --keep, DIGEST being the SHA-256 of F's bytes
// in lower-case hex. A sound file that was replaced has another digest, so
// its old samples are never taken for it.

#include <cstdint>
#include <string>
#include <vector>

namespace drillix {

// The samples shipped for the sound file at this path, or false when there
// are none, the file is not a small regular file, or what is there is not
// one whole sound.
bool readShippedSamples(const std::string &soundPath, std::vector<std::int16_t> &samples);

} // namespace drillix
