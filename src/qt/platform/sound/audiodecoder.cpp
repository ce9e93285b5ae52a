#include "qt/platform/sound/audiodecoder.h"

#include <algorithm>
#include <cerrno>
#include <limits>
#include <mutex>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/error.h>
#include <libavutil/log.h>
#include <libavutil/mem.h>
#include <libswresample/swresample.h>
}

namespace drillix {

namespace {

// Containers a sound file may come in. Everything else (playlists, image
// sequences, video-only formats) is refused before it can reach any further.
constexpr const char *kAllowedFormats =
    "asf,wav,w64,mp3,ogg,flac,aiff,au,caf,aac,ac3,eac3,matroska,webm,mov,mp4,m4a,voc,ape,wv,mpc,mpc8,tta,amr";

constexpr int kMinRate = 4000;
constexpr int kMaxRate = 768000;
constexpr int kMaxChannels = 64;
// A run of undecodable packets this long means the rest is not sound either.
constexpr int kMaxBadPacketsInRow = 64;
constexpr int kIoBufferBytes = 32 * 1024;

void quietenFfmpeg()
{
    // Damaged files are expected and mean silence; FFmpeg's own complaints
    // about them would only clutter the terminal.
    static std::once_flag once;
    std::call_once(once, [] { av_log_set_level(AV_LOG_QUIET); });
}

struct FileSource {
    int fd = -1;
    std::int64_t size = 0; // already capped to the limit
    std::int64_t position = 0;
};

int readFile(void *opaque, std::uint8_t *buffer, int size)
{
    auto *file = static_cast<FileSource *>(opaque);
    const std::int64_t left = file->size - file->position;
    if (left <= 0)
        return AVERROR_EOF;
    const auto wanted = static_cast<std::size_t>(std::min<std::int64_t>(size, left));
    ssize_t got;
    do
        got = ::read(file->fd, buffer, wanted);
    while (got < 0 && errno == EINTR);
    if (got < 0)
        return AVERROR(EIO);
    if (got == 0)
        return AVERROR_EOF;
    file->position += got;
    return static_cast<int>(got);
}

std::int64_t seekFile(void *opaque, std::int64_t offset, int whence)
{
    auto *file = static_cast<FileSource *>(opaque);
    whence &= ~AVSEEK_FORCE;
    if (whence == AVSEEK_SIZE)
        return file->size;
    std::int64_t target;
    switch (whence) {
    case SEEK_SET: target = offset; break;
    case SEEK_CUR: target = file->position + offset; break;
    case SEEK_END: target = file->size + offset; break;
    default: return AVERROR(EINVAL);
    }
    if (target < 0 || target > file->size)
        return AVERROR(EINVAL);
    if (::lseek(file->fd, target, SEEK_SET) < 0)
        return AVERROR(EIO);
    file->position = target;
    return target;
}

// Some containers name further files or URLs to open; a sound file has no
// business doing that.
int refuseNestedOpen(AVFormatContext *, AVIOContext **, const char *, int, AVDictionary **)
{
    return AVERROR(EPERM);
}

} // namespace

struct AudioDecoder::State {
    FileSource file;
    AVIOContext *io = nullptr;
    AVFormatContext *format = nullptr;
    AVCodecContext *codec = nullptr;
    SwrContext *resampler = nullptr;
    AVPacket *packet = nullptr;
    AVFrame *frame = nullptr;
    int stream = -1;

    int outRate = 0;
    int outChannels = 0;
    AVChannelLayout outLayout{};

    // What the resampler was set up for; decoders may change it mid-file.
    int inRate = 0;
    int inFormat = -1;
    AVChannelLayout inLayout{};

    std::size_t maxFrames = 0;
    std::size_t frames = 0;
    int badPacketsInRow = 0;
    bool inputDone = false;
    bool finished = false;

    ~State()
    {
        swr_free(&resampler);
        av_frame_free(&frame);
        av_packet_free(&packet);
        avcodec_free_context(&codec);
        avformat_close_input(&format);
        if (io) {
            av_freep(&io->buffer);
            avio_context_free(&io);
        }
        av_channel_layout_uninit(&outLayout);
        av_channel_layout_uninit(&inLayout);
        if (file.fd >= 0)
            ::close(file.fd);
    }

