#pragma once

// The shipped sounds, decoded once when the program is built: for a sound
// file F, the file decoded/DIGEST.pcm beside it, DIGEST being the SHA-256 of
// F's bytes in lower-case hex. It holds that digest again on its first line,
// the BLAKE2b-256 of the samples on its second, then the samples as the
// decoder program writes them. (BLAKE2b, as b2sum -l 256 prints it: over the
// half megabyte of samples it costs 0.8 ms a start against SHA-256's 3.5 ms,
// a fifth of the quiz's start-up CPU; the bench's CPU figure guards it.) Samples are used only when both digests hold, so that
// a stray, damaged or swapped file is never played for a sound.

#include <cstdint>
#include <string>
#include <vector>

namespace drillix {

// The samples shipped for the sound file at this path, or false when there
// are none that are proven to be its own.
bool readShippedSamples(const std::string &soundPath, std::vector<std::int16_t> &samples);

} // namespace drillix
