#pragma once

// Sound playback for the program: FFmpeg decodes, a Qt audio sink plays, all
// on one thread of the player's own. play() only leaves the request for that
// thread and returns; a newer request replaces one not yet taken up.
//
// Needs a QCoreApplication (or QApplication) for its whole life: construct it
// after the application object and destroy it before.

#include "form/platform.h"
#include "qt/sound/audiodecoder.h"

#include <chrono>
#include <functional>
#include <memory>
#include <string>

namespace drillix {

// What became of a request, as seen by an optional listener (tests and
// measurements); the program itself needs none.
struct SoundEvent {
    enum class Kind {
        Started,  // the first samples were handed to the audio device
        Finished, // the device has played the last of them
        CutOff,   // a newer request stopped it before the end
        Silent,   // nothing was played; detail says why
    };
    Kind kind = Kind::Silent;
    std::string path;
    std::string detail;
    std::chrono::steady_clock::time_point requested;
    std::chrono::steady_clock::time_point when;
};

class FfmpegSoundOutput final : public SoundOutput
{
public:
    // Called on the player's thread (in play() itself when there is no
    // application object); it must not call back into the player.
    using Listener = std::function<void(const SoundEvent &)>;

    // Cheap: the thread and the audio device are set up by the first play().
    explicit FfmpegSoundOutput(Listener listener = {}, DecodeLimits limits = {});
    ~FfmpegSoundOutput() override;
    FfmpegSoundOutput(const FfmpegSoundOutput &) = delete;
    FfmpegSoundOutput &operator=(const FfmpegSoundOutput &) = delete;

    void play(const std::string &path, int volumePercent) override;

private:
    struct Shared;
    class Worker;
    class Thread;
    std::shared_ptr<Shared> shared_;
    std::unique_ptr<Thread> thread_;
};

} // namespace drillix
