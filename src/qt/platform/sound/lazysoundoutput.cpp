#include "qt/platform/sound/lazysoundoutput.h"

#include <QLibrary>
#include <QLoggingCategory>
#include <QMetaObject>

namespace drillix {

namespace {
Q_LOGGING_CATEGORY(lcSoundLoader, "drillix.sound")
}

LazySoundOutput::LazySoundOutput(QString modulePath, std::string decoderProgram)
    : m_modulePath(std::move(modulePath))
    , m_decoderProgram(std::move(decoderProgram))
{
}

LazySoundOutput::~LazySoundOutput()
{
    if (m_loader.joinable())
        m_loader.join();
    // The module stays mapped to the end of the process: unloading audio
    // libraries while their threads wind down is asking for trouble.
    m_output.reset();
}

void LazySoundOutput::preload(std::vector<std::string> soundsToPrepare)
{
    std::lock_guard lock(m_mutex);
    if (m_started)
        return;
    m_started = true;
    m_soundsToPrepare = std::move(soundsToPrepare);
    m_loader = std::thread([this, path = m_modulePath] {
        QLibrary library(path);
        Factory factory = nullptr;
        QString error;
        if (library.load())
            factory = reinterpret_cast<Factory>(library.resolve("drillix_create_sound_output"));
        if (!factory)
            error = library.errorString();
        // Made and used on the GUI thread only; if the window is gone first,
        // the queued call is dropped with m_guiThread.
        QMetaObject::invokeMethod(
            &m_guiThread, [this, factory, error] { loaded(factory, error); }, Qt::QueuedConnection);
    });
}

void LazySoundOutput::loaded(Factory factory, const QString &error)
{
    if (!factory) {
        m_failed = true;
        qCWarning(lcSoundLoader) << "no sound:" << error;
        return;
    }
    std::vector<const char *> sounds;
    for (const std::string &sound : m_soundsToPrepare)
        sounds.push_back(sound.c_str());
    m_output.reset(factory(m_decoderProgram.c_str(), sounds.data(), sounds.size()));
    if (m_pending) {
        m_output->play(m_pending->path, m_pending->volume);
        m_pending.reset();
    }
}

void LazySoundOutput::play(const std::string &path, int volumePercent)
{
    if (m_output) {
        m_output->play(path, volumePercent);
        return;
    }
    if (m_failed)
        return;
    m_pending = Request{path, volumePercent};
    preload();
}

} // namespace drillix
