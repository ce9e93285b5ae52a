#include "qt/platform/sound/pulsesoundoutput.h"

#include "core/quiz.h"
#include "qt/platform/sound/decodedsound.h"

#include <pulse/pulseaudio.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <future>
#include <map>
#include <memory>
#include <mutex>
#include <optional>

#include <sys/eventfd.h>
#include <unistd.h>

namespace drillix {

// The server's buffer for a stream, 100 ms: all of it is latency when a
// sound cuts another, so it stays small.
constexpr auto kUnset = std::uint32_t(-1);
constexpr pa_buffer_attr kServerBuffer{kUnset, std::uint32_t(kSoundRate / 10 * kFrameBytes), kUnset, kUnset, kUnset};
constexpr pa_sample_spec kFormat{PA_SAMPLE_S16NE, kSoundRate, kSoundChannels};
constexpr std::size_t kKeptBytes = std::size_t(30) * kSoundRate * kFrameBytes;
constexpr std::size_t kReadAheadBytes = std::size_t(2) * kSoundRate * kFrameBytes;
// Letting go of the server and the decoders takes the thread milliseconds;
// a thread held up longer is left to end on its own.
constexpr auto kEndWait = std::chrono::milliseconds(500);

// Everything the player's thread uses, so that it can outlive the player.
struct PulseSoundOutput::Player {
    using Kind = SoundEvent::Kind;
    struct Request {
        std::string path;
        int volume = 0;
    };
    // What play(), prepare() and the player's end leave for the thread.
    struct Mail {
        std::optional<Request> play;
        std::vector<std::string> prepare;
        bool end = false;
    };
    // A sound as the player holds it: kept for playing again, or only while
    // it plays.
    struct Sound : DecodedSound, std::enable_shared_from_this<Sound> {
        using DecodedSound::DecodedSound;
        ~Sound() { stopWatching(); }
        void stopWatching()
        {
            for (pa_io_event *watch : std::exchange(watches, {}))
                owner->m_api->io_free(watch);
        }

        Player *owner = nullptr;
        std::vector<pa_io_event *> watches; // on the decoder's pipe, then its process, while it runs
        bool kept = true;                   // short enough to keep whole
    };

    const std::string m_decoderProgram;
    const SoundListener m_listener;
    std::atomic<bool> m_quiet = false; // set at the player's end: no more reports
    std::mutex m_mailLock; // held only to swap what m_mail holds
    Mail m_mail;
    std::promise<void> m_ended;
    pa_threaded_mainloop *m_loop = pa_threaded_mainloop_new();
    pa_mainloop_api *m_api = nullptr;
    const int m_wakeFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    bool m_running = false;
    pa_context *m_context = nullptr;
    bool m_warnedNoServer = false;
    pa_stream *m_stream = nullptr; // the one the current sound plays on
    pa_operation *m_drain = nullptr;

    // The sound that plays, or waits for the server or its first samples.
    std::optional<Request> m_request;
    std::shared_ptr<Sound> m_sound;
    std::size_t m_position = 0; // the next byte to hand over; above 0 once the sound has started
    std::map<std::string, std::shared_ptr<Sound>> m_kept;

    Player(std::string decoderProgram, SoundListener listener)
        : m_decoderProgram(std::move(decoderProgram))
        , m_listener(std::move(listener))
    {
        if (m_loop && m_wakeFd >= 0) {
            m_api = pa_threaded_mainloop_get_api(m_loop);
            pa_threaded_mainloop_set_name(m_loop, "sound");
            // The connection is made on the player's thread, at its first mail:
            // libpulse reads its settings, and may ask the X server for the
            // sound server's address.
            m_api->io_new(
                m_api, m_wakeFd, PA_IO_EVENT_INPUT,
                [](pa_mainloop_api *, pa_io_event *, int, pa_io_event_flags_t, void *self) {
                    static_cast<Player *>(self)->takeMail();
                },
                this);
            m_running = pa_threaded_mainloop_start(m_loop) == 0;
        }
        if (!m_running)
            warnLater(QStringLiteral("no sound: the sound thread cannot start"));
    }

    ~Player()
    {
        // The thread has ended, or never started; freeing the loop frees its
        // watches too.
        if (m_loop)
            pa_threaded_mainloop_free(m_loop);
        if (m_wakeFd >= 0)
            ::close(m_wakeFd);
    }

    void post(auto change)
    {
        std::unique_lock lock(m_mailLock);
        change(m_mail);
        lock.unlock();
        ::eventfd_write(m_wakeFd, 1); // never blocks: the count would have to reach 2^64 - 1
    }

