#include "qt/platform/sound/shippedsamples.h"

#include "qt/platform/sound/decoderoutput.h"
#include "qt/platform/sound/decoderprotocol.h"

#include <QCryptographicHash>


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

    // The decoder's records for one whole sound, read as the player reads
    // them from the decoder itself.
    std::string records;
    std::size_t bytes = 0;
    if (!readSmallFile(folder + "/decoded/" + digest.toStdString() + ".pcm", kLargestSamplesFile, records, bytes))
        return false;
    std::vector<std::int16_t> read;
    read.reserve(bytes / sizeof(std::int16_t));
    bool whole = false;
    bool more = false;
    DecoderOutput output(
        [&](std::size_t file, const std::int16_t *data, std::size_t count) {
            if (file == 0)
                read.insert(read.end(), data, data + count);
        },
        [&](std::size_t file, DecoderOutput::FileEnd how) {
            whole = file == 0 && how == DecoderOutput::FileEnd::Ended;
            more = more || file > 0;
        });
    if (!output.take(records.data(), bytes) || !whole || more || read.empty())
        return false;
    samples = std::move(read);
    return true;
}

} // namespace drillix
