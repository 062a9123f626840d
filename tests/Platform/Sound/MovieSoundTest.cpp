// Movies with sound, heard through the sound system's disk device, which
// writes every sample it plays to a file (silence included, while paused).
// The clip is made here: a moving test pattern over a tone of 440 Hz that
// turns to 880 Hz at 2 s, 3 s long. The player runs on the process clock and
// the main run loop, as in the application.

#include "support/RunLoopPump.h"
#include "support/TemporaryHome.h"

#include "Platform/UIKit/MPMoviePlayerController.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <filesystem>
#include <fstream>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kRate = 44100;
constexpr double kTurn = 2.0;  // where the tone turns from 440 to 880 Hz

class MovieSoundTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        clip = home.documents() + "/tone.mp4";
        std::string command = "ffmpeg -v error -y -f lavfi -i testsrc=size=160x120:rate=10 -f lavfi -i "
                              "'aevalsrc=sin(2*PI*if(lt(t\\,2)\\,440\\,880)*t):s=44100' -t 3 -c:v mpeg4 -c:a aac '"
            + clip + "'";
        ASSERT_EQ(std::system(command.c_str()), 0) << "ffmpeg could not make the clip";
        heardFile = home.tmp() + "/heard.raw";
        // The disk device writes what it plays into this file, at the pace a real device would.
        ::setenv("SDL_AUDIODRIVER", "disk", 1);
        ::setenv("SDL_DISKAUDIOFILE", heardFile.c_str(), 1);
    }
    void TearDown() override { drainMainRunLoop(); }

    std::shared_ptr<MPMoviePlayerController> start()
    {
        auto player = std::make_shared<MPMoviePlayerController>(clip);
        player->play();
        EXPECT_TRUE(player->playsSound());
        EXPECT_EQ(player->playbackState(), MPMoviePlaybackStatePlaying);
        return player;
    }
    bool playUntil(const std::function<bool()>& condition) { return pumpMainRunLoopUntil(condition, 30); }

    // The samples written so far (the clip is mono, 16-bit, and the device takes it as it is).
    std::vector<int16_t> heard() const
    {
        std::ifstream in(heardFile, std::ios::binary);
        std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        std::vector<int16_t> samples(bytes.size() / 2);
        std::memcpy(samples.data(), bytes.data(), samples.size() * 2);
        return samples;
    }
    size_t heardBytes() const
    {
        std::error_code error;
        auto size = std::filesystem::file_size(heardFile, error);
        return error ? 0 : static_cast<size_t>(size);
    }
    // Waits until the device has written `seconds` more after what it wrote so far.
    bool heardMore(double seconds)
    {
        size_t target = heardBytes() + static_cast<size_t>(seconds * kRate) * 2;
        return pumpMainRunLoopUntil([&] { return heardBytes() >= target; }, 30);
    }
    // Whether any process file descriptor still has the heard file open.
    bool heardFileOpen() const
    {
        for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
            std::error_code error;
            auto target = std::filesystem::read_symlink(entry.path(), error);
            if (!error && target == heardFile)
                return true;
        }
        return false;
    }

    TemporaryHome home;
    std::string clip;
    std::string heardFile;
};

// The first and one past the last sample that is not silence.
std::pair<size_t, size_t> soundSpan(const std::vector<int16_t>& samples)
{
    size_t first = 0, last = samples.size();
    while (first < samples.size() && std::abs(samples[first]) < 64)
        ++first;
    while (last > first && std::abs(samples[last - 1]) < 64)
        --last;
    return { first, last };
}

// The tone's frequency over [from, to), from the mean spacing of its rising zero crossings. Spacings far
// from the usual one are left out: a moment of silence the device plays when a loaded machine falls
// behind is a gap in the sound, not a lower pitch.
double frequency(const std::vector<int16_t>& samples, size_t from, size_t to)
{
    std::vector<size_t> spacings;
    size_t previous = 0;
    for (size_t i = from + 1; i < to && i < samples.size(); ++i) {
        if (samples[i - 1] < 0 && samples[i] >= 0) {
            if (previous)
                spacings.push_back(i - previous);
            previous = i;
        }
    }
    if (spacings.empty())
        return 0;
    std::vector<size_t> sorted = spacings;
    std::nth_element(sorted.begin(), sorted.begin() + static_cast<long>(sorted.size() / 2), sorted.end());
    double usual = static_cast<double>(sorted[sorted.size() / 2]);
    double sum = 0;
    size_t counted = 0;
    for (size_t spacing : spacings) {
        if (std::abs(static_cast<double>(spacing) - usual) <= usual / 4) {
            sum += static_cast<double>(spacing);
            ++counted;
        }
    }
    return static_cast<double>(kRate) * static_cast<double>(counted) / sum;
}

