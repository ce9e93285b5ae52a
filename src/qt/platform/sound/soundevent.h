#pragma once

#include <chrono>
#include <functional>
#include <string>

namespace drillix {

// What became of a sound request, as seen by an optional listener (tests
// and measurements); the program itself needs none.
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
    std::chrono::steady_clock::time_point requested;
    std::chrono::steady_clock::time_point when;
};

// Called on the player's own thread; it must not call back into the player.
using SoundListener = std::function<void(const SoundEvent &)>;

} // namespace drillix
