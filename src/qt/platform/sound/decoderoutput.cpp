#include "qt/platform/sound/decoderoutput.h"

#include "qt/platform/sound/decoderprotocol.h"

#include <algorithm>
#include <cstring>

namespace drillix {

namespace protocol = decoderprotocol;

DecoderOutput::DecoderOutput(SamplesHandler onSamples, EndHandler onEnd)
    : m_onSamples(std::move(onSamples))
    , m_onEnd(std::move(onEnd))
{
}

void DecoderOutput::reset()
{
    m_file = 0;
    m_partialBytes = 0;
    m_recordLeft = 0;
}

bool DecoderOutput::take(const char *data, std::size_t bytes)
{
    m_samples.clear();
    auto flushSamples = [this] {
        if (!m_samples.empty())
            m_onSamples(m_file, m_samples.data(), m_samples.size());
        m_samples.clear();
    };
    while (bytes > 0) {
        if (m_recordLeft == 0) {
            const std::size_t want = std::min(sizeof(std::int32_t) - m_partialBytes, bytes);
            std::memcpy(m_partial + m_partialBytes, data, want);
            m_partialBytes += want;
            data += want;
            bytes -= want;
            if (m_partialBytes < sizeof(std::int32_t))
                break;
            m_partialBytes = 0;
            std::int32_t header = 0;
            std::memcpy(&header, m_partial, sizeof header);
            if (header > 0) {
                if (header > protocol::kMaxRecordBytes || header % 2 != 0)
                    return false;
                m_recordLeft = std::size_t(header);
                continue;
            }
            flushSamples();
            if (header == protocol::kEnded)
                m_onEnd(m_file, DecoderOutput::FileEnd::Ended);
            else if (header == protocol::kNoSound)
                m_onEnd(m_file, DecoderOutput::FileEnd::NoSound);
            else if (header == protocol::kTooLong)
                m_onEnd(m_file, DecoderOutput::FileEnd::TooLong);
            else
                return false;
            ++m_file;
            continue;
        }
        // Sample bytes; a sample split between reads waits in m_partial.
        std::size_t usable = std::min(m_recordLeft, bytes);
        if (m_partialBytes == 1) {
            m_partial[1] = *data++;
            --bytes;
            --usable;
            --m_recordLeft;
            m_partialBytes = 0;
            std::int16_t sample;
            std::memcpy(&sample, m_partial, 2);
            m_samples.push_back(sample);
        }
        const std::size_t whole = usable / 2 * 2;
        const std::size_t before = m_samples.size();
        m_samples.resize(before + whole / 2);
        std::memcpy(m_samples.data() + before, data, whole);
        data += whole;
        bytes -= whole;
        m_recordLeft -= whole;
        if (usable > whole) {
            m_partial[0] = *data++;
            --bytes;
            --m_recordLeft;
            m_partialBytes = 1;
        }
    }
    flushSamples();
    return true;
}

} // namespace drillix
