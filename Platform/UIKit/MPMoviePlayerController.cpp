#include "Platform/UIKit/MPMoviePlayerController.h"

#include "Platform/Foundation/Clock.h"
#include "Platform/Foundation/NSRunLoop.h"
#include "Platform/Foundation/NSString.h"
#include "Platform/Foundation/NSTimer.h"
#include "Platform/UIKit/NSStringDrawing.h"
#include "Platform/UIKit/UIColor.h"
#include "Platform/UIKit/UIGraphics.h"
#include "Platform/UIKit/MovieDecoder.h"
#include "Platform/UIKit/MovieSound.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <sys/stat.h>

namespace {

std::string percentDecoded(const std::string& text) { return NSString::stringByReplacingPercentEscapes(text); }

std::string timeText(double seconds)
{
    long s = static_cast<long>(std::max(0.0, seconds));
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%ld:%02ld", s / 60, s % 60);
    return buffer;
}

// Big-endian reads of a box's fields; false past the end of the file.
bool readBytes(std::ifstream& in, uint64_t offset, unsigned char* out, size_t n)
{
    in.clear();
    in.seekg(static_cast<std::streamoff>(offset));
    in.read(reinterpret_cast<char*>(out), static_cast<std::streamsize>(n));
    return static_cast<size_t>(in.gcount()) == n;
}

uint64_t bigEndian(const unsigned char* p, size_t n)
{
    uint64_t v = 0;
    for (size_t i = 0; i < n; ++i)
        v = (v << 8) | p[i];
    return v;
}

// The movie header's duration in the boxes between `begin` and `end`,
// descending only into the movie box. Sizes are checked against their
// container, so a damaged file ends the search instead of running off.
std::optional<double> findMovieHeader(std::ifstream& in, uint64_t begin, uint64_t end, int depth, int& budget)
{
    uint64_t offset = begin;
    while (offset + 8 <= end && budget-- > 0) {
        unsigned char head[16];
        if (!readBytes(in, offset, head, 8))
            return std::nullopt;
        uint64_t size = bigEndian(head, 4);
        std::string type(reinterpret_cast<char*>(head + 4), 4);
        uint64_t headerSize = 8;
        if (size == 1) {
            if (offset + 16 > end || !readBytes(in, offset + 8, head + 8, 8))
                return std::nullopt;
            size = bigEndian(head + 8, 8);
            headerSize = 16;
        } else if (size == 0) {
            size = end - offset;
        }
        if (size < headerSize || size > end - offset)
            return std::nullopt;
        if (type == "moov" && depth == 0)
            return findMovieHeader(in, offset + headerSize, offset + size, depth + 1, budget);
        if (type == "mvhd" && depth == 1) {
            unsigned char body[32];
            uint64_t bodySize = size - headerSize;
            if (bodySize < 4 || !readBytes(in, offset + headerSize, body, 4))
                return std::nullopt;
            bool wide = body[0] == 1;
            // Version, flags, two dates, the time scale and the duration.
            size_t need = wide ? 4 + 16 + 4 + 8 : 4 + 8 + 4 + 4;
            if (bodySize < need || !readBytes(in, offset + headerSize, body, need))
                return std::nullopt;
            uint64_t scale = wide ? bigEndian(body + 20, 4) : bigEndian(body + 12, 4);
            uint64_t duration = wide ? bigEndian(body + 24, 8) : bigEndian(body + 16, 4);
            bool unknown = wide ? duration == UINT64_MAX : duration == UINT32_MAX;
            if (scale == 0 || unknown)
                return std::nullopt;
            return static_cast<double>(duration) / static_cast<double>(scale);
        }
        offset += size;
    }
    return std::nullopt;
}

// The picture area: dark, with the file's name, the state and the time, while
// the file is playable.
class MoviePlayerView : public UIView {
public:
    MoviePlayerView(std::weak_ptr<MPMoviePlayerController> player)
        : UIView(CGRectZero)
        , m_player(std::move(player))
    {
    }
    bool drawsContent() const override { return true; }
    void drawRect(CGRect) override
    {
        auto player = m_player.lock();
        auto c = UIGraphicsGetCurrentContext();
        if (!player || !c || !(player->loadState() & MPMovieLoadStatePlayable))
            return;
        CGRect b = bounds();
        if (const auto& picture = player->currentPicture()) {
            CGContextSetRGBFillColor(c, 0, 0, 0, 1);
            CGContextFillRect(c, b);
            CGFloat w = static_cast<CGFloat>(picture->width()), h = static_cast<CGFloat>(picture->height());
            CGFloat scale = std::min(b.size.width / w, b.size.height / h);
            CGRect fitted = CGRectMake(b.origin.x + (b.size.width - w * scale) / 2,
                b.origin.y + (b.size.height - h * scale) / 2, w * scale, h * scale);
            // Upright in the view's y-downward space.
            CGContextSaveGState(c);
            CGContextTranslateCTM(c, fitted.origin.x, CGRectGetMaxY(fitted));
            CGContextScaleCTM(c, 1, -1);
            CGContextDrawImage(c, CGRectMake(0, 0, fitted.size.width, fitted.size.height), picture);
            CGContextRestoreGState(c);
            return;
        }
        UIColor::colorWithWhiteAlpha(0.08f, 1)->setFill();
        CGContextFillRect(c, b);
        std::string url = player->contentURL();
        std::string name = url.substr(url.find_last_of('/') == std::string::npos ? 0 : url.find_last_of('/') + 1);
        auto font = UIFont::boldSystemFontOfSize(18);
        UIColor::whiteColor()->setFill();
        CGFloat h = font->lineHeight();
        drawInRectWithFontLineBreakModeAlignment(percentDecoded(name),
            CGRectMake(10, CGRectGetMidY(b) - h, b.size.width - 20, h), font, UILineBreakModeMiddleTruncation,
            UITextAlignmentCenter);
        static const char* states[] = { "stopped", "playing", "paused", "interrupted", "seeking", "seeking" };
        std::string status
            = std::string(states[player->playbackState()]) + "  " + timeText(player->currentPlaybackTime());
        if (player->duration() > 0)
            status += " / " + timeText(player->duration());
        auto small = UIFont::systemFontOfSize(13);
        UIColor::colorWithWhiteAlpha(0.7f, 1)->setFill();
        drawInRectWithFontLineBreakModeAlignment(status,
            CGRectMake(10, CGRectGetMidY(b) + 4, b.size.width - 20, small->lineHeight()), small,
            UILineBreakModeTailTruncation, UITextAlignmentCenter);
    }

private:
    std::weak_ptr<MPMoviePlayerController> m_player;
};

}  // namespace

