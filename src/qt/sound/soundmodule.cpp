// The entry point of the sound module, looked up by name when it is loaded.

#include "qt/sound/ffmpegsoundoutput.h"

#include <QtGlobal>

extern "C" Q_DECL_EXPORT drillix::SoundOutput *drillix_create_sound_output()
{
    return new drillix::FfmpegSoundOutput();
}
