#include "qt/platform/sound/audiodecoder.h"

#include <algorithm>
#include <cerrno>

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

// What a decoding holds, freed whichever way it ends.
struct Decoding {
    int fd = -1;
    std::int64_t size = -1; // taken by seeking: the decoder's sandbox refuses stat
    AVIOContext *io = nullptr;
    AVFormatContext *format = avformat_alloc_context();
    AVCodecContext *codec = nullptr;
    SwrContext *resampler = swr_alloc();
    AVPacket *packet = av_packet_alloc();
    AVFrame *frame = av_frame_alloc();
    AVFrame *pcm = av_frame_alloc(); // what the resampler makes of a frame
    int badInRow = 0; // undecodable packets
    std::size_t frames = 0;
    std::size_t maxFrames = 0;

    ~Decoding()
    {
        swr_free(&resampler);
        av_frame_free(&pcm);
        av_frame_free(&frame);
        av_packet_free(&packet);
        avcodec_free_context(&codec);
        avformat_close_input(&format);
        if (io)
            av_freep(&io->buffer);
        avio_context_free(&io);
    }

    // Opens the file's one sound stream and its decoder: the stream's index,
    // or -1 when there is none.
    int open()
    {
        // A signal never interrupts the read of a regular file.
        const auto read = [](void *self, std::uint8_t *to, int bytes) {
            const ssize_t got = ::read(static_cast<Decoding *>(self)->fd, to, std::size_t(bytes));
            return got > 0 ? int(got) : got == 0 ? AVERROR_EOF : AVERROR(EIO);
        };
        const auto seek = [](void *self, std::int64_t offset, int whence) -> std::int64_t {
            const Decoding &file = *static_cast<Decoding *>(self);
            if ((whence & ~AVSEEK_FORCE) == AVSEEK_SIZE)
                return file.size;
            const off_t at = ::lseek(file.fd, offset, whence & ~AVSEEK_FORCE);
            return at < 0 ? AVERROR(EINVAL) : at;
        };
        auto *buffer = static_cast<std::uint8_t *>(av_malloc(kIoBufferBytes));
        io = avio_alloc_context(buffer, kIoBufferBytes, 0, this, read, nullptr, seek);
        if (!io || !buffer || !format || !resampler || !packet || !frame || !pcm)
            return -1;
        format->pb = io; // given, so avformat_open_input leaves it to us to free
        // Some containers name further files or URLs to open; a sound file
        // has no business doing that.
        format->io_open = [](AVFormatContext *, AVIOContext **, const char *, int, AVDictionary **) {
            return AVERROR(EPERM);
        };
        format->format_whitelist = av_strdup(kAllowedFormats);
        if (avformat_open_input(&format, "", nullptr, nullptr) < 0) // and the context is freed
            return -1;
        // Most containers state the sound's format in their header; asking
        // FFmpeg to look further would only delay the first sound.
        int stream = av_find_best_stream(format, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
        if (stream < 0 && avformat_find_stream_info(format, nullptr) >= 0)
            stream = av_find_best_stream(format, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
        if (stream < 0)
            return -1;
        for (unsigned i = 0; i < format->nb_streams; ++i)
            format->streams[i]->discard = int(i) == stream ? AVDISCARD_DEFAULT : AVDISCARD_ALL;
        const AVCodecParameters *parameters = format->streams[stream]->codecpar;
        const AVCodec *decoder = avcodec_find_decoder(parameters->codec_id);
        codec = decoder ? avcodec_alloc_context3(decoder) : nullptr;
        if (!codec || avcodec_parameters_to_context(codec, parameters) < 0)
            return -1;
        codec->thread_count = 1;
        return avcodec_open2(codec, decoder, nullptr) < 0 ? -1 : stream;
    }

    // Runs a frame (or, with none, the resampler's tail) into out; false
    // once the sound is long enough or out wants no more.
    bool resample(AVFrame *in, const SampleSink &out)
    {
        if (in && (in->ch_layout.nb_channels < 1 || in->ch_layout.nb_channels > kMaxChannels
                   || in->sample_rate < kMinRate || in->sample_rate > kMaxRate || in->format < 0))
            return true; // a frame of no use; the rest may be fine
        // A decoder may give a count but no layout: take the usual one.
        if (in && in->ch_layout.order != AV_CHANNEL_ORDER_NATIVE && in->ch_layout.order != AV_CHANNEL_ORDER_CUSTOM)
            av_channel_layout_default(&in->ch_layout, in->ch_layout.nb_channels);
        av_frame_unref(pcm);
        pcm->ch_layout = AV_CHANNEL_LAYOUT_STEREO;
        pcm->sample_rate = kSoundRate;
        pcm->format = AV_SAMPLE_FMT_S16;
        // The resampler sets itself up for the first frame, and again when
        // a decoder changes its format mid-file.
        int converted = swr_convert_frame(resampler, pcm, in);
        if (converted == AVERROR_INPUT_CHANGED) {
            swr_close(resampler);
            converted = swr_convert_frame(resampler, pcm, in);
        }
        const std::size_t made = converted < 0 ? 0 : std::min(std::size_t(pcm->nb_samples), maxFrames - frames);
        frames += made;
        return (made == 0 || out(reinterpret_cast<const std::int16_t *>(pcm->data[0]), made * kSoundChannels))
               && frames < maxFrames;
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
    const off_t start = ::lseek(fd, 0, SEEK_CUR);
    Decoding decoding{.fd = fd, .size = ::lseek(fd, 0, SEEK_END), .maxFrames = std::size_t(maxSeconds) * kSoundRate};
    const int stream = start < 0 || ::lseek(fd, start, SEEK_SET) < 0 ? -1 : decoding.open();
    // Packets in, frames out, until the file ends (then the codec's and the
    // resampler's tails), the sound is long enough, or a run of damage.
    bool more = stream >= 0;
    for (bool ended = false; more && !ended;) {
        // At the end of the file, no packet asks the codec for what it holds.
        ended = av_read_frame(decoding.format, decoding.packet) < 0;
        const bool ours = ended || decoding.packet->stream_index == stream;
        if (ours && avcodec_send_packet(decoding.codec, ended ? nullptr : decoding.packet) < 0 && !ended)
            more = ++decoding.badInRow < kMaxBadPacketsInRow;
        av_packet_unref(decoding.packet);
        for (int received = 0; more && received >= 0;) {
            received = avcodec_receive_frame(decoding.codec, decoding.frame);
            if (received >= 0)
                decoding.badInRow = 0;
            else if (received != AVERROR(EAGAIN) && received != AVERROR_EOF)
                more = ++decoding.badInRow < kMaxBadPacketsInRow;
            more = more && (received < 0 || decoding.resample(decoding.frame, out));
        }
    }
    if (more)
        decoding.resample(nullptr, out);
    return decoding.frames > 0;
}

} // namespace drillix
