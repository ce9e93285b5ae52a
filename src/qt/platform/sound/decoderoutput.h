#pragma once

// The sound decoder program's output (see decoderprotocol.h), cut into its
// records as it arrives in pieces of any size: samples and the end of each
// file in turn are handed on.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

namespace drillix {

class DecoderOutput
{
public:
    enum class FileEnd { Ended, NoSound, TooLong };

    // Samples of the given file (its index in the decoder's list).
    using SamplesHandler = std::function<void(std::size_t file, const std::int16_t *samples, std::size_t count)>;
    using EndHandler = std::function<void(std::size_t file, FileEnd how)>;

    DecoderOutput(SamplesHandler onSamples, EndHandler onEnd);

    // Takes the next piece; false when it breaks the protocol.
    bool take(const char *data, std::size_t bytes);
    // Starts over at the first file.
    void reset();

private:
    SamplesHandler m_onSamples;
    EndHandler m_onEnd;
    std::size_t m_file = 0;
    // A record header, or a sample, split between two pieces.
    char m_partial[4] = {};
    std::size_t m_partialBytes = 0;
    std::size_t m_recordLeft = 0; // sample bytes still due in this record
    std::vector<std::int16_t> m_samples;
};

} // namespace drillix
