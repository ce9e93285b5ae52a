#include "qt/platform/sound/lazysoundoutput.h"

#include <QLibrary>
#include <QLoggingCategory>

namespace drillix {

namespace {
Q_LOGGING_CATEGORY(lcSoundLoader, "drillix.sound")
}

LazySoundOutput::LazySoundOutput(QString modulePath, std::string decoderProgram)
    : m_modulePath(std::move(modulePath))
    , m_decoderProgram(std::move(decoderProgram))
{
}

// The module stays mapped to the end of the process: unloading audio
// libraries while their threads wind down is asking for trouble.
LazySoundOutput::~LazySoundOutput() = default;

bool LazySoundOutput::load(const std::vector<std::string> &soundsToPrepare)
{
    if (std::exchange(m_tried, true))
        return m_output != nullptr;
    using Factory = SoundOutput *(*)(const char *decoderProgram, const char *const *sounds, std::size_t count);
    QLibrary library(m_modulePath);
    const auto factory = reinterpret_cast<Factory>(library.resolve("drillix_create_sound_output"));
    if (!factory) {
        qCWarning(lcSoundLoader) << "no sound:" << library.errorString();
        return false;
    }
    std::vector<const char *> sounds;
    for (const std::string &sound : soundsToPrepare)
        sounds.push_back(sound.c_str());
    m_output.reset(factory(m_decoderProgram.c_str(), sounds.data(), sounds.size()));
    return true;
}

void LazySoundOutput::preload(const std::vector<std::string> &soundsToPrepare)
{
    load(soundsToPrepare);
}

void LazySoundOutput::play(const std::string &path, int volumePercent)
{
    if (load({}))
        m_output->play(path, volumePercent);
}

} // namespace drillix
