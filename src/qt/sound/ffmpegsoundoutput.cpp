#include "qt/sound/ffmpegsoundoutput.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QMediaDevices>
#include <QMetaObject>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <cstdint>
#include <mutex>
#include <optional>
#include <utility>
#include <vector>

namespace drillix {

namespace {

using SteadyClock = std::chrono::steady_clock;

// Asked of the device; its default can be far larger, and all of it is
// latency when a new sound replaces the old.
constexpr int kDeviceBufferMs = 100;
// Decoded in one go: a long file is dropped between pieces, so a piece
// bounds how late a newer request can be.
constexpr int kPieceMs = 250;
constexpr int kFeedIntervalMs = 10;
// PulseAudio starts a stream only once a good part of its buffer is queued,
// so a shorter sound is made up to this with silence.
constexpr int kShortestSoundMs = 120;
// How long past its expected end a sound may go without the device saying so.
constexpr int kEndGraceMs = 500;

struct Request {
    std::string path;
    int volume = 0;
    SteadyClock::time_point requested;
};

} // namespace

struct FfmpegSoundOutput::Shared {
    Listener listener;
    DecodeLimits limits;

    std::mutex mutex;
    std::optional<Request> pending;
    Worker *worker = nullptr;
    bool wakePosted = false;

    void report(SoundEvent::Kind kind, const Request &request, std::string detail = {}) const
    {
        if (listener)
            listener(SoundEvent{kind, request.path, std::move(detail), request.requested, SteadyClock::now()});
    }
};

class FfmpegSoundOutput::Worker : public QObject
{
public:
    explicit Worker(Shared &shared) : shared_(shared)
    {
        feedTimer_.setTimerType(Qt::PreciseTimer);
        feedTimer_.setInterval(kFeedIntervalMs);
        connect(&feedTimer_, &QTimer::timeout, this, &Worker::feed);
        endTimer_.setSingleShot(true);
        connect(&endTimer_, &QTimer::timeout, this, &Worker::finish);
    }

    ~Worker() override
    {
        // Qt's PulseAudio sink runs the event loop while it is destroyed;
        // nothing of ours may run then.
        closing_ = true;
        QCoreApplication::removePostedEvents(this);
        feedTimer_.stop();
        endTimer_.stop();
        device_ = nullptr;
        sink_.reset();
    }

    void takeRequest()
    {
        std::optional<Request> request;
        {
            std::lock_guard lock(shared_.mutex);
            shared_.wakePosted = false;
            request.swap(shared_.pending);
        }
        if (request && !closing_)
            begin(std::move(*request));
    }

private:
    void begin(Request request)
    {
        if (!ensureSink()) {
            stopCurrent();
            shared_.report(SoundEvent::Kind::Silent, request, "no usable audio device");
            return;
        }
        if (!decoder_.open(request.path, format_.sampleRate(), format_.channelCount(), shared_.limits)) {
            stopCurrent();
            shared_.report(SoundEvent::Kind::Silent, request, decoder_.error());
            return;
        }
        pcm_.clear();
        pcmOffset_ = 0;
        decoder_.decode(pcm_, framesFor(kPieceMs));
        if (pcm_.empty()) {
            stopCurrent();
            shared_.report(SoundEvent::Kind::Silent, request, "no sound in the file");
            return;
        }

        stopCurrent(false);
        sink_->setVolume(request.volume / 100.0);
        // Qt asks for the size the last stream was granted, which the server
        // shrinks a little each time; asked afresh, it stays put.
        sink_->setBufferSize(format_.bytesForDuration(kDeviceBufferMs * 1000));
        // Closes the previous stream at once and deletes its device.
        device_ = sink_->start();
        if (!device_) {
            dropSink();
            shared_.report(SoundEvent::Kind::Silent, request, "the audio device refused the sound");
            return;
        }
        current_ = std::move(request);
        started_ = false;
        padded_ = false;
        allWritten_ = false;
        bytesWritten_ = 0;
        feed();
        if (current_ && !allWritten_)
            feedTimer_.start();
    }

    void feed()
    {
        if (closing_ || !current_ || !device_)
            return;
        for (;;) {
            if (pcmOffset_ == pcm_.size() * sizeof(std::int16_t)) {
                pcm_.clear();
                pcmOffset_ = 0;
                if (!decoder_.atEnd())
                    decoder_.decode(pcm_, framesFor(kPieceMs));
                if (pcm_.empty())
                    padShortSound();
                if (pcm_.empty()) {
                    allWritten();
                    return;
                }
            }
            const qint64 frameBytes = format_.bytesPerFrame();
            const qint64 room = sink_->bytesFree() / frameBytes * frameBytes;
            if (room <= 0)
                return;
            const qint64 left = qint64(pcm_.size() * sizeof(std::int16_t) - pcmOffset_);
            const auto *data = reinterpret_cast<const char *>(pcm_.data()) + pcmOffset_;
            const qint64 written = device_->write(data, std::min(room, left));
            if (written <= 0) {
                if (sink_->state() == QAudio::StoppedState)
                    deviceFailed();
                return;
            }
            pcmOffset_ += std::size_t(written);
            bytesWritten_ += written;
            if (!started_) {
                started_ = true;
                shared_.report(SoundEvent::Kind::Started, *current_);
            }
        }
    }

    void padShortSound()
    {
        if (padded_)
            return;
        padded_ = true;
        const qint64 frameBytes = format_.bytesPerFrame();
        const qint64 wanted = std::max<qint64>(framesFor(kShortestSoundMs), sink_->bufferSize() / frameBytes + 1);
        const qint64 have = qint64(decoder_.framesDecoded());
        if (have < wanted)
            pcm_.assign(std::size_t(wanted - have) * std::size_t(format_.channelCount()), 0);
    }

