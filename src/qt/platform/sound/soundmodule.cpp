// The entry point of the sound module, looked up by name when it is loaded:
// a player that uses the given decoder program and starts decoding the
// given sounds at once.

#include "qt/platform/sound/pulsesoundoutput.h"

#include <QtGlobal>

extern "C" Q_DECL_EXPORT drillix::SoundOutput *drillix_create_sound_output(const char *decoderProgram,
                                                                          const char *const *soundsToPrepare,
                                                                          std::size_t soundCount)
{
    auto *player = new drillix::PulseSoundOutput(decoderProgram);
    player->prepare(std::vector<std::string>(soundsToPrepare, soundsToPrepare + soundCount));
    return player;
}
