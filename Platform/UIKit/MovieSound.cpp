#include "Platform/UIKit/MovieSound.h"

#include "Platform/UIKit/MovieCodecClosers.h"

#include "Platform/Foundation/NSLog.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
}

#include <SDL2/SDL.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

using MovieCodec::CodecCloser;
using MovieCodec::FormatCloser;
using MovieCodec::FrameCloser;
using MovieCodec::PacketCloser;

struct ResampleCloser {
    void operator()(SwrContext* s) const { swr_free(&s); }
};

// The sound system starts once, on first use, and stays for the process.
bool soundSystemReady()
{
    static bool ready = [] {
        if (SDL_InitSubSystem(SDL_INIT_AUDIO) == 0)
            return true;
        NSLog("No sound: the sound system did not start (%@)", std::string(SDL_GetError()));
        return false;
    }();
    return ready;
}

}  // namespace

struct MovieSound::Impl {
    std::unique_ptr<AVFormatContext, FormatCloser> format;
    std::unique_ptr<AVCodecContext, CodecCloser> codec;
    std::unique_ptr<AVFrame, FrameCloser> frame;
    std::unique_ptr<AVPacket, PacketCloser> packet;
    std::unique_ptr<SwrContext, ResampleCloser> resample;
    int stream = -1;
    double timeBase = 0;
    SDL_AudioDeviceID device = 0;
    int rate = 0;
    int channels = 0;
    bool ended = false;
    // Movie time of the first sample queued since the last seek, and how many
    // sample frames were queued since.
    double base = 0;
    uint64_t queued = 0;
    // Samples before this time are dropped after a seek (the decoder restarts at a key frame before it).
    double dropBefore = 0;
    std::vector<int16_t> buffer;

    ~Impl()
    {
        if (device)
            SDL_CloseAudioDevice(device);
    }

    size_t frameBytes() const { return static_cast<size_t>(channels) * sizeof(int16_t); }

    uint64_t waiting() const { return SDL_GetQueuedAudioSize(device) / frameBytes(); }

    // Converts the decoded frame and queues what lies at or after `dropBefore`.
    void queueFrame()
    {
        int out = swr_get_out_samples(resample.get(), frame->nb_samples);
        if (out <= 0)
            return;
        buffer.resize(static_cast<size_t>(out) * static_cast<size_t>(channels));
        auto* target = reinterpret_cast<uint8_t*>(buffer.data());
        int made = swr_convert(
            resample.get(), &target, out, const_cast<const uint8_t**>(frame->extended_data), frame->nb_samples);
        if (made <= 0)
            return;
        size_t skip = 0;
        int64_t pts = frame->best_effort_timestamp;
        if (pts != AV_NOPTS_VALUE) {
            double start = static_cast<double>(pts) * timeBase;
            if (start < dropBefore)
                skip = std::min(
                    static_cast<size_t>(made), static_cast<size_t>(std::llround((dropBefore - start) * rate)));
        }
        size_t kept = static_cast<size_t>(made) - skip;
        if (kept == 0)
            return;
        if (queued == 0 && skip == 0 && pts != AV_NOPTS_VALUE)
            // The first sound after a seek may start after the asked time; the clock starts with it.
            base = std::max(base, static_cast<double>(pts) * timeBase);
        SDL_QueueAudio(
            device, buffer.data() + skip * static_cast<size_t>(channels), static_cast<Uint32>(kept * frameBytes()));
        queued += kept;
        dropBefore = 0;
    }

