#include "qt/platform/appearance/boundedfile.h"

#include "core/platform.h"

#include <QFile>
#include <QFileInfo>

namespace drillix {

std::string describeSize(qint64 bytes)
{
    constexpr qint64 kKilo = 1024;
    constexpr qint64 kMega = 1024 * 1024;
    if (bytes < kKilo)
        return std::to_string(bytes) + (bytes == 1 ? " byte" : " bytes");
    if (bytes < kMega)
        return std::to_string((bytes + kKilo - 1) / kKilo) + " KB";
    // Tenths of a megabyte, rounded up; whole numbers without ".0".
    const qint64 tenths = (bytes * 10 + kMega - 1) / kMega;
    std::string text = std::to_string(tenths / 10);
    if (tenths % 10 != 0) {
        text += '.';
        text += char('0' + tenths % 10);
    }
    return text + " MB";
}

void checkBoundedFile(const QString &path, const std::string &what, qint64 limit)
{
    if (path.isEmpty())
        throw Failure(what + " has no name");
    const QFileInfo info(path);
    if (!info.exists()) {
        // exists() follows links; isSymLink() does not.
        if (info.isSymLink())
            throw Failure(what + " is a link to a file that does not exist");
        throw Failure(what + " not found");
    }
    if (info.isDir())
        throw Failure(what + " is a folder, not a file");
    // Devices, pipes and sockets could block or never end.
    if (!info.isFile())
        throw Failure(what + " is not a normal file");
    if (info.size() > limit)
        throw Failure(what + " is too large (" + describeSize(info.size()) + "; the limit is "
                      + describeSize(limit) + ")");
}

QByteArray readBoundedFile(const QString &path, const std::string &what, qint64 limit)
{
    checkBoundedFile(path, what, limit);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw Failure(what + " cannot be read (" + file.errorString().toStdString() + ")");
    // One byte more than allowed tells a file that grew since the check.
    QByteArray bytes = file.read(limit + 1);
    if (file.error() != QFileDevice::NoError)
        throw Failure(what + " cannot be read (" + file.errorString().toStdString() + ")");
    if (bytes.size() > limit)
        throw Failure(what + " is too large (over " + describeSize(limit) + ")");
    return bytes;
}

} // namespace drillix
