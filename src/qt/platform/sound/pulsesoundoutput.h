#pragma once

// The program's sounds, played through the sound server (PulseAudio, or
// PipeWire's PulseAudio service) with libpulse's threaded main loop.
//
// Each sound file is decoded by the separate decoder program and read from
// its pipe as it plays, a long sound only a little ahead of what plays. A
// sound of up to half a minute is kept while its file is unchanged, so that
// playing it again only hands samples to the server.
//
// play() only leaves the request for the player's thread and returns; a new
// request cuts the sound before at once. Nothing here waits on the server:
// one that is missing, gone or hung means silence, and the player's end
// does not wait for it either.

#include "core/platform.h"

#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

struct pa_context;
struct pa_defer_event;
struct pa_mainloop_api;
struct pa_operation;
struct pa_stream;
struct pa_threaded_mainloop;

namespace drillix {

// What became of a sound request, for an optional listener (tests and
// measurements); the program itself needs none.
struct SoundEvent {
    enum class Kind {
        Started,  // the first samples were handed to the sound server
        Finished, // the server has played the last of them
        CutOff,   // a newer request, or the player's end, stopped it first
        Silent,   // nothing was played; detail says why
    };
    Kind kind = Kind::Silent;
    std::string path;
    std::string detail;
    std::chrono::steady_clock::time_point requested;
    std::chrono::steady_clock::time_point when;
};

// Called on the player's own thread; it must not call back into the player.
using SoundListener = std::function<void(const SoundEvent &)>;

class PulseSoundOutput final : public SoundOutput
{
public:
    // decoderProgram: the path of the sound decoder program.
    explicit PulseSoundOutput(std::string decoderProgram, SoundListener listener = {});
    ~PulseSoundOutput() override;
    PulseSoundOutput(const PulseSoundOutput &) = delete;
    PulseSoundOutput &operator=(const PulseSoundOutput &) = delete;

    void play(const std::string &path, int volumePercent) override;
    // Makes these files' sounds ready in the background, so that their first
    // play is as quick as any later one.
    void prepare(const std::vector<std::string> &paths);

private:
    using Kind = SoundEvent::Kind;
    struct Request {
        std::string path;
        int volume = 0;
        std::chrono::steady_clock::time_point requested;
    };
    struct Sound;

    void wake();
    std::shared_ptr<Sound> soundFor(const std::string &path);
    void readDecoder(const std::shared_ptr<Sound> &sound);
    void pace(Sound &sound);

    void connectContext();
    void contextStateChanged();
    void disconnect();
    void openStream();
    void feed();
    void writeMore();
    void stopPlaying(std::optional<Kind> how = {}, const std::string &detail = {});

    const std::string m_decoderProgram;
    const SoundListener m_listener;

    pa_threaded_mainloop *m_loop = nullptr;
    pa_mainloop_api *m_api = nullptr;
    pa_defer_event *m_wake = nullptr;
    pa_context *m_context = nullptr;
    bool m_warnedNoServer = false;
    pa_stream *m_stream = nullptr; // the one the current sound plays on
    pa_operation *m_drain = nullptr;

    // Handed over by play() and prepare().
    std::optional<Request> m_pending;
    std::vector<std::string> m_toPrepare;

    // The sound that plays, or waits for the server or its first samples.
    std::optional<Request> m_request;
    std::shared_ptr<Sound> m_sound;
    std::size_t m_position = 0; // the next sample to hand over; above 0 once the sound has started
    std::map<std::string, std::shared_ptr<Sound>> m_kept;
};

} // namespace drillix