    void allWritten()
    {
        allWritten_ = true;
        feedTimer_.stop();
        // The device's word on the end can be lost or come early; this is
        // the backstop.
        endTimer_.start(std::max(0, int(unplayedUSecs() / 1000)) + kEndGraceMs);
    }

    void onStateChanged(QAudio::State state)
    {
        if (closing_ || !current_)
            return;
        if (state == QAudio::StoppedState && sink_ && sink_->error() != QAudio::NoError) {
            deviceFailed();
            return;
        }
        // Push mode goes idle at start, before any data, and on an
        // underrun; only an idle device with nothing left to play is done.
        if (state == QAudio::IdleState && allWritten_ && unplayedUSecs() <= 30000)
            finish();
    }

    void finish()
    {
        if (!current_ || !allWritten_)
            return;
        shared_.report(SoundEvent::Kind::Finished, *current_);
        current_.reset();
        endTimer_.stop();
        device_ = nullptr;
        sink_->stop();
    }

    // Ends whatever is playing; with device false the caller is about to
    // reuse the device at once.
    void stopCurrent(bool device = true)
    {
        feedTimer_.stop();
        endTimer_.stop();
        if (current_) {
            shared_.report(SoundEvent::Kind::CutOff, *current_);
            current_.reset();
        }
        if (device && device_) {
            device_ = nullptr;
            sink_->stop();
        }
    }

    void deviceFailed()
    {
        feedTimer_.stop();
        endTimer_.stop();
        if (current_) {
            shared_.report(SoundEvent::Kind::CutOff, *current_, "the audio device failed");
            current_.reset();
        }
        dropSink();
    }

    bool ensureSink()
    {
        if (sink_)
            return true;
        const QAudioDevice device = QMediaDevices::defaultAudioOutput();
        if (device.isNull())
            return false;
        QAudioFormat format = device.preferredFormat();
        if (format.sampleRate() < 8000 || format.sampleRate() > 192000)
            format.setSampleRate(44100);
        format.setChannelCount(std::clamp(format.channelCount() > 0 ? format.channelCount() : 2, 1, 2));
        format.setSampleFormat(QAudioFormat::Int16);
        if (!device.isFormatSupported(format))
            return false;
        format_ = format;
        sink_ = std::make_unique<QAudioSink>(device, format_);
        connect(sink_.get(), &QAudioSink::stateChanged, this, &Worker::onStateChanged);
        return true;
    }

    // The next request sets up a new one; this one may be inside its own
    // signal, so it goes later.
    void dropSink()
    {
        device_ = nullptr;
        if (sink_) {
            sink_->disconnect(this);
            sink_->stop();
            sink_.release()->deleteLater();
        }
    }

    qint64 unplayedUSecs() const
    {
        if (!sink_)
            return 0;
        return format_.durationForBytes(qint32(std::min<qint64>(bytesWritten_, INT32_MAX))) - sink_->processedUSecs();
    }

    std::size_t framesFor(int ms) const { return std::size_t(format_.sampleRate()) * std::size_t(ms) / 1000; }

    Shared &shared_;
    QTimer feedTimer_;
    QTimer endTimer_;
    QAudioFormat format_;
    std::unique_ptr<QAudioSink> sink_;
    // Belongs to sink_ and dies at its next start() or stop().
    QIODevice *device_ = nullptr;
    bool closing_ = false;

    std::optional<Request> current_;
    AudioDecoder decoder_;
    std::vector<std::int16_t> pcm_;
    std::size_t pcmOffset_ = 0; // bytes of pcm_ already written
    qint64 bytesWritten_ = 0;
    bool started_ = false;
    bool padded_ = false;
    bool allWritten_ = false;
};

class FfmpegSoundOutput::Thread : public QThread
{
public:
    explicit Thread(std::shared_ptr<Shared> shared) : shared_(std::move(shared)) { setObjectName("sound"); }

protected:
    void run() override
    {
        Worker worker(*shared_);
        {
            std::lock_guard lock(shared_->mutex);
            shared_->worker = &worker;
        }
        worker.takeRequest();
        exec();
        std::lock_guard lock(shared_->mutex);
        shared_->worker = nullptr;
    }

private:
    std::shared_ptr<Shared> shared_;
};

FfmpegSoundOutput::FfmpegSoundOutput(Listener listener, DecodeLimits limits) : shared_(std::make_shared<Shared>())
{
    shared_->listener = std::move(listener);
    shared_->limits = limits;
}

FfmpegSoundOutput::~FfmpegSoundOutput()
{
    if (!thread_)
        return;
    thread_->quit();
    // An audio server that stopped answering must not hang the program's
    // exit; the thread is then left to the end of the process.
    if (!thread_->wait(QDeadlineTimer(3000)))
        (void)thread_.release();
}

void FfmpegSoundOutput::play(const std::string &path, int volumePercent)
{
    Request request{path, std::clamp(volumePercent, 0, 100), SteadyClock::now()};
    if (!QCoreApplication::instance()) {
        shared_->report(SoundEvent::Kind::Silent, request, "no application object");
        return;
    }
    std::lock_guard lock(shared_->mutex);
    shared_->pending = std::move(request);
    if (!thread_) {
        thread_ = std::make_unique<Thread>(shared_);
        thread_->start(); // the thread takes the request up itself
        return;
    }
    if (shared_->worker && !shared_->wakePosted) {
        shared_->wakePosted = true;
        QMetaObject::invokeMethod(
            shared_->worker, [worker = shared_->worker] { worker->takeRequest(); }, Qt::QueuedConnection);
    }
}

} // namespace drillix
