#include "qt/platform/sound/lazysoundoutput.h"

#include <QLoggingCategory>

#include <dlfcn.h>

namespace drillix {

static Q_LOGGING_CATEGORY(lcSoundLoader, "drillix.sound")

void LazySoundOutput::preload(const std::vector<std::string> &soundsToPrepare)
{
    if (std::exchange(m_tried, true))
        return;
    // The module is built with the program, so C++ types may cross.
    using Factory = SoundOutput *(*)(const std::string &decoderProgram, const std::vector<std::string> &sounds);
    void *module = ::dlopen(m_modulePath.c_str(), RTLD_LAZY | RTLD_LOCAL);
    if (const auto factory = module ? reinterpret_cast<Factory>(::dlsym(module, "drillix_create_sound_output")) : nullptr)
        m_output.reset(factory(m_decoderProgram, soundsToPrepare));
    else
        qCWarning(lcSoundLoader) << "no sound:" << ::dlerror();
}

void LazySoundOutput::play(const std::string &path, int volumePercent)
{
    preload({});
    if (m_output)
        m_output->play(path, volumePercent);
}

} // namespace drillix