    // Decodes one more frame into the queue; false at the end of the stream.
    bool decodeOne()
    {
        for (;;) {
            int got = avcodec_receive_frame(codec.get(), frame.get());
            if (got == 0) {
                queueFrame();
                av_frame_unref(frame.get());
                return true;
            }
            if (got == AVERROR_EOF || ended || got != AVERROR(EAGAIN))
                return false;
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
};

MovieSound::MovieSound(std::unique_ptr<Impl> impl)
    : m_impl(std::move(impl))
{
}

MovieSound::~MovieSound() = default;

std::unique_ptr<MovieSound> MovieSound::open(const std::string& path)
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
    impl->stream = av_find_best_stream(format, AVMEDIA_TYPE_AUDIO, -1, -1, &decoder, 0);
    if (impl->stream < 0 || !decoder)
        return nullptr;
    AVStream* stream = format->streams[impl->stream];
    impl->codec.reset(avcodec_alloc_context3(decoder));
    if (!impl->codec || avcodec_parameters_to_context(impl->codec.get(), stream->codecpar) < 0)
        return nullptr;
    if (avcodec_open2(impl->codec.get(), decoder, nullptr) < 0)
        return nullptr;
    impl->timeBase = av_q2d(stream->time_base);
    if (impl->timeBase <= 0 || impl->codec->sample_rate <= 0 || impl->codec->ch_layout.nb_channels <= 0)
        return nullptr;
    impl->frame.reset(av_frame_alloc());
    impl->packet.reset(av_packet_alloc());
    if (!impl->frame || !impl->packet || !soundSystemReady())
        return nullptr;

    SDL_AudioSpec want {}, have {};
    want.freq = impl->codec->sample_rate;
    want.format = AUDIO_S16SYS;
    want.channels = static_cast<Uint8>(std::min(impl->codec->ch_layout.nb_channels, 2));
    want.samples = 1024;
    // No callback: samples are queued from the main thread and the device takes them on its own.
    impl->device = SDL_OpenAudioDevice(
        nullptr, 0, &want, &have, SDL_AUDIO_ALLOW_FREQUENCY_CHANGE | SDL_AUDIO_ALLOW_CHANNELS_CHANGE);
    if (!impl->device) {
        NSLog("No sound: no sound device opens (%@)", std::string(SDL_GetError()));
        return nullptr;
    }
    impl->rate = have.freq;
    impl->channels = have.channels;

    AVChannelLayout outLayout;
    av_channel_layout_default(&outLayout, impl->channels);
    SwrContext* resample = nullptr;
    int made = swr_alloc_set_opts2(&resample, &outLayout, AV_SAMPLE_FMT_S16, impl->rate, &impl->codec->ch_layout,
        impl->codec->sample_fmt, impl->codec->sample_rate, 0, nullptr);
    av_channel_layout_uninit(&outLayout);
    impl->resample.reset(resample);
    if (made < 0 || !resample || swr_init(resample) < 0)
        return nullptr;
    return std::unique_ptr<MovieSound>(new MovieSound(std::move(impl)));
}

int MovieSound::sampleRate() const { return m_impl->rate; }

int MovieSound::channels() const { return m_impl->channels; }

void MovieSound::feed(double aheadSeconds)
{
    auto& s = *m_impl;
    auto wanted = static_cast<uint64_t>(aheadSeconds * s.rate);
    while (s.waiting() < wanted && s.decodeOne()) { }
}

void MovieSound::play()
{
    feed();
    SDL_PauseAudioDevice(m_impl->device, 0);
}

void MovieSound::pause() { SDL_PauseAudioDevice(m_impl->device, 1); }

void MovieSound::seek(double seconds)
{
    auto& s = *m_impl;
    SDL_ClearQueuedAudio(s.device);
    int64_t target = static_cast<int64_t>(seconds / s.timeBase);
    av_seek_frame(s.format.get(), s.stream, target, AVSEEK_FLAG_BACKWARD);
    avcodec_flush_buffers(s.codec.get());
    swr_init(s.resample.get());
    s.ended = false;
    s.base = seconds;
    s.queued = 0;
    s.dropBefore = seconds;
}

std::optional<double> MovieSound::heardTime() const
{
    auto& s = *m_impl;
    uint64_t waiting = s.waiting();
    if (s.ended && waiting == 0 && s.queued > 0)
        return std::nullopt;
    uint64_t heard = s.queued > waiting ? s.queued - waiting : 0;
    return s.base + static_cast<double>(heard) / s.rate;
}
