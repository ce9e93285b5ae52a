#include "qt/platform/sound/pulsesoundoutput.h"

#include "qt/platform/sound/decoderprocess.h"
#include "qt/platform/sound/decoderprotocol.h"
#include "qt/platform/sound/shippedsamples.h"

#include <QLoggingCategory>

#include <pulse/pulseaudio.h>

#include <algorithm>
#include <cstdint>

#include <malloc.h>

namespace drillix {

namespace {

Q_LOGGING_CATEGORY(lcPlayer, "drillix.sound")

namespace protocol = decoderprotocol;
using SteadyClock = std::chrono::steady_clock;
using Kind = SoundEvent::Kind;

constexpr std::size_t samplesFor(int ms)
{
    return std::size_t(protocol::kRate) * std::size_t(ms) / 1000 * protocol::kChannels;
}

// The server's buffer for a stream: all of it is latency when a sound cuts
// another, so it stays small.
constexpr int kServerBufferMs = 100;
// The server starts a stream only once a good part of its buffer is queued,
// so a shorter sound is made up to this with silence.
constexpr int kShortestSoundMs = 120;
constexpr int kKeptSeconds = protocol::kKeptSeconds;
constexpr int kLongestSeconds = 600;
constexpr std::size_t kKeptSamples = samplesFor(kKeptSeconds * 1000);
// A long sound is read from its decoder this far ahead of what plays.
constexpr std::size_t kReadAheadSamples = samplesFor(2000);
constexpr std::size_t kReadBytesPerWake = 256 * 1024;
// Files larger than this are not sounds the quiz would ship.
constexpr off_t kLargestFile = off_t{64} << 20;

const char *stateName(pa_context_state_t state)
{
    return state == PA_CONTEXT_FAILED ? "failed" : "ended";
}

} // namespace

struct PulseSoundOutput::Playback {
    Request request;
    std::shared_ptr<DecodedSound> sound;
    std::size_t position = 0; // the next sample to hand over
    std::size_t padding = 0;  // silent samples still to add after the sound
    bool padded = false;
    bool started = false;
    bool allWritten = false;
};

struct PulseSoundOutput::Decoding {
    PulseSoundOutput *owner = nullptr;
    std::unique_ptr<DecoderProcess> process;
    std::vector<std::shared_ptr<DecodedSound>> sounds;
    pa_io_event *watch = nullptr;
    bool paused = false;
    bool unwanted = false;
    bool forKeeping = false; // preparing: a sound too long to keep is given up
};

PulseSoundOutput::PulseSoundOutput(std::string decoderProgram, SoundListener listener)
    : m_decoderProgram(std::move(decoderProgram))
    , m_listener(std::move(listener))
{
    m_loop = pa_threaded_mainloop_new();
    pa_threaded_mainloop_set_name(m_loop, "sound");
    m_api = pa_threaded_mainloop_get_api(m_loop);
    pa_threaded_mainloop_lock(m_loop);
    // The connection is made on the player's thread: libpulse reads its
    // settings, and may ask the X server for the sound server's address.
    m_wake = m_api->defer_new(m_api, &PulseSoundOutput::onWake, this);
    m_connectOnWake = true;
    pa_threaded_mainloop_unlock(m_loop);
    if (pa_threaded_mainloop_start(m_loop) < 0)
        qCWarning(lcPlayer) << "no sound: the sound thread cannot start";
}

PulseSoundOutput::~PulseSoundOutput()
{
    pa_threaded_mainloop_lock(m_loop);
    cut();
    m_pending.reset();
    dropStream(m_idleStream);
    if (m_context) {
        pa_context_set_state_callback(m_context, nullptr, nullptr);
        pa_context_disconnect(m_context);
        pa_context_unref(m_context);
        m_context = nullptr;
    }
    for (auto &decoding : m_decodings) {
        m_api->io_free(decoding->watch);
        decoding->process->stop();
    }
    m_decodings.clear();
    m_api->defer_free(m_wake);
    pa_threaded_mainloop_unlock(m_loop);
    // Nothing above waits on the server, so the thread ends at once.
    pa_threaded_mainloop_stop(m_loop);
    pa_threaded_mainloop_free(m_loop);
}

void PulseSoundOutput::play(const std::string &path, int volumePercent)
{
    Request request{path, std::clamp(volumePercent, 0, 100), SteadyClock::now()};
    pa_threaded_mainloop_lock(m_loop);
    m_pending = std::move(request);
    m_api->defer_enable(m_wake, 1);
    pa_threaded_mainloop_unlock(m_loop);
}

void PulseSoundOutput::prepare(const std::vector<std::string> &paths)
{
    pa_threaded_mainloop_lock(m_loop);
    m_toPrepare.insert(m_toPrepare.end(), paths.begin(), paths.end());
    m_api->defer_enable(m_wake, 1);
    pa_threaded_mainloop_unlock(m_loop);
}

void PulseSoundOutput::onWake(pa_mainloop_api *api, pa_defer_event *event, void *self)
{
    auto *player = static_cast<PulseSoundOutput *>(self);
    api->defer_enable(event, 0);
    if (player->m_connectOnWake) {
        player->m_connectOnWake = false;
        if (!player->m_context)
            player->connectContext();
    }
    if (!player->m_toPrepare.empty()) {
        const std::vector<std::string> paths = std::move(player->m_toPrepare);
        player->m_toPrepare.clear();
        player->prepareNow(paths);
    }
    if (player->m_pending) {
        Request request = std::move(*player->m_pending);
        player->m_pending.reset();
        player->handleRequest(std::move(request));
    }
    player->settleDecodings();
}

// --- requests --------------------------------------------------------------

void PulseSoundOutput::handleRequest(Request request)
{
    cut();
    if (!m_context)
        connectContext();
    if (!m_context) {
        report(Kind::Silent, request, "no usable audio device");
        return;
    }
    m_playback = std::make_unique<Playback>();
    m_playback->request = std::move(request);
    // Until the server answers, the request waits; a newer one replaces it.
    if (pa_context_get_state(m_context) == PA_CONTEXT_READY)
        lookUpSound();
}

void PulseSoundOutput::lookUpSound()
{
    std::string error;
    m_playback->sound = findSound(m_playback->request.path, error);
    if (!m_playback->sound || m_playback->sound->state == DecodedSound::State::Failed) {
        if (m_playback->sound)
            error = m_playback->sound->error;
        qCDebug(lcPlayer, "silence for %s: %s", m_playback->request.path.c_str(), error.c_str());
        report(Kind::Silent, m_playback->request, error);
        m_playback.reset();
        return;
    }
    startIfReady();
}

std::shared_ptr<DecodedSound> PulseSoundOutput::findSound(const std::string &path, std::string &error)
{
    // stat() never blocks on a FIFO or device the way opening it could.
    struct stat info {};
    if (path.empty() || ::stat(path.c_str(), &info) != 0)
        error = "cannot open the file";
    else if (!S_ISREG(info.st_mode))
        error = "not a regular file";
    else if (info.st_size <= 0)
        error = "empty file";
    else if (info.st_size > kLargestFile)
        error = "file too large";
    if (!error.empty())
        return nullptr;

    const FileIdentity identity = FileIdentity::of(info);
    const auto known = m_sounds.find(path);
    if (known != m_sounds.end() && known->second->identity == identity)
        return known->second;
    auto sound = std::make_shared<DecodedSound>();
    sound->path = path;
    sound->identity = identity;
    m_sounds[path] = sound;
    startDecoding({sound}, kLongestSeconds);
    return sound;
}

void PulseSoundOutput::prepareNow(const std::vector<std::string> &paths)
{
    std::vector<std::shared_ptr<DecodedSound>> sounds;
    for (const std::string &path : paths) {
        struct stat info {};
        if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode) || info.st_size <= 0
            || info.st_size > kLargestFile)
            continue;
        const FileIdentity identity = FileIdentity::of(info);
        const auto known = m_sounds.find(path);
        if (known != m_sounds.end() && known->second->identity == identity)
            continue;
        auto sound = std::make_shared<DecodedSound>();
        sound->path = path;
        sound->identity = identity;
        m_sounds[path] = sound;
        // The shipped sounds need no decoder: loading FFmpeg costs more
        // than the whole rest of the start-up.
        if (readShippedSamples(path, sound->samples)) {
            sound->state = DecodedSound::State::Ready;
            continue;
        }
        sounds.push_back(std::move(sound));
    }
    // The shipped samples were read in pieces now free: their pages go back
    // to the system instead of staying with this thread.
    ::malloc_trim(0);
    if (!sounds.empty())
        startDecoding(std::move(sounds), kKeptSeconds);
}

