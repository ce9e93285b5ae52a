#pragma once

// The program's sounds, played through the sound server (PulseAudio, or
// PipeWire's PulseAudio service) with libpulse's threaded main loop.
//
// Sound files are decoded by a separate decoder program, started per file
// (or once for the files to prepare) and read through a pipe. A sound of up
// to half a minute is kept decoded, so that playing it again only hands
// samples to the server; the kept copy is used for as long as the file is
// unchanged. Longer sounds are read from the decoder as they play.
//
// play() only leaves the request for the player's thread and returns; a new
// request cuts the sound before at once. Nothing here waits on the server:
// one that is missing, gone or hung means silence, and the player's end
// does not wait for it either.

#include "core/platform.h"
#include "qt/platform/sound/decodedsound.h"
#include "qt/platform/sound/decoderprocess.h"
#include "qt/platform/sound/soundevent.h"

#include <chrono>
#include <list>
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

class PulseSoundOutput final : public SoundOutput
{
public:
    // decoderProgram: the path of the sound decoder program.
    explicit PulseSoundOutput(std::string decoderProgram, SoundListener listener = {});
    ~PulseSoundOutput() override;
    PulseSoundOutput(const PulseSoundOutput &) = delete;
    PulseSoundOutput &operator=(const PulseSoundOutput &) = delete;

    void play(const std::string &path, int volumePercent) override;

    // Decodes these files in the background, one decoder run for all, so
    // that their first play is as quick as any later one.
    void prepare(const std::vector<std::string> &paths);

private:
    struct Request {
        std::string path;
        int volume = 0;
        std::chrono::steady_clock::time_point requested;
    };
    struct Playback;
    struct Decoding;

    static void onWake(pa_mainloop_api *, pa_defer_event *, void *self);
    static void onContextState(pa_context *context, void *self);
    static void onStreamState(pa_stream *stream, void *self);
    static void onStreamWritable(pa_stream *stream, std::size_t bytes, void *self);
    static void onDrained(pa_stream *stream, int success, void *self);

    void handleRequest(Request request);
    void prepareNow(const std::vector<std::string> &paths);
    void lookUpSound();
    std::shared_ptr<DecodedSound> findSound(const std::string &path, std::string &error);
    void startDecoding(std::vector<std::shared_ptr<DecodedSound>> sounds, int maxSeconds);
    void readDecoder(Decoding &decoding);
    void soundSamples(Decoding &decoding, std::size_t file, const std::int16_t *samples, std::size_t count);
    void soundEnded(Decoding &decoding, std::size_t file, DecoderProcess::FileEnd how);
    void settleDecodings();
    void updateReading(Decoding &decoding);

    void connectContext();
    void contextLost();
    void createIdleStream();
    void dropStream(pa_stream *&stream);
    void startIfReady();
    void writeMore();
    void finishPlayback();
    void cut();
    void report(SoundEvent::Kind kind, const Request &request, std::string detail = {});
    bool isPlaying(const DecodedSound &sound) const;

    const std::string m_decoderProgram;
    const SoundListener m_listener;

    pa_threaded_mainloop *m_loop = nullptr;
    pa_mainloop_api *m_api = nullptr;
    pa_defer_event *m_wake = nullptr;
    pa_context *m_context = nullptr;
    // A stream connected and corked, for the next sound to start on at once;
    // the one the current sound plays on.
    pa_stream *m_idleStream = nullptr;
    bool m_idleReady = false;
    pa_stream *m_busyStream = nullptr;
    pa_operation *m_drain = nullptr;
    bool m_warnedNoServer = false;
    bool m_connectOnWake = false;

    // Handed over by play() and prepare().
    std::optional<Request> m_pending;
    std::vector<std::string> m_toPrepare;

    std::unique_ptr<Playback> m_playback;
    std::map<std::string, std::shared_ptr<DecodedSound>> m_sounds;
    std::list<std::unique_ptr<Decoding>> m_decodings;
    std::vector<std::int16_t> m_scratch;
};

} // namespace drillix
