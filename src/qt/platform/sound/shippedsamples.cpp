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

// The bytes of a regular file no larger than the limit; never blocks on a
// FIFO or device put in its place.
bool readSmallFile(const std::string &path, off_t limit, std::string &bytes)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat info {};
    bool ok = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_size > 0 && info.st_size <= limit;
    if (ok) {
        bytes.resize(std::size_t(info.st_size));
        std::size_t done = 0;
        while (ok && done < bytes.size()) {
            const ssize_t n = ::read(fd, bytes.data() + done, bytes.size() - done);
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
    if (!readSmallFile(soundPath, kLargestSoundFile, sound))
        return false;
    const QByteArray digest =
        QCryptographicHash::hash(QByteArrayView(sound.data(), qsizetype(sound.size())), QCryptographicHash::Sha256)
            .toHex();
    const std::size_t slash = soundPath.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string(".") : soundPath.substr(0, slash);
    std::string records;
    if (!readSmallFile(folder + "/decoded/" + digest.toStdString() + ".pcm", kLargestSamplesFile, records))
        return false;

    // The decoder's records for one whole sound, as the player reads them
    // from the decoder itself.
    std::vector<std::int16_t> read;
    std::size_t at = 0;
    while (at + sizeof(std::int32_t) <= records.size()) {
        std::int32_t length = 0;
        std::memcpy(&length, records.data() + at, sizeof length);
        at += sizeof length;
        if (length == protocol::kEnded) {
            if (at != records.size() || read.empty())
                return false;
            samples = std::move(read);
            return true;
        }
        if (length < 0 || length > protocol::kMaxRecordBytes || length % 2 != 0
            || std::size_t(length) > records.size() - at)
            return false;
        const std::size_t first = read.size();
        read.resize(first + std::size_t(length) / 2);
        std::memcpy(read.data() + first, records.data() + at, std::size_t(length));
        at += std::size_t(length);
    }
    return false;
}

} // namespace drillix