// --- decoding --------------------------------------------------------------

void PulseSoundOutput::startDecoding(std::vector<std::shared_ptr<DecodedSound>> sounds, int maxSeconds)
{
    auto decoding = std::make_unique<Decoding>();
    Decoding *raw = decoding.get();
    decoding->owner = this;
    decoding->sounds = std::move(sounds);
    decoding->forKeeping = maxSeconds <= kKeptSeconds;
    decoding->process = std::make_unique<DecoderProcess>(
        [this, raw](std::size_t file, const std::int16_t *samples, std::size_t count) {
            soundSamples(*raw, file, samples, count);
        },
        [this, raw](std::size_t file, DecoderProcess::FileEnd how) { soundEnded(*raw, file, how); });

    std::vector<std::string> paths;
    for (const auto &sound : decoding->sounds)
        paths.push_back(sound->path);
    std::string error;
    if (!decoding->process->start(m_decoderProgram, maxSeconds, paths, error)) {
        qCWarning(lcPlayer, "no sound: cannot start %s: %s", m_decoderProgram.c_str(), error.c_str());
        for (const auto &sound : decoding->sounds) {
            sound->state = DecodedSound::State::Failed;
            sound->error = "the sound decoder cannot start";
            m_sounds.erase(sound->path); // tried again next time
        }
        return;
    }
    decoding->watch = m_api->io_new(
        m_api, decoding->process->fd(), PA_IO_EVENT_INPUT,
        [](pa_mainloop_api *, pa_io_event *, int, pa_io_event_flags_t, void *userdata) {
            auto *decoding = static_cast<Decoding *>(userdata);
            decoding->owner->readDecoder(*decoding);
        },
        raw);
    m_decodings.push_back(std::move(decoding));
}

