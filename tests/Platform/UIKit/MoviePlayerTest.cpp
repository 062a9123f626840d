#include "support/ClockFixture.h"
#include "support/RunLoopPump.h"
#include "support/TemporaryHome.h"

#include "Platform/CoreGraphics/CGImage.h"
#include "Platform/UIKit/MPMoviePlayerController.h"
#include "Platform/UIKit/UIColor.h"
#include "Platform/UIKit/UIImage.h"
#include "Platform/UIKit/UIViewRendering.h"

#include <fstream>
#include <gtest/gtest.h>

namespace {

using Bytes = std::string;

Bytes be(uint64_t v, int n)
{
    Bytes out;
    for (int i = n - 1; i >= 0; --i)
        out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
    return out;
}

Bytes box(const std::string& type, const Bytes& body) { return be(body.size() + 8, 4) + type + body; }

// A movie header of either version, padded to its real length.
Bytes mvhd(int version, uint64_t scale, uint64_t duration)
{
    Bytes body = be(static_cast<uint64_t>(version) << 24, 4);
    body += version == 1 ? be(0, 8) + be(0, 8) + be(scale, 4) + be(duration, 8)
                         : be(0, 4) + be(0, 4) + be(scale, 4) + be(duration, 4);
    body += Bytes(80, '\0');
    return box("mvhd", body);
}

const Bytes kFileType = box("ftyp", "isom" + be(0x200, 4) + "isomavc1");

class MoviePlayerTest : public ManualClockTest {
protected:
    void TearDown() override
    {
        NSNotificationCenter::defaultCenter().removeObserver(this);
        drainMainRunLoop();
        ManualClockTest::TearDown();
    }
    std::string write(const std::string& name, const Bytes& bytes)
    {
        std::string path = home.documents() + "/" + name;
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }
    // The player's notifications by short name, with the finish reason.
    void observe()
    {
        for (auto& name : { MPMoviePlayerPlaybackDidFinishNotification, MPMoviePlayerPlaybackStateDidChangeNotification,
                 MPMoviePlayerLoadStateDidChangeNotification, MPMovieDurationAvailableNotification })
            NSNotificationCenter::defaultCenter().addObserver(this, name, [this](const NSNotification& n) {
                std::string entry = n.name.substr(0, n.name.size() - std::string("Notification").size());
                const Value& reason = n.userInfo[MPMoviePlayerPlaybackDidFinishReasonUserInfoKey];
                if (!reason.isNull())
                    entry += " " + std::to_string(reason.intValue());
                events.push_back(entry);
            });
    }
    TemporaryHome home;
    std::vector<std::string> events;
};

TEST_F(MoviePlayerTest, DurationComesFromTheMovieHeaderOfMP4AndQuickTimeFiles)
{
    struct Case {
        std::string name;
        Bytes bytes;
        std::optional<double> duration;
    } cases[] = {
        { "short.mp4", kFileType + box("moov", mvhd(0, 600, 5400)), 9.0 },
        // A 64-bit media box before the movie box, and a version 1 header.
        { "long.mov", kFileType + be(1, 4) + "mdat" + be(16 + 4, 8) + "abcd" + box("moov", mvhd(1, 1000, 2500)), 2.5 },
        { "unknown.mp4", kFileType + box("moov", mvhd(0, 600, 0xFFFFFFFF)), std::nullopt },
        { "noscale.mp4", kFileType + box("moov", mvhd(0, 0, 100)), std::nullopt },
        { "truncated.mp4", kFileType + box("moov", mvhd(0, 600, 5400)).substr(0, 30), std::nullopt },
        { "oversized.mp4", kFileType + be(4096, 4) + "moov" + mvhd(0, 600, 5400), std::nullopt },
        { "toosmall.mp4", kFileType + be(4, 4) + "moov" + mvhd(0, 600, 5400), std::nullopt },
        // A movie header only counts inside the movie box.
        { "stray.mp4", kFileType + mvhd(0, 600, 5400), std::nullopt },
        { "clip.avi", "RIFF....AVI LIST", std::nullopt },
        { "empty.mp4", "", std::nullopt },
    };
    for (auto& c : cases)
        EXPECT_EQ(MPMoviePlayerController::movieHeaderDuration(write(c.name, c.bytes)), c.duration) << c.name;
    EXPECT_EQ(MPMoviePlayerController::movieHeaderDuration(home.documents() + "/absent.mp4"), std::nullopt);
}

TEST_F(MoviePlayerTest, PlaysPausesAndFinishesOnTheClock)
{
    std::string path = write("demo clip.mp4", kFileType + box("moov", mvhd(0, 600, 5400)));
    auto player
        = std::make_shared<MPMoviePlayerController>("file://" + path.substr(0, path.size() - 13) + "demo%20clip.mp4");
    observe();
    EXPECT_EQ(player->playbackState(), MPMoviePlaybackStateStopped);
    player->play();
    EXPECT_EQ(events,
        (std::vector<std::string> {
            "MPMoviePlayerLoadStateDidChange", "MPMovieDurationAvailable", "MPMoviePlayerPlaybackStateDidChange" }));
    EXPECT_EQ(player->playbackState(), MPMoviePlaybackStatePlaying);
    EXPECT_EQ(player->loadState(), MPMovieLoadStatePlayable | MPMovieLoadStatePlaythroughOK);
    EXPECT_EQ(player->duration(), 9.0);
    advanceClock(4);
    EXPECT_DOUBLE_EQ(player->currentPlaybackTime(), 4.0);
    player->pause();
    advanceClock(10);
    EXPECT_EQ(player->playbackState(), MPMoviePlaybackStatePaused);
    EXPECT_DOUBLE_EQ(player->currentPlaybackTime(), 4.0);
    events.clear();
    player->play();
    advanceClock(4.5);
    EXPECT_EQ(player->playbackState(), MPMoviePlaybackStatePlaying);
    advanceClock(1);
    EXPECT_EQ(player->playbackState(), MPMoviePlaybackStateStopped);
    EXPECT_EQ(events,
        (std::vector<std::string> { "MPMoviePlayerPlaybackStateDidChange", "MPMoviePlayerPlaybackStateDidChange",
            "MPMoviePlayerPlaybackDidFinish 0" }));
    advanceClock(20);
    EXPECT_EQ(events.size(), 3u);

    // Repeating one starts again at the end and never finishes; stopping goes back to the start.
    events.clear();
    player->repeatMode = MPMovieRepeatModeOne;
    player->play();
    advanceClock(20);
    EXPECT_EQ(player->playbackState(), MPMoviePlaybackStatePlaying);
    EXPECT_DOUBLE_EQ(player->currentPlaybackTime(), 2.0);
    player->stop();
    EXPECT_EQ(player->playbackState(), MPMoviePlaybackStateStopped);
    EXPECT_EQ(player->currentPlaybackTime(), 0.0);
    advanceClock(20);
    EXPECT_EQ(events,
        (std::vector<std::string> { "MPMoviePlayerPlaybackStateDidChange", "MPMoviePlayerPlaybackStateDidChange" }));
}

TEST_F(MoviePlayerTest, UnknownDurationsPlayOnAndMissingFilesFinishWithAnError)
{
    auto other = std::make_shared<MPMoviePlayerController>(write("clip.avi", "RIFF....AVI LIST"));
    other->play();
    advanceClock(600);
    EXPECT_EQ(other->playbackState(), MPMoviePlaybackStatePlaying);
    EXPECT_EQ(other->duration(), 0.0);
    EXPECT_DOUBLE_EQ(other->currentPlaybackTime(), 600.0);

    for (std::string url : { "file://" + home.documents() + "/absent.mp4", std::string("http://example.com/a.mp4"),
             "file://" + home.documents() }) {
        auto missing = std::make_shared<MPMoviePlayerController>(url);
        observe();
        events.clear();
        missing->play();
        EXPECT_TRUE(events.empty()) << url;
        drainMainRunLoop();
        EXPECT_EQ(events, std::vector<std::string> { "MPMoviePlayerPlaybackDidFinish 1" }) << url;
        EXPECT_EQ(missing->playbackState(), MPMoviePlaybackStateStopped);
        EXPECT_EQ(missing->loadState(), MPMovieLoadStateUnknown);
        EXPECT_FALSE(missing->isPreparedToPlay());
        NSNotificationCenter::defaultCenter().removeObserver(this);
    }
}

TEST_F(MoviePlayerTest, ViewShowsADarkPictureOnlyForAPlayableFile)
{
    struct Case {
        std::string url;
        bool dark;
    } cases[] = {
        { write("demo.mp4", kFileType + box("moov", mvhd(0, 600, 5400))), true },
        { home.documents() + "/absent.mp4", false },
    };
    for (auto& c : cases) {
        auto player = std::make_shared<MPMoviePlayerController>(c.url);
        auto view = player->view();
        view->setFrame(CGRectMake(50, 94, 300, 200));
        view->setBackgroundColor(UIColor::lightGrayColor());
        player->play();
        auto picture = UIViewRenderToImage(*view);
        ASSERT_NE(picture, nullptr);
        CGPixel p = picture->CGImage()->pixelAt(10, 10);
        EXPECT_EQ(p.red < 40, c.dark) << c.url;
        drainMainRunLoop();
    }
}

}  // namespace