MPMoviePlayerController::MPMoviePlayerController(std::string contentURL)
    : m_url(std::move(contentURL))
{
}

MPMoviePlayerController::~MPMoviePlayerController()
{
    if (m_endTimer)
        m_endTimer->invalidate();
    if (m_pictureTimer)
        m_pictureTimer->invalidate();
}

CGSize MPMoviePlayerController::naturalSize() const { return m_decoder ? m_decoder->pictureSize() : CGSizeZero; }

void MPMoviePlayerController::updatePicture()
{
    if (!m_decoder)
        return;
    auto picture = m_decoder->pictureAtTime(currentPlaybackTime());
    if (picture != m_picture) {
        m_picture = std::move(picture);
        if (m_view)
            m_view->setNeedsDisplay();
    }
}

void MPMoviePlayerController::tick()
{
    if (m_sound && m_soundClock) {
        m_sound->feed();
        if (auto heard = m_sound->heardTime()) {
            m_position = *heard;
        } else {
            // The sound has run out before the pictures: the clock goes on from where it ended.
            m_soundClock = false;
            m_playingSince = Clock::now();
        }
    }
    updatePicture();
}

void MPMoviePlayerController::startPictures()
{
    stopPictures();
    if (!m_decoder && !m_sound)
        return;
    std::weak_ptr<MPMoviePlayerController> weak = weak_from_this();
    // One look at the clock a picture (at most 30 a second), on the run loop like the end of the movie;
    // the sound is topped up on the same turns, well within what it holds ahead.
    double interval = 1.0 / std::min(30.0, m_decoder ? m_decoder->frameRate() : 30.0);
    m_pictureTimer = NSTimer::timerWithTimeInterval(interval, true, [weak](NSTimer&) {
        if (auto self = weak.lock())
            self->tick();
    });
    NSRunLoop::currentRunLoop()->addTimer(m_pictureTimer, NSRunLoopCommonModes);
}

