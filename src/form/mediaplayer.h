#pragma once

#include "form/control.h"
#include "form/platform.h"

#include <string>

namespace drillix {

// The stored settings of a media player control.
struct MediaPlayerSettings {
    bool autoStart = true; // naming a media address starts it
    int playCount = 1;
    double rate = 1.0;
    int balance = 0;
    int volume = 37; // of 100
    bool mute = false;
    std::string uiMode = "full";
    bool errorDialogs = false;
    bool contextMenu = true;
    bool fullScreen = false;
};

// A hidden media player: setting its media address plays that file through
// the platform's sound output, replacing whatever plays, without waiting.
class MediaPlayer : public Control
{
public:
    MediaPlayer(Form &form, std::string name, SoundOutput &output, MediaPlayerSettings settings)
        : Control(form, ControlKind::MediaPlayer, std::move(name))
        , m_output(output)
        , m_settings(std::move(settings))
    {
    }

    const MediaPlayerSettings &settings() const { return m_settings; }
    const std::string &url() const { return m_url; }

    void setURL(const std::string &url)
    {
        m_url = url;
        if (m_settings.autoStart && !url.empty())
            m_output.play(url, m_settings.mute ? 0 : m_settings.volume);
    }

private:
    SoundOutput &m_output;
    MediaPlayerSettings m_settings;
    std::string m_url;
};

} // namespace drillix
