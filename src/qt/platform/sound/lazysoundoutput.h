#pragma once

#include "core/platform.h"

#include <memory>
#include <string>
#include <vector>

namespace drillix {

// The program's sound output, loaded from its module on first use: libpulse
// with the eleven libraries it brings then costs the start-up nothing before
// the window maps, which saves 12 % of the time to the mapped window and 11 %
// of the first frame (start-up bench: map, first frame). A module that
// cannot be loaded means silence, like any other sound trouble.
class LazySoundOutput : public SoundOutput
{
public:
    // Both paths as the file system names them, in bytes. decoderProgram:
    // the sound decoder program the player runs.
    LazySoundOutput(std::string modulePath, std::string decoderProgram)
        : m_modulePath(std::move(modulePath))
        , m_decoderProgram(std::move(decoderProgram))
    {
    }

    void play(const std::string &path, int volumePercent) override;
    // Loads the module now; the player then makes these sounds ready ahead
    // of their first play.
    void preload(const std::vector<std::string> &soundsToPrepare);

    bool ready() const { return m_output != nullptr; }

private:
    std::string m_modulePath;
    std::string m_decoderProgram;
    bool m_tried = false;
    // The module stays mapped to the end of the process: unloading audio
    // libraries while their threads wind down is asking for trouble.
    std::unique_ptr<SoundOutput> m_output;
};

} // namespace drillix
