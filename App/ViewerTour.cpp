// The tour's walk through the viewers the library opens: an office document
// in its preview and the showroom video playing. Both files are made here,
// in Documents, as the brochure of the reader's steps is: the sample
// company's files are only fetched when a person asks.

#include "App/DemoTour.h"

#include "Classes/Frame/CorvelleAppDelegate.h"
#include "Classes/Frame/ZipWrapper.h"
#include "Classes/Library/PPTLoadingViewController.h"
#include "Classes/Library/VideoViewController.h"
#include "Platform/Foundation/NSLog.h"
#include "Platform/Foundation/NSPathUtilities.h"
#include "Platform/UIKit/MPMoviePlayerController.h"
#include "Platform/UIKit/UINavigationController.h"
#include "Platform/UIKit/UIWindow.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
}

#include <cmath>
#include <filesystem>
#include <fstream>

namespace {

std::string documentsFolder()
{
    return NSSearchPathForDirectoriesInDomains(NSDocumentDirectory, NSUserDomainMask, true).front();
}

// A one-page word-processing document: the three parts the format needs, zipped.
bool writeOrderForm(const std::string& path)
{
    namespace fs = std::filesystem;
    std::error_code ignored;
    fs::path parts = fs::path(NSTemporaryDirectory()) / "tour-order-form";
    fs::remove_all(parts, ignored);
    fs::create_directories(parts, ignored);
    const std::pair<const char*, std::string> files[] = {
        { "[Content_Types].xml",
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
            "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
            "<Default Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
            "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
            "<Override PartName=\"/word/document.xml\" "
            "ContentType=\"application/vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml\"/></"
            "Types>" },
        { "_rels/.rels",
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
            "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
            "<Relationship Id=\"rId1\" "
            "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument\" "
            "Target=\"word/document.xml\"/></Relationships>" },
        { "word/document.xml",
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
            "<w:document xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\"><w:body>"
            "<w:p><w:r><w:rPr><w:b/><w:sz w:val=\"56\"/></w:rPr><w:t>Order form</w:t></w:r></w:p>"
            "<w:p><w:r><w:t>Customer, date, products and quantities, signed by both parties.</w:t></w:r></w:p>"
            "</w:body></w:document>" },
    };
    ZipWrapper zip;
    if (!zip.CreateZipFile2(path))
        return false;
    bool ok = true;
    for (const auto& [name, text] : files) {
        fs::path part = parts / fs::path(name).filename();
        std::ofstream(part, std::ios::binary) << text;
        ok = ok && zip.addFileToZipNewname(part.string(), name);
    }
    ok = zip.CloseZipFile2() && ok;
    fs::remove_all(parts, ignored);
    return ok;
}

struct Encoder {
    AVStream* stream = nullptr;
    AVCodecContext* context = nullptr;
};

bool openEncoder(AVFormatContext* format, Encoder& e, AVCodecID id, const std::function<void(AVCodecContext*)>& setUp)
{
    const AVCodec* codec = avcodec_find_encoder(id);
    if (!codec || !(e.stream = avformat_new_stream(format, nullptr)) || !(e.context = avcodec_alloc_context3(codec)))
        return false;
    setUp(e.context);
    if (format->oformat->flags & AVFMT_GLOBALHEADER)
        e.context->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    if (avcodec_open2(e.context, codec, nullptr) < 0
        || avcodec_parameters_from_context(e.stream->codecpar, e.context) < 0)
        return false;
    e.stream->time_base = e.context->time_base;
    return true;
}

bool send(AVFormatContext* format, Encoder& e, AVFrame* frame, AVPacket* packet)
{
    if (avcodec_send_frame(e.context, frame) < 0)
        return false;
    while (avcodec_receive_packet(e.context, packet) == 0) {
        av_packet_rescale_ts(packet, e.context->time_base, e.stream->time_base);
        packet->stream_index = e.stream->index;
        if (av_interleaved_write_frame(format, packet) < 0)
            return false;
    }
    return true;
}

// Three seconds of colour bars sliding across under a 440 Hz tone.
bool writeShowroomClip(const std::string& path)
{
    constexpr int kSeconds = 3, kFps = 25, kWidth = 320, kHeight = 240, kRate = 44100;
    AVFormatContext* format = nullptr;
    if (avformat_alloc_output_context2(&format, nullptr, "mp4", path.c_str()) < 0)
        return false;
    Encoder video, audio;
    AVFrame* frame = av_frame_alloc();
    AVPacket* packet = av_packet_alloc();
    bool ok = frame && packet
        && openEncoder(format, video, AV_CODEC_ID_MPEG4,
            [&](AVCodecContext* c) {
                c->width = kWidth;
                c->height = kHeight;
                c->time_base = AVRational { 1, kFps };
                c->framerate = AVRational { kFps, 1 };
                c->pix_fmt = AV_PIX_FMT_YUV420P;
                c->gop_size = kFps;
            })
        && openEncoder(format, audio, AV_CODEC_ID_AAC,
            [&](AVCodecContext* c) {
                c->sample_rate = kRate;
                c->sample_fmt = AV_SAMPLE_FMT_FLTP;
                c->bit_rate = 64000;
                c->time_base = AVRational { 1, kRate };
                av_channel_layout_default(&c->ch_layout, 1);
            })
        && avio_open(&format->pb, path.c_str(), AVIO_FLAG_WRITE) >= 0 && avformat_write_header(format, nullptr) >= 0;

    static const uint8_t bars[][3] = { { 235, 128, 128 }, { 210, 16, 146 }, { 170, 166, 16 }, { 145, 54, 34 },
        { 106, 202, 222 }, { 81, 90, 240 }, { 41, 240, 110 }, { 16, 128, 128 } };
    for (int i = 0; ok && i < kSeconds * kFps; ++i) {
        av_frame_unref(frame);
        frame->format = AV_PIX_FMT_YUV420P;
        frame->width = kWidth;
        frame->height = kHeight;
        ok = av_frame_get_buffer(frame, 0) >= 0;
        for (int y = 0; ok && y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x) {
                const uint8_t* bar = bars[((x + i * 4) / (kWidth / 8)) % 8];
                frame->data[0][y * frame->linesize[0] + x] = bar[0];
                if (x % 2 == 0 && y % 2 == 0) {
                    frame->data[1][(y / 2) * frame->linesize[1] + x / 2] = bar[1];
                    frame->data[2][(y / 2) * frame->linesize[2] + x / 2] = bar[2];
                }
            }
        frame->pts = i;
        ok = ok && send(format, video, frame, packet);
    }
    ok = ok && send(format, video, nullptr, packet);

    int64_t sample = 0;
    const int frameSize = audio.context ? audio.context->frame_size : 0;
    while (ok && sample < static_cast<int64_t>(kSeconds) * kRate) {
        av_frame_unref(frame);
        frame->format = AV_SAMPLE_FMT_FLTP;
        frame->sample_rate = kRate;
        frame->nb_samples = frameSize;
        av_channel_layout_default(&frame->ch_layout, 1);
        ok = av_frame_get_buffer(frame, 0) >= 0;
        auto* out = reinterpret_cast<float*>(frame->data[0]);
        for (int k = 0; ok && k < frameSize; ++k)
            out[k] = 0.4f * static_cast<float>(std::sin(2 * M_PI * 440.0 * static_cast<double>(sample + k) / kRate));
        frame->pts = sample;
        sample += frameSize;
        ok = ok && send(format, audio, frame, packet);
    }
    ok = ok && send(format, audio, nullptr, packet) && av_write_trailer(format) >= 0;

    av_frame_free(&frame);
    av_packet_free(&packet);
    avcodec_free_context(&video.context);
    avcodec_free_context(&audio.context);
    if (format->pb)
        avio_closep(&format->pb);
    avformat_free_context(format);
    return ok;
}

std::shared_ptr<UINavigationController> rootNavigation()
{
    auto app = CorvelleAppDelegate::sharedAppDelegate();
    return app ? std::dynamic_pointer_cast<UINavigationController>(app->window()->rootViewController()) : nullptr;
}

}  // namespace

