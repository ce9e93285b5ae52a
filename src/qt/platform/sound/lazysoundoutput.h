#pragma once

#include "core/platform.h"

#include <QObject>
#include <QString>

#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace drillix {

// The program's sound output, loaded from its module in the background.
// The module's libraries are mapped on a thread of its own; the player is
// then made on the GUI thread, and a sound asked for in the meantime plays
// as soon as it is there (the newest request wins). A module that cannot be
// loaded means silence, like any other sound trouble.
class LazySoundOutput : public SoundOutput
{
public:
    // decoderProgram: the sound decoder program the player runs.
    LazySoundOutput(QString modulePath, std::string decoderProgram);
    ~LazySoundOutput() override;

    LazySoundOutput(const LazySoundOutput &) = delete;
    LazySoundOutput &operator=(const LazySoundOutput &) = delete;

    void play(const std::string &path, int volumePercent) override;
    // Starts loading the module, if that has not started yet; the player
    // then decodes these sounds ahead of their first play.
    void preload(std::vector<std::string> soundsToPrepare = {});

    bool ready() const { return m_output != nullptr; }
    bool failed() const { return m_failed; }

private:
    using Factory = SoundOutput *(*)(const char *decoderProgram, const char *const *soundsToPrepare,
                                     std::size_t soundCount);
    void loaded(Factory factory, const QString &error);

    struct Request {
        std::string path;
        int volume;
    };

    QString m_modulePath;
    std::string m_decoderProgram;
    std::vector<std::string> m_soundsToPrepare;
    QObject m_guiThread; // receives the loader's result on the GUI thread
    std::mutex m_mutex;
    std::thread m_loader;
    bool m_started = false;
    bool m_failed = false;
    std::optional<Request> m_pending;
    std::unique_ptr<SoundOutput> m_output;
};

} // namespace drillix
