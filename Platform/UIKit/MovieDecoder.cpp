#include "Platform/UIKit/MovieDecoder.h"

#include "Platform/UIKit/MovieCodecClosers.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/imgutils.h>
#include <libswscale/swscale.h>
}

#include <cmath>

namespace {

using MovieCodec::CodecCloser;
using MovieCodec::FormatCloser;
using MovieCodec::FrameCloser;
using MovieCodec::PacketCloser;

struct ScaleCloser {
    void operator()(SwsContext* s) const { sws_freeContext(s); }
};

// A decoded picture waits here until its time comes.
struct Picture {
    double time = 0;
    CGImageRef image;
};

}  // namespace

struct MovieDecoder::Impl {
    std::unique_ptr<AVFormatContext, FormatCloser> format;
    std::unique_ptr<AVCodecContext, CodecCloser> codec;
    std::unique_ptr<AVFrame, FrameCloser> frame;
    std::unique_ptr<AVPacket, PacketCloser> packet;
    std::unique_ptr<SwsContext, ScaleCloser> scale;
    int stream = -1;
    double timeBase = 0;
    std::optional<Picture> current;
    std::optional<Picture> next;
    bool ended = false;
    size_t decoded = 0;

    CGImageRef convert()
    {
        int w = frame->width, h = frame->height;
        if (w <= 0 || h <= 0 || static_cast<size_t>(w) * static_cast<size_t>(h) > CGImageMaxPixels)
            return nullptr;
        scale.reset(sws_getCachedContext(scale.release(), w, h, static_cast<AVPixelFormat>(frame->format), w, h,
            AV_PIX_FMT_BGRA, SWS_BILINEAR, nullptr, nullptr, nullptr));
        if (!scale)
            return nullptr;
        size_t stride = static_cast<size_t>(w) * 4;
        Data pixels(stride * static_cast<size_t>(h));
        uint8_t* planes[4] = { pixels.data(), nullptr, nullptr, nullptr };
        int strides[4] = { static_cast<int>(stride), 0, 0, 0 };
        sws_scale(scale.get(), frame->data, frame->linesize, 0, h, planes, strides);
        return std::make_shared<CGImage>(
            static_cast<size_t>(w), static_cast<size_t>(h), false, std::move(pixels), stride);
    }

    // The next picture in decoding order, or nothing at the end of the stream.
    std::optional<Picture> decodeNext()
    {
        for (;;) {
            int got = avcodec_receive_frame(codec.get(), frame.get());
            if (got == 0) {
                ++decoded;
                int64_t pts = frame->best_effort_timestamp;
                double time
                    = pts == AV_NOPTS_VALUE ? (current ? current->time : 0) : static_cast<double>(pts) * timeBase;
                auto image = convert();
                av_frame_unref(frame.get());
                if (image)
                    return Picture { time, image };
                continue;
            }
            if (got == AVERROR_EOF || ended)
                return std::nullopt;
            if (got != AVERROR(EAGAIN))
                return std::nullopt;
            int read = av_read_frame(format.get(), packet.get());
            if (read < 0) {
                ended = true;
                avcodec_send_packet(codec.get(), nullptr);
                continue;
            }
            if (packet->stream_index == stream)
                avcodec_send_packet(codec.get(), packet.get());
            av_packet_unref(packet.get());
        }
    }

    void seekTo(double seconds)
    {
        int64_t target = static_cast<int64_t>(seconds / timeBase);
        av_seek_frame(format.get(), stream, target, AVSEEK_FLAG_BACKWARD);
        avcodec_flush_buffers(codec.get());
        current.reset();
        next.reset();
        ended = false;
    }
};

MovieDecoder::MovieDecoder(std::unique_ptr<Impl> impl)
    : m_impl(std::move(impl))
{
}

MovieDecoder::~MovieDecoder() = default;

std::unique_ptr<MovieDecoder> MovieDecoder::open(const std::string& path)
{
    av_log_set_level(AV_LOG_QUIET);
    auto impl = std::make_unique<Impl>();
    AVFormatContext* format = nullptr;
    if (avformat_open_input(&format, path.c_str(), nullptr, nullptr) < 0)
        return nullptr;
    impl->format.reset(format);
    if (avformat_find_stream_info(format, nullptr) < 0)
        return nullptr;
    const AVCodec* decoder = nullptr;
    impl->stream = av_find_best_stream(format, AVMEDIA_TYPE_VIDEO, -1, -1, &decoder, 0);
    if (impl->stream < 0 || !decoder)
        return nullptr;
    AVStream* stream = format->streams[impl->stream];
    impl->codec.reset(avcodec_alloc_context3(decoder));
    if (!impl->codec || avcodec_parameters_to_context(impl->codec.get(), stream->codecpar) < 0)
        return nullptr;
    if (avcodec_open2(impl->codec.get(), decoder, nullptr) < 0)
        return nullptr;
    impl->timeBase = av_q2d(stream->time_base);
    if (impl->timeBase <= 0)
        return nullptr;
    impl->frame.reset(av_frame_alloc());
    impl->packet.reset(av_packet_alloc());
    if (!impl->frame || !impl->packet)
        return nullptr;
    return std::unique_ptr<MovieDecoder>(new MovieDecoder(std::move(impl)));
}

double MovieDecoder::duration() const
{
    AVStream* stream = m_impl->format->streams[m_impl->stream];
    if (stream->duration != AV_NOPTS_VALUE && stream->duration > 0)
        return static_cast<double>(stream->duration) * m_impl->timeBase;
    if (m_impl->format->duration != AV_NOPTS_VALUE && m_impl->format->duration > 0)
        return static_cast<double>(m_impl->format->duration) / AV_TIME_BASE;
    return 0;
}

CGSize MovieDecoder::pictureSize() const
{
    return CGSizeMake(static_cast<CGFloat>(m_impl->codec->width), static_cast<CGFloat>(m_impl->codec->height));
}

double MovieDecoder::frameRate() const
{
    AVRational rate = m_impl->format->streams[m_impl->stream]->avg_frame_rate;
    double fps = rate.den ? av_q2d(rate) : 0;
    return fps > 0 && std::isfinite(fps) ? fps : 25;
}

size_t MovieDecoder::decodedPictures() const { return m_impl->decoded; }

CGImageRef MovieDecoder::pictureAtTime(double seconds)
{
    auto& d = *m_impl;
    constexpr double kSeekAhead = 5;
    double half = 0.5 / frameRate();
    bool behind = d.current && seconds + half < d.current->time;
    bool farAhead = d.current && seconds > d.current->time + kSeekAhead;
    if (behind || farAhead)
        d.seekTo(seconds);
    for (;;) {
        if (!d.next) {
            d.next = d.decodeNext();
            if (!d.next)
                break;
        }
        if (d.current && d.next->time > seconds + half)
            break;
        d.current = std::move(d.next);
        d.next.reset();
    }
    return d.current ? d.current->image : nullptr;
}