void MPMoviePlayerController::stopPictures()
{
    if (m_pictureTimer)
        m_pictureTimer->invalidate();
    m_pictureTimer.reset();
}

std::optional<double> MPMoviePlayerController::movieHeaderDuration(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    in.seekg(0, std::ios::end);
    auto size = in.tellg();
    if (size <= 0)
        return std::nullopt;
    int budget = 10000;
    return findMovieHeader(in, 0, static_cast<uint64_t>(size), 0, budget);
}

std::string MPMoviePlayerController::path() const
{
    if (m_url.rfind("file://", 0) == 0) {
        std::string rest = m_url.substr(7);
        if (rest.rfind("localhost/", 0) == 0)
            rest = rest.substr(9);
        return percentDecoded(rest);
    }
    if (m_url.rfind("/", 0) == 0)
        return m_url;
    return {};
}

void MPMoviePlayerController::setContentURL(std::string url)
{
    stop();
    m_url = std::move(url);
    m_prepared = m_failed = false;
    m_loadState = MPMovieLoadStateUnknown;
    m_duration = 0;
    m_decoder.reset();
    m_sound.reset();
    m_soundClock = false;
    m_picture.reset();
    if (m_view)
        m_view->setNeedsDisplay();
}

std::shared_ptr<UIView> MPMoviePlayerController::view()
{
    if (!m_view)
        m_view = std::make_shared<MoviePlayerView>(weak_from_this());
    return m_view;
}

void MPMoviePlayerController::post(const std::string& name, Value userInfo)
{
    NSNotificationCenter::defaultCenter().postNotificationName(name, {}, std::move(userInfo), shared_from_this());
}

void MPMoviePlayerController::prepareToPlay()
{
    if (m_prepared)
        return;
    m_prepared = true;
    auto keep = shared_from_this();
    std::string file = path();
    struct stat st { };
    bool readable = !file.empty() && ::stat(file.c_str(), &st) == 0 && S_ISREG(st.st_mode)
        && std::ifstream(file, std::ios::binary).good();
    if (!readable) {
        // As on the platform, a file that cannot be played is reported after the call, from the run loop.
        m_failed = true;
        std::weak_ptr<MPMoviePlayerController> weak = weak_from_this();
        std::string description = "The movie could not be opened: " + m_url;
        NSRunLoop::currentRunLoop()->performBlock([weak, description] {
            if (auto self = weak.lock())
                self->post(MPMoviePlayerPlaybackDidFinishNotification,
                    Value::dictionary({ { MPMoviePlayerPlaybackDidFinishReasonUserInfoKey,
                                            Value::integer(MPMovieFinishReasonPlaybackError) },
                        { "error", Value(description) } }));
        });
        return;
    }
    m_loadState = MPMovieLoadStatePlayable | MPMovieLoadStatePlaythroughOK;
    m_duration = movieHeaderDuration(file).value_or(0);
    m_decoder = MovieDecoder::open(file);
    if (m_decoder && m_duration <= 0)
        m_duration = m_decoder->duration();
    m_sound = MovieSound::open(file);
    updatePicture();
    post(MPMoviePlayerLoadStateDidChangeNotification);
    if (m_duration > 0)
        post(MPMovieDurationAvailableNotification);
    if (m_view)
        m_view->setNeedsDisplay();
}

double MPMoviePlayerController::currentPlaybackTime() const
{
    double t = m_position;
    if (m_state == MPMoviePlaybackStatePlaying && m_soundClock) {
        if (auto heard = m_sound->heardTime())
            t = *heard;
    } else if (m_state == MPMoviePlaybackStatePlaying) {
        t += Clock::now() - m_playingSince;
    }
    return m_duration > 0 ? std::min(t, m_duration) : t;
}