    bool setUpResampler(const AVFrame &in)
    {
        AVChannelLayout layout{};
        if (in.ch_layout.nb_channels < 1 || in.ch_layout.nb_channels > kMaxChannels)
            return false;
        // A decoder may give a count but no layout: take the usual one.
        if (in.ch_layout.order != AV_CHANNEL_ORDER_NATIVE && in.ch_layout.order != AV_CHANNEL_ORDER_CUSTOM)
            av_channel_layout_default(&layout, in.ch_layout.nb_channels);
        else if (av_channel_layout_copy(&layout, &in.ch_layout) < 0)
            return false;

        if (resampler && in.sample_rate == inRate && in.format == inFormat
            && av_channel_layout_compare(&layout, &inLayout) == 0) {
            av_channel_layout_uninit(&layout);
            return true;
        }
        swr_free(&resampler);
        av_channel_layout_uninit(&inLayout);
        inLayout = layout;
        inRate = in.sample_rate;
        inFormat = in.format;
        if (inRate < kMinRate || inRate > kMaxRate || inFormat < 0)
            return false;
        if (swr_alloc_set_opts2(&resampler, &outLayout, AV_SAMPLE_FMT_S16, outRate, &inLayout,
                                static_cast<AVSampleFormat>(inFormat), inRate, 0, nullptr)
                < 0
            || swr_init(resampler) < 0) {
            swr_free(&resampler);
            return false;
        }
        return true;
    }

    // Runs input (or, with none, the resampler's tail) through the resampler
    // into out, stopping at the length limit.
    void resample(const AVFrame *in, std::vector<std::int16_t> &out)
    {
        if (!resampler || frames >= maxFrames)
            return;
        const int inSamples = in ? in->nb_samples : 0;
        const int estimate = swr_get_out_samples(resampler, inSamples);
        if (estimate <= 0)
            return;
        const auto room = static_cast<int>(std::min<std::size_t>(maxFrames - frames, std::numeric_limits<int>::max()));
        const int capacity = std::min(estimate, room);
        const std::size_t before = out.size();
        out.resize(before + std::size_t(capacity) * std::size_t(outChannels));
        auto *destination = reinterpret_cast<std::uint8_t *>(out.data() + before);
        const int made = swr_convert(resampler, &destination, capacity,
                                     in ? const_cast<const std::uint8_t **>(in->extended_data) : nullptr, inSamples);
        const std::size_t kept = made > 0 ? std::size_t(made) : 0;
        out.resize(before + kept * std::size_t(outChannels));
        frames += kept;
    }

    void finish(std::vector<std::int16_t> &out)
    {
        resample(nullptr, out);
        finished = true;
    }
};

AudioDecoder::AudioDecoder() = default;
AudioDecoder::~AudioDecoder() = default;

int openSoundFile(const std::string &path)
{
    // Non-blocking, so that a FIFO or device that slipped in under the name
    // cannot stall the open; fstat then rejects it.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    struct stat info {};
    if (fd >= 0 && (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode))) {
        ::close(fd);
        return -1;
    }
    return fd;
}

bool AudioDecoder::open(const std::string &path, int targetRate, int channels, const DecodeLimits &limits)
{
    return open(openSoundFile(path), path, targetRate, channels, limits);
}

