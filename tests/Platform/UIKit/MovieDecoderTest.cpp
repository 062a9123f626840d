#include "MovieFixture.h"

#include "Platform/UIKit/MPMoviePlayerController.h"
#include "Platform/UIKit/MovieDecoder.h"
#include "Platform/UIKit/UIImage.h"
#include "Platform/UIKit/UIViewRendering.h"
#include "ClockFixture.h"
#include "RunLoopPump.h"
#include "TemporaryHome.h"

#include <fstream>
#include <gtest/gtest.h>

namespace {

class MovieDecoderTest : public ManualClockTest {
protected:
    TemporaryHome home;
    std::string movie(int seconds = 4)
    {
        std::string path = home.documents() + "/clip.mp4";
        EXPECT_TRUE(writeTestMovie(path, seconds));
        return path;
    }
    static int brightness(const CGImageRef& image) { return image ? image->pixelAt(80, 60).green : -1; }
};

TEST_F(MovieDecoderTest, PicturesFollowTheTimeAskedForForwardAndBack)
{
    auto decoder = MovieDecoder::open(movie());
    ASSERT_TRUE(decoder);
    EXPECT_NEAR(decoder->duration(), 4.0, 0.15);
    EXPECT_EQ(decoder->pictureSize().width, 160);
    EXPECT_NEAR(decoder->frameRate(), 10, 0.5);
    int at0 = brightness(decoder->pictureAtTime(0));
    int at2 = brightness(decoder->pictureAtTime(2.5));
    int at3 = brightness(decoder->pictureAtTime(3.5));
    EXPECT_LT(at0, at2);
    EXPECT_LT(at2, at3);
    // Back to the start seeks rather than failing.
    EXPECT_EQ(brightness(decoder->pictureAtTime(0.2)), at0);
    EXPECT_EQ(brightness(decoder->pictureAtTime(2.4)), at2);
}

TEST_F(MovieDecoderTest, FilesWithoutPicturesOpenToNothing)
{
    std::string text = home.documents() + "/notes.mp4";
    std::ofstream(text) << "not a movie at all";
    EXPECT_FALSE(MovieDecoder::open(text));
    EXPECT_FALSE(MovieDecoder::open(home.documents() + "/absent.mp4"));
}

TEST_F(MovieDecoderTest, ThePlayersViewShowsThePictureOfItsClockAndRepeats)
{
    auto player = std::make_shared<MPMoviePlayerController>(movie(3));
    auto view = player->view();
    view->setFrame(CGRectMake(0, 0, 320, 240));
    player->repeatMode = MPMovieRepeatModeOne;
    player->play();
    ASSERT_TRUE(player->currentPicture());
    EXPECT_NEAR(player->duration(), 3.0, 0.15);
    int first = brightness(player->currentPicture());
    advanceClock(1.55);
    int later = brightness(player->currentPicture());
    EXPECT_GT(later, first);
    auto image = UIViewRenderToImage(*view);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->CGImage()->pixelAt(160, 120).green, later);

    // Past the end it starts again, still playing.
    advanceClock(1.6);
    EXPECT_EQ(player->playbackState(), MPMoviePlaybackStatePlaying);
    EXPECT_EQ(brightness(player->currentPicture()), first);

    player->pause();
    advanceClock(1.0);
    int paused = brightness(player->currentPicture());
    advanceClock(1.0);
    EXPECT_EQ(brightness(player->currentPicture()), paused);
    player->setCurrentPlaybackTime(2.5);
    EXPECT_GT(brightness(player->currentPicture()), later);
    player->stop();
    EXPECT_EQ(brightness(player->currentPicture()), first);
}

}  // namespace