    void takeMail()
    {
        eventfd_t count = 0;
        ::eventfd_read(m_wakeFd, &count);
        std::unique_lock lock(m_mailLock);
        Mail mail = std::exchange(m_mail, {});
        lock.unlock();
        if (mail.end) {
            // Nothing here waits on the server, so the thread ends at once.
            disconnect();
            m_kept.clear(); // and their decoders with them
            m_api->quit(m_api, 0);
            return m_ended.set_value();
        }
        // A lost server is looked for again only now, when there is work.
        if (!m_context)
            connectContext();
        for (const std::string &path : mail.prepare)
            soundFor(path);
        if (mail.play) {
            stopPlaying();
            m_request = std::move(mail.play);
            feed();
        }
    }

    // The sound of a non-empty regular file, kept or new; null when there is none.
    std::shared_ptr<Sound> soundFor(const std::string &path)
    {
        // stat() never blocks on a FIFO or device the way opening it could.
        struct stat file {};
        if (::stat(path.c_str(), &file) != 0 || !S_ISREG(file.st_mode) || file.st_size == 0)
            return nullptr;
        if (const auto known = m_kept.find(path); known != m_kept.end() && known->second->isFile(file))
            return known->second;
        auto sound = std::make_shared<Sound>(path, file);
        sound->owner = this;
        if (!sound->load(m_decoderProgram))
            return nullptr;
        for (const int fd : {sound->decoderOutput(), sound->decoderExit()})
            if (fd >= 0)
                sound->watches.push_back(m_api->io_new(m_api, fd, PA_IO_EVENT_INPUT, readDecoder, sound.get()));
        return m_kept[path] = sound;
    }

    static void readDecoder(pa_mainloop_api *, pa_io_event *, int, pa_io_event_flags_t, void *raw)
    {
        const std::shared_ptr<Sound> sound = static_cast<Sound *>(raw)->shared_from_this();
        Player &player = *sound->owner;
        sound->read();
        if (!sound->decoding())
            sound->stopWatching();
        if (sound->kept && sound->end() > kKeptBytes) {
            // Too long to keep: it plays on from the decoder if it is playing
            // now, and is decoded afresh the next time.
            sound->kept = false;
            std::erase_if(player.m_kept, [&](const auto &known) { return known.second == sound; });
        }
        if (sound == player.m_sound)
            player.feed();
    }

