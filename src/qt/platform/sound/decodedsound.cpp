#include "qt/platform/sound/decodedsound.h"

#include "qt/platform/sound/shippedsamples.h"

#include <cerrno>
#include <cstring>

#include <unistd.h>

namespace drillix {

DecodedSound::DecodedSound(std::string path, const struct stat &file)
    : m_path(std::move(path))
    , m_file(file)
{
}

bool DecodedSound::isFile(const struct stat &file) const
{
    // Replacing a file, by writing over it or by renaming another onto it,
    // changes one of these.
    return file.st_dev == m_file.st_dev && file.st_ino == m_file.st_ino && file.st_size == m_file.st_size
           && file.st_mtim.tv_sec == m_file.st_mtim.tv_sec && file.st_mtim.tv_nsec == m_file.st_mtim.tv_nsec
           && file.st_ctim.tv_sec == m_file.st_ctim.tv_sec && file.st_ctim.tv_nsec == m_file.st_ctim.tv_nsec;
}

bool DecodedSound::load(const std::string &decoderProgram, std::string &error)
{
    return readShippedSamples(m_path, m_samples) || m_decoder.start(decoderProgram, m_path, error);
}

void DecodedSound::read()
{
    char buffer[1 + 64 * 1024];
    for (int reads = 0; reads < 4 && decoding();) {
        buffer[0] = m_oddByte;
        const std::size_t odd = m_haveOddByte ? 1 : 0;
        const ssize_t got = ::read(m_decoder.fd(), buffer + odd, sizeof buffer - 1);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0 && errno == EAGAIN)
            return;
        if (got <= 0) {
            m_decoder.stop();
            return;
        }
        const std::size_t bytes = odd + std::size_t(got);
        const std::size_t before = m_samples.size();
        m_samples.resize(before + bytes / 2);
        std::memcpy(m_samples.data() + before, buffer, bytes / 2 * 2);
        m_haveOddByte = bytes % 2 != 0;
        m_oddByte = buffer[bytes - 1];
        ++reads;
    }
}

void DecodedSound::dropBefore(std::size_t position)
{
    m_samples.erase(m_samples.begin(), m_samples.begin() + std::ptrdiff_t(position - m_dropped));
    m_dropped = position;
}

} // namespace drillix
