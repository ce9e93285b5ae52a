#include "qt/platform/sound/audiodecoder.h"

#include <algorithm>
#include <cerrno>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
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

int readFile(void *opaque, std::uint8_t *buffer, int size)
{
    const int fd = *static_cast<int *>(opaque);
    ssize_t got;
    do
        got = ::read(fd, buffer, std::size_t(size));
    while (got < 0 && errno == EINTR);
    return got > 0 ? int(got) : got == 0 ? AVERROR_EOF : AVERROR(EIO);
}

std::int64_t seekFile(void *opaque, std::int64_t offset, int whence)
{
    const int fd = *static_cast<int *>(opaque);
    whence &= ~AVSEEK_FORCE;
    if (whence == AVSEEK_SIZE) {
        // By seeking, not by stat, which the decoder's sandbox refuses.
        const off_t here = ::lseek(fd, 0, SEEK_CUR);
        const off_t size = here < 0 ? -1 : ::lseek(fd, 0, SEEK_END);
        if (size < 0 || ::lseek(fd, here, SEEK_SET) < 0)
            return AVERROR(EIO);
        return size;
    }
    const off_t at = ::lseek(fd, offset, whence);
    return at < 0 ? AVERROR(EINVAL) : at;
}

// Some containers name further files or URLs to open; a sound file has no
// business doing that.
int refuseNestedOpen(AVFormatContext *, AVIOContext **, const char *, int, AVDictionary **)
{
    return AVERROR(EPERM);
}

struct Decoding {
    int fd = -1;
    AVIOContext *io = nullptr;
    AVFormatContext *format = nullptr;
    AVCodecContext *codec = nullptr;
    SwrContext *resampler = nullptr;
    AVPacket *packet = av_packet_alloc();
    AVFrame *frame = av_frame_alloc();
    AVChannelLayout outLayout = AV_CHANNEL_LAYOUT_STEREO;
    // What the resampler was set up for; decoders may change it mid-file.
    AVChannelLayout inLayout{};
    int inRate = 0;
    int inFormat = -1;
    int stream = -1;
    std::vector<std::int16_t> pcm;
    std::size_t frames = 0;
    std::size_t maxFrames = 0;

    ~Decoding()
    {
        swr_free(&resampler);
        av_frame_free(&frame);
        av_packet_free(&packet);
        avcodec_free_context(&codec);
        avformat_close_input(&format);
        if (io)
            av_freep(&io->buffer);
        avio_context_free(&io);
        av_channel_layout_uninit(&inLayout);
    }