void PulseSoundOutput::readDecoder(Decoding &decoding)
{
    if (!decoding.process->read(kReadBytesPerWake)) {
        // The decoder ended before its last word: a sound cut short by
        // damage plays what came.
        for (const auto &sound : decoding.sounds) {
            if (sound->state != DecodedSound::State::Decoding)
                continue;
            sound->state = sound->end() > 0 ? DecodedSound::State::Ready : DecodedSound::State::Failed;
            sound->error = "the sound decoder stopped";
            if (!isPlaying(*sound))
                continue;
            if (sound->state == DecodedSound::State::Failed) {
                report(Kind::Silent, m_playback->request, sound->error);
                m_playback.reset();
            } else {
                writeMore();
            }
        }
        decoding.unwanted = true;
    }
    settleDecodings();
}

void PulseSoundOutput::soundSamples(Decoding &decoding, std::size_t file, const std::int16_t *samples,
                                    std::size_t count)
{
    if (file >= decoding.sounds.size()) {
        decoding.unwanted = true;
        return;
    }
    DecodedSound &sound = *decoding.sounds[file];
    if (sound.whole && sound.end() + count > kKeptSamples) {
        // Too long to keep: it plays from the decoder if it is playing now,
        // and is decoded afresh the next time.
        sound.whole = false;
        const auto known = m_sounds.find(sound.path);
        if (known != m_sounds.end() && known->second.get() == &sound)
            m_sounds.erase(known);
    }
    if (!sound.whole && !isPlaying(sound)) {
        decoding.unwanted = !decoding.forKeeping;
        return;
    }
    sound.samples.insert(sound.samples.end(), samples, samples + count);
    if (isPlaying(sound) && !m_busyStream)
        startIfReady();
    else if (isPlaying(sound))
        writeMore();
}

void PulseSoundOutput::soundEnded(Decoding &decoding, std::size_t file, DecoderProcess::FileEnd how)
{
    if (file >= decoding.sounds.size()) {
        decoding.unwanted = true;
        return;
    }
    const auto sound = decoding.sounds[file];
    switch (how) {
    case DecoderProcess::FileEnd::Ended:
        sound->state = DecodedSound::State::Ready;
        break;
    case DecoderProcess::FileEnd::TooLong:
        // Cut at the longest sound played, or, while preparing, given up
        // and left to be decoded when it plays.
        sound->state = DecodedSound::State::Ready;
        if (decoding.forKeeping && sound->whole) {
            sound->whole = false;
            const auto known = m_sounds.find(sound->path);
            if (known != m_sounds.end() && known->second == sound)
                m_sounds.erase(known);
        }
        break;
    case DecoderProcess::FileEnd::NoSound:
        sound->state = DecodedSound::State::Failed;
        sound->error = "no sound in the file";
        sound->samples.clear();
        break;
    }
    if (sound->whole)
        sound->samples.shrink_to_fit();
    if (!isPlaying(*sound))
        return;
    if (sound->state == DecodedSound::State::Failed) {
        report(Kind::Silent, m_playback->request, sound->error);
        m_playback.reset();
        return;
    }
    startIfReady();
    writeMore();
}

