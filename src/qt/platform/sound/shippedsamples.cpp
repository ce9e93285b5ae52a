#include "qt/platform/sound/shippedsamples.h"

#include "qt/platform/sound/audiodecoder.h"

#include <QCryptographicHash>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace drillix {

namespace {

// Sound files the quiz ships are a few tens of kB, their samples a few
// seconds; anything larger is decoded as usual.
constexpr off_t kLargestSoundFile = 4 << 20;
constexpr off_t kLargestSamplesFile = off_t(kSoundRate) * kSoundChannels * 2 * 30 + 130;
constexpr qsizetype kDigestLine = 65;

// The bytes of a regular file no larger than the limit; never blocks on a
// FIFO or device put in its place.
bool readSmallFile(const std::string &path, off_t limit, QByteArray &bytes)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    struct stat info {};
    bool ok = fd >= 0 && ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_size <= limit;
    bytes.resize(ok ? qsizetype(info.st_size) : 0);
    for (qsizetype done = 0; ok && done < bytes.size();) {
        const ssize_t got = ::read(fd, bytes.data() + done, std::size_t(bytes.size() - done));
        ok = got > 0;
        done += ok ? got : 0;
    }
    if (fd >= 0)
        ::close(fd);
    return ok;
}

QByteArray digestLine(QByteArrayView bytes, QCryptographicHash::Algorithm algorithm)
{
    return QCryptographicHash::hash(bytes, algorithm).toHex() + '\n';
}

} // namespace

bool readShippedSamples(const std::string &soundPath, std::vector<std::int16_t> &samples)
{
    QByteArray sound;
    if (!readSmallFile(soundPath, kLargestSoundFile, sound))
        return false;
    const QByteArray soundDigest = digestLine(sound, QCryptographicHash::Sha256);
    const std::size_t slash = soundPath.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string(".") : soundPath.substr(0, slash);
    QByteArray shipped;
    if (!readSmallFile(folder + "/decoded/" + soundDigest.chopped(1).toStdString() + ".pcm", kLargestSamplesFile,
                       shipped))
        return false;
    const QByteArrayView body = QByteArrayView(shipped).sliced(std::min(shipped.size(), 2 * kDigestLine));
    if (shipped.size() <= 2 * kDigestLine || body.size() % 4 != 0 || !shipped.startsWith(soundDigest)
        || QByteArrayView(shipped).sliced(kDigestLine, kDigestLine) != digestLine(body, QCryptographicHash::Blake2b_256))
        return false;
    samples.resize(std::size_t(body.size()) / 2);
    std::memcpy(samples.data(), body.data(), std::size_t(body.size()));
    return true;
}

} // namespace drillix
