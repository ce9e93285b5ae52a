#pragma once

#include <sys/stat.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace drillix {

// Tells whether a file is still the one that was decoded: replacing it, by
// writing over it or by renaming another onto it, changes one of these.
struct FileIdentity {
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    timespec modified{};
    timespec changed{};

    static FileIdentity of(const struct stat &info)
    {
        return {info.st_dev, info.st_ino, info.st_size, info.st_mtim, info.st_ctim};
    }
    bool operator==(const FileIdentity &other) const
    {
        return device == other.device && inode == other.inode && size == other.size
               && modified.tv_sec == other.modified.tv_sec && modified.tv_nsec == other.modified.tv_nsec
               && changed.tv_sec == other.changed.tv_sec && changed.tv_nsec == other.changed.tv_nsec;
    }
};

// A sound file's samples, filled while its decoder runs. A sound short
// enough is kept whole for playing again; a longer one keeps only what is
// about to play.
struct DecodedSound {
    enum class State { Decoding, Ready, Failed };

    std::string path;
    FileIdentity identity;
    State state = State::Decoding;
    std::string error;
    // Interleaved samples from sample index `dropped` on.
    std::vector<std::int16_t> samples;
    std::size_t dropped = 0;
    bool whole = true;

    std::size_t end() const { return dropped + samples.size(); }
};

} // namespace drillix
