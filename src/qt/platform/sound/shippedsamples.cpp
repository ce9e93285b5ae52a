#include "qt/platform/sound/shippedsamples.h"

#include "qt/platform/sound/decoderprotocol.h"

#include <QCryptographicHash>

#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace drillix {

namespace protocol = decoderprotocol;

namespace {

// Sound files the quiz ships are a few tens of kB; anything much larger is
// decoded as usual.
constexpr off_t kLargestSoundFile = 4 << 20;
constexpr off_t kLargestSamplesFile =
    off_t(protocol::kRate) * protocol::kChannels * 2 * protocol::kKeptSeconds + (1 << 16);

// The bytes of a regular file no larger than the limit, into a buffer of
// the element type given; never blocks on a FIFO or device put in its place.
template<class Buffer>
bool readSmallFile(const std::string &path, off_t limit, Buffer &buffer, std::size_t &bytes)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat info {};
    bool ok = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_size > 0 && info.st_size <= limit;
    bytes = ok ? std::size_t(info.st_size) : 0;
    if (ok) {
        buffer.resize((bytes + sizeof(buffer[0]) - 1) / sizeof(buffer[0]));
        auto *data = reinterpret_cast<char *>(buffer.data());
        std::size_t done = 0;
        while (ok && done < bytes) {
            const ssize_t n = ::read(fd, data + done, bytes - done);
            ok = n > 0;
            if (ok)
                done += std::size_t(n);
        }
    }
    ::close(fd);
    return ok;
}

} // namespace

bool readShippedSamples(const std::string &soundPath, std::vector<std::int16_t> &samples)
{
    std::string sound;
    std::size_t soundBytes = 0;
    if (!readSmallFile(soundPath, kLargestSoundFile, sound, soundBytes))
        return false;
    const QByteArray digest =
        QCryptographicHash::hash(QByteArrayView(sound.data(), qsizetype(soundBytes)), QCryptographicHash::Sha256).toHex();
    const std::size_t slash = soundPath.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string(".") : soundPath.substr(0, slash);

    // The decoder's records for one whole sound, as the player reads them
    // from the decoder itself; the samples are gathered in place, over the
    // records' headers, so that the file is held only once.
    std::vector<std::int16_t> read;
    std::size_t bytes = 0;
    if (!readSmallFile(folder + "/decoded/" + digest.toStdString() + ".pcm", kLargestSamplesFile, read, bytes))
        return false;
    auto *data = reinterpret_cast<char *>(read.data());
    std::size_t at = 0;
    std::size_t kept = 0;
    while (at + sizeof(std::int32_t) <= bytes) {
        std::int32_t length = 0;
        std::memcpy(&length, data + at, sizeof length);
        at += sizeof length;
        if (length == protocol::kEnded) {
            if (at != bytes || kept == 0)
                return false;
            read.resize(kept / sizeof(std::int16_t));
            samples = std::move(read);
            return true;
        }
        if (length < 0 || length > protocol::kMaxRecordBytes || length % 2 != 0 || std::size_t(length) > bytes - at)
            return false;
        std::memmove(data + kept, data + at, std::size_t(length));
        kept += std::size_t(length);
        at += std::size_t(length);
    }
    return false;
}

} // namespace drillix