    void connectContext()
    {
        // How sound servers and mixers name the quiz and route its sounds.
        const std::unique_ptr<pa_proplist, void (*)(pa_proplist *)> properties(
            pa_proplist_from_string("application.id=veltmora-drillix media.role=game"), pa_proplist_free);
        // Null when libpulse cannot map its memory pool, as under a tight
        // address space limit.
        m_context = pa_context_new_with_proplist(m_api, kProductName, properties.get());
        if (!m_context) {
            if (!std::exchange(m_warnedNoServer, true))
                warnLater(QStringLiteral("no sound: the sound library cannot set up a connection"));
            return;
        }
        pa_context_set_state_callback(
            m_context, [](pa_context *, void *self) { static_cast<Player *>(self)->contextStateChanged(); },
            this);
        // Starting a server of our own is not the quiz's business. The call
        // holds the context itself while it reports a failure, and we may
        // have dropped ours by then.
        if (pa_context_connect(m_context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0 && m_context)
            disconnect();
    }

    void contextStateChanged()
    {
        const pa_context_state_t state = pa_context_get_state(m_context);
        if (state == PA_CONTEXT_READY)
            m_warnedNoServer = false;
        if (PA_CONTEXT_IS_GOOD(state))
            return feed();
        if (!std::exchange(m_warnedNoServer, true))
            warnLater(QStringLiteral("no sound: the connection to the sound server %1 (%2)")
                          .arg(QLatin1String(state == PA_CONTEXT_FAILED ? "failed" : "ended"),
                               QString::fromUtf8(pa_strerror(pa_context_errno(m_context)))));
        disconnect();
    }

    // Silence until the next request tries a new connection.
    void disconnect()
    {
        stopPlaying(Kind::Silent, m_position > 0 ? "the audio device failed" : "no usable audio device");
        if (!m_context)
            return;
        pa_context_set_state_callback(m_context, nullptr, nullptr);
        pa_context_disconnect(m_context);
        pa_context_unref(std::exchange(m_context, nullptr));
    }

    // Takes the request as far as it can go, at every change of the server,
    // the stream or the decoder: silence for a file without sound, else a
    // stream, opened while the first samples are on their way, then as many
    // samples as the server takes.
    void feed()
    {
        if (!m_context)
            return stopPlaying(Kind::Silent, "no usable audio device");
        if (!m_request || pa_context_get_state(m_context) != PA_CONTEXT_READY)
            return; // the request waits for the server; a newer one replaces it
        if (!m_sound)
            m_sound = soundFor(m_request->path);
        if (!m_sound || (!m_sound->decoding() && m_sound->end() == 0))
            return stopPlaying(Kind::Silent, "no sound in the file");
        if (!m_stream && (m_stream = pa_stream_new(m_context, "sound", &kFormat, nullptr))) {
            pa_stream_set_state_callback(
                m_stream, [](pa_stream *, void *self) { static_cast<Player *>(self)->feed(); }, this);
            pa_stream_set_write_callback(
                m_stream, [](pa_stream *, std::size_t, void *self) { static_cast<Player *>(self)->feed(); }, this);
            pa_stream_connect_playback(m_stream, nullptr, &kServerBuffer, PA_STREAM_ADJUST_LATENCY, nullptr, nullptr);
        }
        // A stream that could not be made or connected counts as failed.
        const pa_stream_state_t state = m_stream ? pa_stream_get_state(m_stream) : PA_STREAM_FAILED;
        if (!PA_STREAM_IS_GOOD(state))
            return stopPlaying(Kind::Silent, "the audio device failed");
        if (state == PA_STREAM_READY && !m_drain)
            writeMore(*m_sound);
        // A sound too long to keep is read from its decoder only a little
        // ahead of what plays.
        if (!m_sound->kept && !m_sound->watches.empty()) {
            const bool wanted = m_sound->end() < m_position + kReadAheadBytes;
            m_api->io_enable(m_sound->watches.front(), wanted ? PA_IO_EVENT_INPUT : PA_IO_EVENT_NULL);
        }
    }

    void writeMore(Sound &sound)
    {
        // Whole frames only, which is all the server takes.
        const std::size_t count =
            std::min(pa_stream_writable_size(m_stream), sound.end() - m_position) / kFrameBytes * kFrameBytes;
        if (count > 0) {
            std::vector<std::int16_t> scaled(count / sizeof(std::int16_t));
            std::memcpy(scaled.data(), sound.from(m_position), count);
            // Linear: 37 of 100 gives 37 % of the amplitude.
            for (std::int16_t &sample : scaled)
                sample = std::int16_t(sample * m_request->volume / 100);
            pa_stream_write(m_stream, scaled.data(), count, nullptr, 0, PA_SEEK_RELATIVE);
            if (m_position == 0)
                report(Kind::Started);
            m_position += count;
        }
        if (!sound.kept)
            sound.dropBefore(m_position);
        // Draining also starts a sound shorter than the server waits for.
        if (!sound.decoding() && m_position >= sound.end())
            m_drain = pa_stream_drain(
                m_stream,
                [](pa_stream *, int success, void *self) {
                    if (success)
                        static_cast<Player *>(self)->stopPlaying(Kind::Finished);
                },
                this);
    }

    void report(Kind kind, const std::string &detail = {})
    {
        if (m_listener && !m_quiet)
            m_listener(SoundEvent{kind, m_request->path, detail});
    }

    // Ends the sound that plays or waits to, at once, telling the listener how:
    // one that has started and not finished is cut off; without a how, one that
    // waits just ends.
    void stopPlaying(std::optional<Kind> how = {}, const std::string &detail = {})
    {
        if (m_position > 0 && how != Kind::Finished)
            how = Kind::CutOff;
        if (m_drain) // done, or cancelled with its stream below
            pa_operation_unref(std::exchange(m_drain, nullptr));
        if (m_request && how)
            report(*how, detail);
        m_request.reset();
        m_sound.reset(); // a sound too long to keep takes its decoder with it
        m_position = 0;
        if (m_stream) {
            pa_stream_set_state_callback(m_stream, nullptr, nullptr);
            pa_stream_set_write_callback(m_stream, nullptr, nullptr);
            // Removes it from the server at once, with whatever it still holds.
            pa_stream_disconnect(m_stream);
            pa_stream_unref(std::exchange(m_stream, nullptr));
        }
    }
};

PulseSoundOutput::PulseSoundOutput(std::string decoderProgram, SoundListener listener)
    : m_player(new Player(std::move(decoderProgram), std::move(listener)))
{
}

PulseSoundOutput::~PulseSoundOutput()
{
    m_player->m_quiet = true;
    if (m_player->m_running) {
        std::future<void> ended = m_player->m_ended.get_future();
        m_player->post([](Player::Mail &mail) { mail.end = true; });
        if (ended.wait_for(kEndWait) != std::future_status::ready)
            return; // the thread keeps all it uses
    }
    delete m_player;
}

void PulseSoundOutput::play(const std::string &path, int volumePercent)
{
    Player::Request request{path, std::clamp(volumePercent, 0, 100)};
    m_player->post([&](Player::Mail &mail) { mail.play = std::move(request); });
}

void PulseSoundOutput::prepare(const std::vector<std::string> &paths)
{
    m_player->post([&](Player::Mail &mail) { mail.prepare.insert(mail.prepare.end(), paths.begin(), paths.end()); });
}

} // namespace drillix