bool AudioDecoder::open(int fd, const std::string &path, int targetRate, int channels, const DecodeLimits &limits)
{
    quietenFfmpeg();
    m_state.reset();
    m_error.clear();
    auto fail = [this](std::string why) {
        m_state.reset();
        m_error = std::move(why);
        return false;
    };

    auto state = std::make_unique<State>();
    state->file.fd = fd;
    if (fd < 0)
        return fail("cannot open the file, or not a regular file");
    if (targetRate < 8000 || targetRate > 384000 || channels < 1 || channels > 8)
        return fail("unsupported output format");
    if (limits.maxFileBytes == 0 || limits.maxSeconds == 0)
        return fail("limits leave no room for sound");
    // The size by seeking, not fstat: the sandboxed decoder may not stat.
    const off_t size = ::lseek(fd, 0, SEEK_END);
    if (size <= 0 || ::lseek(fd, 0, SEEK_SET) != 0)
        return fail("empty file");
    if (std::uint64_t(size) > limits.maxFileBytes)
        return fail("file too large");
    state->file.size = size;

    auto *ioBuffer = static_cast<std::uint8_t *>(av_malloc(kIoBufferBytes));
    if (!ioBuffer)
        return fail("out of memory");
    state->io = avio_alloc_context(ioBuffer, kIoBufferBytes, 0, &state->file, readFile, nullptr, seekFile);
    if (!state->io) {
        av_free(ioBuffer);
        return fail("out of memory");
    }
    state->format = avformat_alloc_context();
    if (!state->format)
        return fail("out of memory");
    state->format->pb = state->io;
    state->format->flags |= AVFMT_FLAG_CUSTOM_IO;
    state->format->io_open = refuseNestedOpen;

    AVDictionary *options = nullptr;
    av_dict_set(&options, "format_whitelist", kAllowedFormats, 0);
    const int opened = avformat_open_input(&state->format, path.c_str(), nullptr, &options);
    av_dict_free(&options);
    if (opened < 0) // avformat_open_input has freed the context
        return fail("not a sound file");

    // Most containers state the sound's format in their header; asking
    // FFmpeg to look further would only delay the first sound.
    state->stream = av_find_best_stream(state->format, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
    if (state->stream < 0) {
        if (avformat_find_stream_info(state->format, nullptr) < 0)
            return fail("not a sound file");
        state->stream = av_find_best_stream(state->format, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
        if (state->stream < 0)
            return fail("no sound in the file");
    }
    for (unsigned i = 0; i < state->format->nb_streams; ++i)
        if (int(i) != state->stream)
            state->format->streams[i]->discard = AVDISCARD_ALL;

    const AVCodecParameters *parameters = state->format->streams[state->stream]->codecpar;
    const AVCodec *codec = avcodec_find_decoder(parameters->codec_id);
    if (!codec)
        return fail("no decoder for the sound");
    state->codec = avcodec_alloc_context3(codec);
    if (!state->codec || avcodec_parameters_to_context(state->codec, parameters) < 0)
        return fail("no decoder for the sound");
    state->codec->thread_count = 1;
    if (avcodec_open2(state->codec, codec, nullptr) < 0)
        return fail("no decoder for the sound");

    state->packet = av_packet_alloc();
    state->frame = av_frame_alloc();
    if (!state->packet || !state->frame)
        return fail("out of memory");

    state->outRate = targetRate;
    state->outChannels = channels;
    av_channel_layout_default(&state->outLayout, channels);
    state->maxFrames = std::size_t(limits.maxSeconds) * std::size_t(targetRate);
    m_state = std::move(state);
    return true;
}

bool AudioDecoder::decode(std::vector<std::int16_t> &out, std::size_t minFrames)
{
    if (!m_state || m_state->finished)
        return false;
    State &s = *m_state;
    const std::size_t goal = s.frames + std::max<std::size_t>(minFrames, 1);

    while (!s.finished && s.frames < goal) {
        if (s.frames >= s.maxFrames) {
            s.finished = true;
            break;
        }
        const int received = avcodec_receive_frame(s.codec, s.frame);
        if (received == 0) {
            s.badPacketsInRow = 0;
            if (s.setUpResampler(*s.frame))
                s.resample(s.frame, out);
            av_frame_unref(s.frame);
            continue;
        }
        if (received == AVERROR_EOF || s.inputDone) {
            s.finish(out);
            break;
        }
        if (received != AVERROR(EAGAIN) && ++s.badPacketsInRow >= kMaxBadPacketsInRow) {
            s.finish(out);
            break;
        }

        const int read = av_read_frame(s.format, s.packet);
        if (read < 0) {
            s.inputDone = true;
            avcodec_send_packet(s.codec, nullptr);
            continue;
        }
        if (s.packet->stream_index == s.stream) {
            const int sent = avcodec_send_packet(s.codec, s.packet);
            if (sent < 0 && sent != AVERROR(EAGAIN)) {
                if (++s.badPacketsInRow >= kMaxBadPacketsInRow) {
                    s.inputDone = true;
                    avcodec_send_packet(s.codec, nullptr);
                }
            } else {
                s.badPacketsInRow = 0;
            }
        }
        av_packet_unref(s.packet);
    }
    return !s.finished;
}

bool AudioDecoder::atEnd() const
{
    return !m_state || m_state->finished;
}

std::size_t AudioDecoder::framesDecoded() const
{
    return m_state ? m_state->frames : 0;
}

const std::string &AudioDecoder::error() const
{
    return m_error;
}

DecodeResult decodeAudioFile(const std::string &path, int targetRate, int channels, const DecodeLimits &limits)
{
    DecodeResult result;
    AudioDecoder decoder;
    if (!decoder.open(path, targetRate, channels, limits)) {
        result.error = decoder.error();
        return result;
    }
    const std::size_t piece = std::size_t(targetRate); // a second at a time
    while (decoder.decode(result.audio.samples, piece)) {
    }
    if (decoder.framesDecoded() == 0) {
        result.audio.samples.clear();
        result.error = "no sound in the file";
        return result;
    }
    result.audio.sampleRate = targetRate;
    result.audio.channels = channels;
    return result;
}

} // namespace drillix