size_t at(double seconds) { return static_cast<size_t>(seconds * kRate); }

TEST_F(MovieSoundTest, TheToneIsHeardAt440HzWithThePicturesAndPauseSilencesItAtOnce)
{
    auto player = start();
    ASSERT_TRUE(playUntil([&] { return player->currentPlaybackTime() >= 1.2; }));
    EXPECT_TRUE(player->currentPicture());
    player->pause();
    double pausedAt = player->currentPlaybackTime();
    // While paused the device plays silence: wait until half a second of it is written.
    ASSERT_TRUE(heardMore(0.5));
    EXPECT_DOUBLE_EQ(player->currentPlaybackTime(), pausedAt);

    auto samples = heard();
    auto [first, last] = soundSpan(samples);
    ASSERT_GT(last, first);
    // What was heard lasts as long as the player says it played, give or take one device buffer.
    EXPECT_NEAR(static_cast<double>(last - first) / kRate, pausedAt, 0.05);
    EXPECT_NEAR(frequency(samples, first + at(0.1), last - at(0.1)), 440, 3);

    // Playing on continues the sound from where it paused.
    size_t before = samples.size();
    player->play();
    ASSERT_TRUE(playUntil([&] { return player->currentPlaybackTime() >= pausedAt + 0.5; }));
    player->pause();
    ASSERT_TRUE(heardMore(0.2));
    samples = heard();
    auto resumed = soundSpan(std::vector<int16_t>(samples.begin() + static_cast<long>(before), samples.end()));
    EXPECT_NEAR(
        static_cast<double>(resumed.second - resumed.first) / kRate, player->currentPlaybackTime() - pausedAt, 0.05);
}

TEST_F(MovieSoundTest, SeekingAndRepeatingMoveSoundAndPicturesTogether)
{
    auto player = start();
    ASSERT_TRUE(playUntil([&] { return player->currentPlaybackTime() >= 0.5; }));
    // Past the turn of the tone: what is heard next is the 880 Hz part, from the time asked.
    player->setCurrentPlaybackTime(2.2);
    size_t seekedAt = heardBytes() / 2;
    ASSERT_TRUE(playUntil([&] { return player->currentPlaybackTime() >= 2.6; }));
    player->pause();
    EXPECT_GE(player->currentPlaybackTime(), 2.2);
    ASSERT_TRUE(heardMore(0.2));
    auto samples = heard();
    auto after = soundSpan(std::vector<int16_t>(samples.begin() + static_cast<long>(seekedAt), samples.end()));
    size_t end = seekedAt + after.second;
    EXPECT_NEAR(frequency(samples, end - at(0.3), end - at(0.05)), 880, 5);

    // Repeating starts sound and pictures again from the top together: 440 Hz once more.
    player->repeatMode = MPMovieRepeatModeOne;
    player->play();
    bool wrapped = false;
    ASSERT_TRUE(playUntil([&] {
        double t = player->currentPlaybackTime();
        wrapped = wrapped || t < 1.0;
        return wrapped && t >= 0.6;
    }));
    player->pause();
    EXPECT_EQ(player->playbackState(), MPMoviePlaybackStatePaused);
    ASSERT_TRUE(heardMore(0.2));
    samples = heard();
    auto [first, last] = soundSpan(samples);
    ASSERT_GT(last, first + at(0.5));
    EXPECT_NEAR(frequency(samples, last - at(0.4), last - at(0.05)), 440, 5);
    EXPECT_LT(player->currentPlaybackTime(), kTurn);
}

TEST_F(MovieSoundTest, StopSilencesAtOnceAndDroppingThePlayerClosesTheDevice)
{
    auto player = start();
    ASSERT_TRUE(playUntil([&] { return player->currentPlaybackTime() >= 0.8; }));
    double stoppedAt = player->currentPlaybackTime();
    player->stop();
    EXPECT_EQ(player->currentPlaybackTime(), 0);
    ASSERT_TRUE(heardMore(0.4));
    auto samples = heard();
    auto [first, last] = soundSpan(samples);
    EXPECT_NEAR(static_cast<double>(last - first) / kRate, stoppedAt, 0.08);

    // Played again after a stop, the movie starts from the top.
    player->play();
    EXPECT_LT(player->currentPlaybackTime(), 0.1);
    ASSERT_TRUE(playUntil([&] { return player->currentPlaybackTime() >= 0.3; }));
    EXPECT_TRUE(heardFileOpen());
    // Dropped, as the video screen drops it on leaving: the device closes and writes nothing more.
    player.reset();
    EXPECT_FALSE(heardFileOpen());
}

}  // namespace