// Ends the decoder runs no longer needed; never called from inside one's
// own reading.
void PulseSoundOutput::settleDecodings()
{
    for (auto it = m_decodings.begin(); it != m_decodings.end();) {
        Decoding &decoding = **it;
        bool needed = false;
        for (const auto &sound : decoding.sounds)
            needed = needed || sound->state == DecodedSound::State::Decoding;
        if (needed && !decoding.unwanted) {
            updateReading(decoding);
            ++it;
            continue;
        }
        m_api->io_free(decoding.watch);
        decoding.process->stop();
        for (const auto &sound : decoding.sounds) {
            if (sound->state != DecodedSound::State::Decoding)
                continue;
            sound->state = DecodedSound::State::Failed;
            sound->error = "decoding was given up";
            const auto known = m_sounds.find(sound->path);
            if (known != m_sounds.end() && known->second == sound)
                m_sounds.erase(known);
        }
        it = m_decodings.erase(it);
        // The pieces the samples were gathered in are free now; their
        // pages go back to the system instead of staying with this thread.
        ::malloc_trim(0);
    }
}

// A long sound is read only a little ahead of what plays.
void PulseSoundOutput::updateReading(Decoding &decoding)
{
    bool ahead = false;
    for (const auto &sound : decoding.sounds)
        ahead = ahead
                || (!sound->whole && sound->state == DecodedSound::State::Decoding && isPlaying(*sound)
                    && sound->end() > m_playback->position + kReadAheadSamples);
    if (ahead != decoding.paused) {
        decoding.paused = ahead;
        m_api->io_enable(decoding.watch, ahead ? PA_IO_EVENT_NULL : PA_IO_EVENT_INPUT);
    }
}

bool PulseSoundOutput::isPlaying(const DecodedSound &sound) const
{
    return m_playback && m_playback->sound.get() == &sound;
}

// --- the server ------------------------------------------------------------

