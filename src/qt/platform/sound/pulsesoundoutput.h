#pragma once

// The program's sounds, played through the sound server (PulseAudio, or
// PipeWire's PulseAudio service) with libpulse's threaded main loop.
//
// Each sound file is decoded by the separate decoder program and read from
// its pipe as it plays, a long sound only a little ahead of what plays. A
// sound of up to half a minute is kept while its file is unchanged, so that
// playing it again only hands samples to the server.
//
// play() only leaves the request for the player's thread and returns; a new
// request cuts the sound before at once. The caller never waits on that
// thread, which may itself be held up (by a hung X server that libpulse
// asks, or libpulse's own write to a blocked standard error): the two share
// only a mailbox, locked just to swap its contents. Nothing waits on the
// sound server either: one that is missing, gone or hung means silence.

#include "core/platform.h"

#include <functional>
#include <string>
#include <vector>

namespace drillix {

// What became of a sound request, for an optional listener (tests and
// measurements); the program itself needs none.
struct SoundEvent {
    enum class Kind {
        Started,  // the first samples were handed to the sound server
        Finished, // the server has played the last of them
        CutOff,   // a newer request, or the player's end, stopped it first
        Silent,   // nothing was played; detail says why
    };
    Kind kind = Kind::Silent;
    std::string path;
    std::string detail;
};

// Called on the player's own thread as it happens, never after the player's
// end; it must not call back into the player.
using SoundListener = std::function<void(const SoundEvent &)>;

class PulseSoundOutput final : public SoundOutput
{
public:
    // decoderProgram: the path of the sound decoder program.
    explicit PulseSoundOutput(std::string decoderProgram, SoundListener listener = {});
    ~PulseSoundOutput() override;
    PulseSoundOutput(const PulseSoundOutput &) = delete;
    PulseSoundOutput &operator=(const PulseSoundOutput &) = delete;

    void play(const std::string &path, int volumePercent) override;
    // Makes these files' sounds ready in the background, so that their first
    // play is as quick as any later one.
    void prepare(const std::vector<std::string> &paths);

private:
    struct Player;
    Player *m_player; // left to its thread if that is stuck at the end
};

} // namespace drillix