    bool open()
    {
        auto *buffer = static_cast<std::uint8_t *>(av_malloc(kIoBufferBytes));
        io = buffer ? avio_alloc_context(buffer, kIoBufferBytes, 0, &fd, readFile, nullptr, seekFile) : nullptr;
        format = avformat_alloc_context();
        if (!io || !format || !packet || !frame) {
            av_free(buffer);
            return false;
        }
        format->pb = io;
        format->flags |= AVFMT_FLAG_CUSTOM_IO;
        format->io_open = refuseNestedOpen;
        AVDictionary *options = nullptr;
        av_dict_set(&options, "format_whitelist", kAllowedFormats, 0);
        const int opened = avformat_open_input(&format, "", nullptr, &options);
        av_dict_free(&options);
        if (opened < 0) // and the context is freed
            return false;
        // Most containers state the sound's format in their header; asking
        // FFmpeg to look further would only delay the first sound.
        stream = av_find_best_stream(format, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
        if (stream < 0 && avformat_find_stream_info(format, nullptr) >= 0)
            stream = av_find_best_stream(format, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
        if (stream < 0)
            return false;
        for (unsigned i = 0; i < format->nb_streams; ++i)
            format->streams[i]->discard = int(i) == stream ? AVDISCARD_DEFAULT : AVDISCARD_ALL;
        const AVCodecParameters *parameters = format->streams[stream]->codecpar;
        const AVCodec *decoder = avcodec_find_decoder(parameters->codec_id);
        codec = decoder ? avcodec_alloc_context3(decoder) : nullptr;
        if (!codec || avcodec_parameters_to_context(codec, parameters) < 0)
            return false;
        codec->thread_count = 1;
        return avcodec_open2(codec, decoder, nullptr) >= 0;
    }

    bool setUpResampler(const AVFrame &in)
    {
        if (in.ch_layout.nb_channels < 1 || in.ch_layout.nb_channels > kMaxChannels || in.sample_rate < kMinRate
            || in.sample_rate > kMaxRate || in.format < 0)
            return false;
        AVChannelLayout layout{};
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
        if (swr_alloc_set_opts2(&resampler, &outLayout, AV_SAMPLE_FMT_S16, kSoundRate, &inLayout,
                                AVSampleFormat(inFormat), inRate, 0, nullptr)
                < 0
            || swr_init(resampler) < 0) {
            swr_free(&resampler);
            return false;
        }
        return true;
    }

    // Runs a frame (or, with none, the resampler's tail) into out; false
    // once the sound is long enough or out wants no more.
    bool resample(const AVFrame *in, const SampleSink &out)
    {
        if (in && !setUpResampler(*in))
            return true; // a frame of no use; the rest may be fine
        if (!resampler)
            return true;
        const int estimate = swr_get_out_samples(resampler, in ? in->nb_samples : 0);
        const int room = int(std::min<std::size_t>(std::size_t(std::max(estimate, 0)), maxFrames - frames));
        if (room <= 0)
            return frames < maxFrames;
        pcm.resize(std::size_t(room) * kSoundChannels);
        auto *to = reinterpret_cast<std::uint8_t *>(pcm.data());
        const int made = swr_convert(resampler, &to, room, in ? const_cast<const std::uint8_t **>(in->extended_data) : nullptr,
                                     in ? in->nb_samples : 0);
        if (made > 0) {
            frames += std::size_t(made);
            if (!out(pcm.data(), std::size_t(made) * kSoundChannels))
                return false;
        }
        return frames < maxFrames;
    }

    // Takes the frames the codec has ready; false when decoding should stop.
    bool drainCodec(const SampleSink &out, int &badInRow)
    {
        for (;;) {
            const int received = avcodec_receive_frame(codec, frame);
            if (received == AVERROR(EAGAIN) || received == AVERROR_EOF)
                return true;
            if (received < 0)
                return ++badInRow < kMaxBadPacketsInRow;
            badInRow = 0;
            const bool more = resample(frame, out);
            av_frame_unref(frame);
            if (!more)
                return false;
        }
    }
};

} // namespace

int openSoundFile(const std::string &path)
{
    // Non-blocking, so that a FIFO or device put under the name cannot stall
    // the open; fstat then refuses it.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    struct stat info {};
    if (fd >= 0 && ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_size > 0)
        return fd;
    if (fd >= 0)
        ::close(fd);
    return -1;
}

bool decodeSound(int fd, const SampleSink &out, std::uint32_t maxSeconds)
{
    // Damaged files are expected and mean silence; FFmpeg's own complaints
    // about them would only clutter the terminal.
    av_log_set_level(AV_LOG_QUIET);
    Decoding decoding;
    decoding.fd = fd;
    decoding.maxFrames = std::size_t(maxSeconds) * kSoundRate;
    if (fd < 0 || maxSeconds == 0 || !decoding.open())
        return false;
    int badInRow = 0;
    bool more = true;
    while (more && av_read_frame(decoding.format, decoding.packet) >= 0) {
        if (decoding.packet->stream_index == decoding.stream && avcodec_send_packet(decoding.codec, decoding.packet) < 0)
            more = ++badInRow < kMaxBadPacketsInRow;
        av_packet_unref(decoding.packet);
        more = more && decoding.drainCodec(out, badInRow);
    }
    if (more && avcodec_send_packet(decoding.codec, nullptr) >= 0)
        more = decoding.drainCodec(out, badInRow);
    if (more)
        decoding.resample(nullptr, out);
    return decoding.frames > 0;
}

} // namespace drillix
