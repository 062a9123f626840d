#pragma once

// Writes a small video for the movie player's tests: an MP4 of MPEG-4 part 2
// pictures whose brightness steps up each second (dark at 0 s, lighter
// later), so a test can tell which second a picture belongs to.

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include <string>

inline bool writeTestMovie(const std::string& path, int seconds, int fps = 10, int width = 160, int height = 120)
{
    AVFormatContext* format = nullptr;
    if (avformat_alloc_output_context2(&format, nullptr, "mp4", path.c_str()) < 0)
        return false;
    const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_MPEG4);
    AVStream* stream = codec ? avformat_new_stream(format, nullptr) : nullptr;
    AVCodecContext* encoder = codec ? avcodec_alloc_context3(codec) : nullptr;
    AVFrame* frame = av_frame_alloc();
    AVPacket* packet = av_packet_alloc();
    bool ok = stream && encoder && frame && packet;
    if (ok) {
        encoder->width = width;
        encoder->height = height;
        encoder->time_base = AVRational { 1, fps };
        encoder->framerate = AVRational { fps, 1 };
        encoder->pix_fmt = AV_PIX_FMT_YUV420P;
        encoder->gop_size = fps;
        if (format->oformat->flags & AVFMT_GLOBALHEADER)
            encoder->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
        ok = avcodec_open2(encoder, codec, nullptr) >= 0
            && avcodec_parameters_from_context(stream->codecpar, encoder) >= 0;
        stream->time_base = encoder->time_base;
    }
    ok = ok && avio_open(&format->pb, path.c_str(), AVIO_FLAG_WRITE) >= 0
        && avformat_write_header(format, nullptr) >= 0;
    auto drain = [&] {
        while (avcodec_receive_packet(encoder, packet) == 0) {
            av_packet_rescale_ts(packet, encoder->time_base, stream->time_base);
            packet->stream_index = stream->index;
            av_interleaved_write_frame(format, packet);
        }
    };
    if (ok) {
        frame->format = AV_PIX_FMT_YUV420P;
        frame->width = width;
        frame->height = height;
        ok = av_frame_get_buffer(frame, 0) >= 0;
        for (int i = 0; ok && i < seconds * fps; ++i) {
            av_frame_make_writable(frame);
            int luma = 30 + (i / fps) * 60;
            for (int y = 0; y < height; ++y)
                for (int x = 0; x < width; ++x)
                    frame->data[0][y * frame->linesize[0] + x] = static_cast<uint8_t>(luma > 235 ? 235 : luma);
            for (int y = 0; y < height / 2; ++y)
                for (int x = 0; x < width / 2; ++x) {
                    frame->data[1][y * frame->linesize[1] + x] = 128;
                    frame->data[2][y * frame->linesize[2] + x] = 128;
                }
            frame->pts = i;
            ok = avcodec_send_frame(encoder, frame) >= 0;
            drain();
        }
        avcodec_send_frame(encoder, nullptr);
        drain();
        av_write_trailer(format);
    }
    if (format && format->pb)
        avio_closep(&format->pb);
    av_packet_free(&packet);
    av_frame_free(&frame);
    avcodec_free_context(&encoder);
    avformat_free_context(format);
    return ok;
}