void PulseSoundOutput::connectContext()
{
    pa_proplist *properties = pa_proplist_new();
    pa_proplist_sets(properties, PA_PROP_APPLICATION_NAME, "Veltmora Drillix");
    pa_proplist_sets(properties, PA_PROP_APPLICATION_ID, "veltmora-drillix");
    pa_proplist_sets(properties, PA_PROP_MEDIA_ROLE, "game");
    pa_context *context = pa_context_new_with_proplist(m_api, nullptr, properties);
    pa_proplist_free(properties);
    if (!context)
        return;
    m_context = context;
    pa_context_set_state_callback(context, &PulseSoundOutput::onContextState, this);
    // Held over the call, which may report the failure and drop ours.
    pa_context_ref(context);
    // Starting a server of our own is not the quiz's business.
    if (pa_context_connect(context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0 && m_context == context)
        contextLost();
    pa_context_unref(context);
}

void PulseSoundOutput::onContextState(pa_context *context, void *self)
{
    auto *player = static_cast<PulseSoundOutput *>(self);
    if (context != player->m_context)
        return;
    switch (pa_context_get_state(context)) {
    case PA_CONTEXT_READY:
        player->m_warnedNoServer = false;
        player->createIdleStream();
        if (player->m_playback && !player->m_playback->sound)
            player->lookUpSound();
        break;
    case PA_CONTEXT_FAILED:
    case PA_CONTEXT_TERMINATED:
        if (!player->m_warnedNoServer)
            qCWarning(lcPlayer, "no sound: the connection to the sound server %s (%s)",
                      stateName(pa_context_get_state(context)), pa_strerror(pa_context_errno(context)));
        player->m_warnedNoServer = true;
        player->contextLost();
        break;
    default:
        break;
    }
}

// Silence until the next request tries a new connection.
void PulseSoundOutput::contextLost()
{
    if (m_playback) {
        if (m_playback->started)
            report(Kind::CutOff, m_playback->request, "the audio device failed");
        else
            report(Kind::Silent, m_playback->request, "no usable audio device");
        m_playback.reset();
    }
    if (m_drain) {
        pa_operation_cancel(m_drain);
        pa_operation_unref(m_drain);
        m_drain = nullptr;
    }
    dropStream(m_busyStream);
    dropStream(m_idleStream);
    pa_context_set_state_callback(m_context, nullptr, nullptr);
    pa_context_disconnect(m_context);
    pa_context_unref(m_context);
    m_context = nullptr;
}

void PulseSoundOutput::createIdleStream()
{
    if (m_idleStream || !m_context || pa_context_get_state(m_context) != PA_CONTEXT_READY)
        return;
    const pa_sample_spec sampleFormat{PA_SAMPLE_S16NE, std::uint32_t(protocol::kRate), std::uint8_t(protocol::kChannels)};
    m_idleStream = pa_stream_new(m_context, "sound", &sampleFormat, nullptr);
    m_idleReady = false;
    if (!m_idleStream)
        return;
    pa_stream_set_state_callback(m_idleStream, &PulseSoundOutput::onStreamState, this);
    pa_stream_set_write_callback(m_idleStream, &PulseSoundOutput::onStreamWritable, this);
    pa_buffer_attr buffer;
    buffer.maxlength = std::uint32_t(-1);
    buffer.tlength = std::uint32_t(pa_usec_to_bytes(kServerBufferMs * PA_USEC_PER_MSEC, &sampleFormat));
    buffer.prebuf = std::uint32_t(-1);
    buffer.minreq = std::uint32_t(-1);
    buffer.fragsize = std::uint32_t(-1);
    // Corked, it keeps no sink awake until a sound starts on it.
    const auto flags = pa_stream_flags_t(PA_STREAM_START_CORKED | PA_STREAM_ADJUST_LATENCY);
    if (pa_stream_connect_playback(m_idleStream, nullptr, &buffer, flags, nullptr, nullptr) < 0)
        dropStream(m_idleStream);
}

void PulseSoundOutput::dropStream(pa_stream *&stream)
{
    if (!stream)
        return;
    pa_stream_set_state_callback(stream, nullptr, nullptr);
    pa_stream_set_write_callback(stream, nullptr, nullptr);
    // Removes it from the server at once, with whatever it still holds.
    pa_stream_disconnect(stream);
    pa_stream_unref(stream);
    stream = nullptr;
}

void PulseSoundOutput::onStreamState(pa_stream *stream, void *self)
{
    auto *player = static_cast<PulseSoundOutput *>(self);
    switch (pa_stream_get_state(stream)) {
    case PA_STREAM_READY:
        if (stream == player->m_idleStream) {
            player->m_idleReady = true;
            player->startIfReady();
        }
        break;
    case PA_STREAM_FAILED:
    case PA_STREAM_TERMINATED:
        if (stream == player->m_busyStream) {
            if (player->m_playback && player->m_playback->started)
                player->report(Kind::CutOff, player->m_playback->request, "the audio device failed");
            player->cut();
        } else if (stream == player->m_idleStream) {
            player->dropStream(player->m_idleStream);
            if (player->m_playback) {
                player->report(Kind::Silent, player->m_playback->request, "the audio device refused the sound");
                player->m_playback.reset();
            }
        }
        break;
    default:
        break;
    }
}

void PulseSoundOutput::onStreamWritable(pa_stream *stream, std::size_t, void *self)
{
    auto *player = static_cast<PulseSoundOutput *>(self);
    if (stream == player->m_busyStream)
        player->writeMore();
}

// --- playing ---------------------------------------------------------------

void PulseSoundOutput::startIfReady()
{
    if (!m_playback || !m_playback->sound || m_busyStream)
        return;
    if (!m_idleStream || !m_idleReady) {
        createIdleStream();
        return;
    }
    const DecodedSound &sound = *m_playback->sound;
    if (sound.state == DecodedSound::State::Decoding && sound.end() == 0)
        return; // its first samples are on their way
    m_busyStream = m_idleStream;
    m_idleStream = nullptr;
    m_idleReady = false;
    writeMore();
    if (m_busyStream)
        pa_operation_unref(pa_stream_cork(m_busyStream, 0, nullptr, nullptr));
    // The next sound may cut this one: its stream gets ready meanwhile.
    createIdleStream();
}

void PulseSoundOutput::writeMore()
{
    if (!m_playback || !m_busyStream || m_playback->allWritten)
        return;
    Playback &playback = *m_playback;
    DecodedSound &sound = *playback.sound;
    const std::size_t writable = pa_stream_writable_size(m_busyStream);
    if (writable == std::size_t(-1))
        return;
    constexpr std::size_t frameBytes = sizeof(std::int16_t) * protocol::kChannels;
    std::size_t room = writable / frameBytes * protocol::kChannels;
    const int volume = playback.request.volume;
    bool wrote = false;
    for (;;) {
        const bool atEnd = playback.position >= sound.end() && sound.state != DecodedSound::State::Decoding;
        if (atEnd && !playback.padded) {
            playback.padded = true;
            const std::size_t shortest = samplesFor(kShortestSoundMs);
            playback.padding = playback.position < shortest ? shortest - playback.position : 0;
        }
        if (atEnd && playback.padding == 0) {
            playback.allWritten = true;
            break;
        }
        if (room == 0)
            break;
        std::size_t count = 0;
        if (playback.position < sound.end()) {
            count = std::min(room, sound.end() - playback.position);
            const std::int16_t *from = sound.samples.data() + (playback.position - sound.dropped);
            m_scratch.resize(count);
            // Linear: 37 of 100 gives 37 % of the amplitude.
            for (std::size_t i = 0; i < count; ++i)
                m_scratch[i] = std::int16_t(from[i] * volume / 100);
        } else if (atEnd) {
            count = std::min(room, playback.padding);
            m_scratch.assign(count, 0);
        } else {
            break; // the decoder is behind
        }
        if (pa_stream_write(m_busyStream, m_scratch.data(), count * sizeof(std::int16_t), nullptr, 0,
                            PA_SEEK_RELATIVE)
            < 0) {
            report(Kind::CutOff, playback.request, "the audio device failed");
            cut();
            return;
        }
        if (playback.position < sound.end())
            playback.position += count;
        else
            playback.padding -= count;
        room -= count;
        wrote = true;
    }
    if (wrote && !playback.started) {
        playback.started = true;
        report(Kind::Started, playback.request);
    }
    if (!sound.whole && playback.position - sound.dropped > kReadAheadSamples) {
        const std::size_t done = playback.position - sound.dropped;
        sound.samples.erase(sound.samples.begin(), sound.samples.begin() + std::ptrdiff_t(done));
        sound.dropped += done;
    }
    if (!sound.whole)
        for (auto &decoding : m_decodings)
            if (decoding->paused)
                updateReading(*decoding);
    if (playback.allWritten && !m_drain)
        m_drain = pa_stream_drain(m_busyStream, &PulseSoundOutput::onDrained, this);
}

void PulseSoundOutput::onDrained(pa_stream *stream, int success, void *self)
{
    auto *player = static_cast<PulseSoundOutput *>(self);
    if (stream != player->m_busyStream || !player->m_drain)
        return;
    pa_operation_unref(player->m_drain);
    player->m_drain = nullptr;
    if (success)
        player->finishPlayback();
}

void PulseSoundOutput::finishPlayback()
{
    if (m_playback)
        report(Kind::Finished, m_playback->request);
    m_playback.reset();
    dropStream(m_busyStream);
    createIdleStream();
}

// Stops what plays or waits to, at once.
void PulseSoundOutput::cut()
{
    if (m_drain) {
        pa_operation_cancel(m_drain);
        pa_operation_unref(m_drain);
        m_drain = nullptr;
    }
    if (m_playback) {
        if (m_playback->started)
            report(Kind::CutOff, m_playback->request);
        const auto sound = m_playback->sound;
        m_playback.reset();
        // A long sound's decoder is of no further use.
        if (sound && !sound->whole)
            for (auto &decoding : m_decodings)
                if (std::find(decoding->sounds.begin(), decoding->sounds.end(), sound) != decoding->sounds.end()
                    && !decoding->forKeeping)
                    decoding->unwanted = true;
    }
    dropStream(m_busyStream);
}

void PulseSoundOutput::report(SoundEvent::Kind kind, const Request &request, std::string detail)
{
    if (m_listener)
        m_listener(SoundEvent{kind, request.path, std::move(detail), request.requested, SteadyClock::now()});
}

} // namespace drillix