void MPMoviePlayerController::setCurrentPlaybackTime(double seconds)
{
    if (!std::isfinite(seconds))
        return;
    seconds = std::max(0.0, seconds);
    if (m_duration > 0)
        seconds = std::min(seconds, m_duration);
    m_position = seconds;
    if (m_sound) {
        m_sound->seek(seconds);
        m_soundClock = m_state == MPMoviePlaybackStatePlaying;
        if (m_soundClock)
            m_sound->feed();
    }
    if (m_state == MPMoviePlaybackStatePlaying) {
        m_playingSince = Clock::now();
        cancelEnd();
        scheduleEnd();
    }
    updatePicture();
}

void MPMoviePlayerController::play()
{
    auto keep = shared_from_this();
    prepareToPlay();
    if (m_failed || m_state == MPMoviePlaybackStatePlaying)
        return;
    if (m_duration > 0 && m_position >= m_duration) {
        m_position = 0;
        if (m_sound)
            m_sound->seek(0);
    }
    m_playingSince = Clock::now();
    if (m_sound) {
        m_sound->play();
        m_soundClock = true;
    }
    scheduleEnd();
    startPictures();
    setState(MPMoviePlaybackStatePlaying);
}

void MPMoviePlayerController::pause()
{
    if (m_state != MPMoviePlaybackStatePlaying)
        return;
    auto keep = shared_from_this();
    // Silence first, then read the time of the last sample heard.
    if (m_sound)
        m_sound->pause();
    m_position = currentPlaybackTime();
    m_soundClock = false;
    cancelEnd();
    stopPictures();
    updatePicture();
    setState(MPMoviePlaybackStatePaused);
}

void MPMoviePlayerController::stop()
{
    if (m_sound) {
        m_sound->pause();
        m_sound->seek(0);
    }
    m_soundClock = false;
    cancelEnd();
    stopPictures();
    m_position = 0;
    updatePicture();
    if (m_state != MPMoviePlaybackStateStopped) {
        auto keep = shared_from_this();
        setState(MPMoviePlaybackStateStopped);
    }
}

void MPMoviePlayerController::setState(MPMoviePlaybackState state)
{
    m_state = state;
    post(MPMoviePlayerPlaybackStateDidChangeNotification);
    if (m_view)
        m_view->setNeedsDisplay();
}

void MPMoviePlayerController::scheduleEnd()
{
    if (m_duration <= 0)
        return;
    std::weak_ptr<MPMoviePlayerController> weak = weak_from_this();
    m_endTimer = NSTimer::timerWithTimeInterval(std::max(0.0, m_duration - m_position), false, [weak](NSTimer&) {
        if (auto self = weak.lock())
            self->reachedEnd();
    });
    NSRunLoop::currentRunLoop()->addTimer(m_endTimer, NSRunLoopCommonModes);
}

void MPMoviePlayerController::cancelEnd()
{
    if (m_endTimer)
        m_endTimer->invalidate();
    m_endTimer.reset();
}

void MPMoviePlayerController::reachedEnd()
{
    auto keep = shared_from_this();
    m_endTimer.reset();
    // The sound starts a little after the clock, so the end may not be heard yet.
    if (m_soundClock) {
        double left = m_duration - currentPlaybackTime();
        if (left > 0.005) {
            std::weak_ptr<MPMoviePlayerController> weak = weak_from_this();
            m_endTimer = NSTimer::timerWithTimeInterval(left, false, [weak](NSTimer&) {
                if (auto self = weak.lock())
                    self->reachedEnd();
            });
            NSRunLoop::currentRunLoop()->addTimer(m_endTimer, NSRunLoopCommonModes);
            return;
        }
    }
    if (repeatMode == MPMovieRepeatModeOne) {
        m_position = 0;
        m_playingSince = Clock::now();
        if (m_sound) {
            m_sound->seek(0);
            m_sound->feed();
            m_soundClock = true;
        }
        scheduleEnd();
        updatePicture();
        return;
    }
    if (m_sound)
        m_sound->pause();
    m_soundClock = false;
    stopPictures();
    m_position = m_duration;
    updatePicture();
    setState(MPMoviePlaybackStateStopped);
    post(MPMoviePlayerPlaybackDidFinishNotification,
        Value::dictionary(
            { { MPMoviePlayerPlaybackDidFinishReasonUserInfoKey, Value::integer(MPMovieFinishReasonPlaybackEnded) } }));
}
