#pragma once

// A sound file's samples: those shipped with it, or those its decoder
// program writes, taken as they come. The decoder runs in a process group
// of its own, so that ending it also ends anything it started.

#include "qt/platform/sound/audiodecoder.h"

#include <QByteArray>
#include <QString>

#include <sys/stat.h>
#include <sys/types.h>

namespace drillix {

// The player counts its samples in bytes, and hands over whole frames.
inline constexpr std::size_t kFrameBytes = kSoundChannels * sizeof(std::int16_t);

// The samples of a sound file that the program ships, decoded when the
// player was built and carried in it beside a copy of the file, read in
// place. Null when the file's bytes are not those of the shipped file of its
// name, so that a changed file is never played with a shipped sound's
// samples.
QByteArray shippedSamples(const std::string &soundPath);

// A warning from the player's thread, written by the application's thread
// (without an application there is no other): the player's thread must stay
// free to take requests. Standard error blocks while a terminal is paused or
// a pipe is full, and the warning is then left out rather than freeze the
// window.
void warnLater(const QString &text);

class DecodedSound
{
public:
    DecodedSound(std::string path, const struct stat &file)
        : m_path(std::move(path))
        , m_file(file)
    {
    }
    ~DecodedSound() { stopDecoder(); }
    Q_DISABLE_COPY_MOVE(DecodedSound)

    // Whether the file is still the one decoded. Replacing a file, by
    // writing over it or by renaming another onto it, changes one of these;
    // the change time moves with every write, as the modification time
    // does, and cannot be set back.
    bool isFile(const struct stat &file) const
    {
        return file.st_dev == m_file.st_dev && file.st_ino == m_file.st_ino && file.st_size == m_file.st_size
               && file.st_ctim.tv_sec == m_file.st_ctim.tv_sec && file.st_ctim.tv_nsec == m_file.st_ctim.tv_nsec;
    }
    // Takes the samples shipped with the file, or else starts its decoder;
    // false, with a warning, when neither can be had. The shipped sounds
    // need no decoder: decoding the three at start would more than treble
    // start-up CPU (start-up bench: CPU).
    bool load(const std::string &decoderProgram)
    {
        m_bytes = shippedSamples(m_path);
        return !m_bytes.isNull() || startDecoder(decoderProgram);
    }

    bool decoding() const { return m_decoderOutput >= 0; }
    // The pipe to watch while decoding, and the decoder's process, which
    // turns readable when it ends (-1 on kernels that lack pidfd_open).
    int decoderOutput() const { return m_decoderOutput; }
    int decoderExit() const { return m_decoderExit; }
    // Takes what the decoder has written; once it has ended, or its output
    // has, the decoder is stopped and decoding() is false. A child it left
    // behind may hold the pipe open, so its end is what counts.
    void read();

    // Positions are bytes from the start of the sound; the end is that of
    // the last whole frame.
    std::size_t end() const { return (m_dropped + std::size_t(m_bytes.size())) / kFrameBytes * kFrameBytes; }
    const char *from(std::size_t position) const { return m_bytes.constData() + (position - m_dropped); }
    // Frees the samples before position, which are no longer needed.
    void dropBefore(std::size_t position)
    {
        m_bytes.remove(0, qsizetype(position - m_dropped));
        m_dropped = position;
    }

private:
    bool startDecoder(const std::string &program);
    void stopDecoder();

    std::string m_path;
    struct stat m_file;
    QByteArray m_bytes; // native-endian 16-bit samples, interleaved
    std::size_t m_dropped = 0;
    pid_t m_decoder = -1;
    int m_decoderOutput = -1;
    int m_decoderExit = -1;
    // The decoder's standard error, where it says that it runs unconfined.
    int m_decoderComplaints = -1;
};

} // namespace drillix
