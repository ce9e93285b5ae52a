// The entry point of the sound module, looked up by name when it is loaded:
// a player that uses the given decoder program and starts decoding the
// given sounds at once.

#include "qt/platform/sound/pulsesoundoutput.h"

#include <QtGlobal>

extern "C" Q_DECL_EXPORT drillix::SoundOutput *
drillix_create_sound_output(const std::string &decoderProgram, const std::vector<std::string> &soundsToPrepare)
{
    auto *player = new drillix::PulseSoundOutput(decoderProgram);
    player->prepare(soundsToPrepare);
    return player;
}