void DemoTour::addViewerSteps()
{
    // The office suite starts slowly: the picture waits for the document's pages.
    auto office = std::make_shared<std::weak_ptr<PPTLoadingViewController>>();
    addStepUntil(
        "office_document",
        [office]() {
            auto navigation = rootNavigation();
            const std::string path = documentsFolder() + "/Order form.docx";
            if (!navigation || !writeOrderForm(path)) {
                NSLog("The tour could not make %@", path);
                return;
            }
            auto preview = std::make_shared<PPTLoadingViewController>();
            preview->setFileName(std::string("Order form"));
            preview->setFilePath(path);
            navigation->pushViewControllerAnimated(preview, true);
            *office = preview;
        },
        [office]() {
            auto preview = office->lock();
            return !preview || (preview->webView() && !preview->webView()->isLoading());
        },
        180);
    addStep(
        "",
        [office]() {
            if (auto preview = office->lock())
                preview->btnBackClick();
        },
        0.5);

    auto video = std::make_shared<std::shared_ptr<VideoViewController>>();
    addStepUntil(
        "showroom_video",
        [video]() {
            auto navigation = rootNavigation();
            const std::string path = documentsFolder() + "/showroom.mp4";
            if (!navigation || !writeShowroomClip(path)) {
                NSLog("The tour could not make %@", path);
                return;
            }
            *video = std::make_shared<VideoViewController>();
            (*video)->createWithFilenameAndFilePath("Showroom tour", path);
            navigation->view()->addSubview((*video)->view());
        },
        [video]() {
            // A second into the film, with its picture on screen.
            auto player = *video ? (*video)->moviePlayer() : nullptr;
            return !player || (player->currentPicture() && player->currentPlaybackTime() >= 1.0);
        },
        15);
    addStep(
        "",
        [video]() {
            if (*video) {
                (*video)->btnbackClicked();
                (*video)->view()->removeFromSuperview();
                video->reset();
            }
        },
        0.3);
}
