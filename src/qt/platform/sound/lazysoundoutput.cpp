#include "qt/platform/sound/lazysoundoutput.h"

#include <QLibrary>
#include <QLoggingCategory>

namespace drillix {

static Q_LOGGING_CATEGORY(lcSoundLoader, "drillix.sound")

LazySoundOutput::LazySoundOutput(QString modulePath, std::string decoderProgram)
    : m_modulePath(std::move(modulePath))
    , m_decoderProgram(std::move(decoderProgram))
{
}

void LazySoundOutput::preload(const std::vector<std::string> &soundsToPrepare)
{
    if (std::exchange(m_tried, true))
        return;
    // The module is built with the program, so C++ types may cross.
    using Factory = SoundOutput *(*)(const std::string &decoderProgram, const std::vector<std::string> &sounds);
    QLibrary library(m_modulePath);
    if (const auto factory = reinterpret_cast<Factory>(library.resolve("drillix_create_sound_output")))
        m_output.reset(factory(m_decoderProgram, soundsToPrepare));
    else
        qCWarning(lcSoundLoader) << "no sound:" << library.errorString();
}

void LazySoundOutput::play(const std::string &path, int volumePercent)
{
    preload({});
    if (m_output)
        m_output->play(path, volumePercent);
}

} // namespace drillix
