#pragma once

// The movie player: made from a content URL (a file on the device), with a
// view to place in a screen. It keeps the state the screens read and write.
// A file with sound plays it on the sound device, and the movie's time is
// that of the sample being heard, so pictures follow the sound; pause and
// stop silence it at once, and seeking or starting again moves sound and
// pictures together. Without sound (no audio stream, or no device), time is
// kept on the process clock. The pictures of a file the media libraries can
// decode follow that time in its view, fitted to it. Preparing opens the file and reads its duration where that
// is cheap (the movie header of an MP4 or QuickTime file; otherwise the
// duration stays 0, unknown). While playing, the current time advances with
// the clock; at the end of a known duration the player either starts again
// (repeat one) or stops and posts the did-finish notification with the reason
// "ended". A file that cannot be opened posts did-finish with the reason
// "error" from the run loop and stays stopped. Its view draws the current
// picture on black, or a dark picture area with the file's name while a
// playable file has no picture that decodes, and nothing of its own otherwise,
// so the background shows.

#include "Platform/Foundation/NSNotificationCenter.h"
#include "Platform/UIKit/UIView.h"

#include <memory>
#include <optional>
#include <string>

class MovieDecoder;
class MovieSound;
class NSTimer;

enum MPMoviePlaybackState {
    MPMoviePlaybackStateStopped,
    MPMoviePlaybackStatePlaying,
    MPMoviePlaybackStatePaused,
    MPMoviePlaybackStateInterrupted,
    MPMoviePlaybackStateSeekingForward,
    MPMoviePlaybackStateSeekingBackward,
};

enum MPMovieLoadState : unsigned {
    MPMovieLoadStateUnknown = 0,
    MPMovieLoadStatePlayable = 1 << 0,
    MPMovieLoadStatePlaythroughOK = 1 << 1,
    MPMovieLoadStateStalled = 1 << 2,
};

enum MPMovieRepeatMode { MPMovieRepeatModeNone, MPMovieRepeatModeOne };

enum MPMovieControlStyle { MPMovieControlStyleNone, MPMovieControlStyleEmbedded, MPMovieControlStyleFullscreen };

enum MPMovieScalingMode {
    MPMovieScalingModeNone,
    MPMovieScalingModeAspectFit,
    MPMovieScalingModeAspectFill,
    MPMovieScalingModeFill
};

enum MPMovieFinishReason {
    MPMovieFinishReasonPlaybackEnded,
    MPMovieFinishReasonPlaybackError,
    MPMovieFinishReasonUserExited
};

inline const std::string MPMoviePlayerPlaybackDidFinishNotification = "MPMoviePlayerPlaybackDidFinishNotification";
inline const std::string MPMoviePlayerPlaybackStateDidChangeNotification
    = "MPMoviePlayerPlaybackStateDidChangeNotification";
inline const std::string MPMoviePlayerLoadStateDidChangeNotification = "MPMoviePlayerLoadStateDidChangeNotification";
inline const std::string MPMovieDurationAvailableNotification = "MPMovieDurationAvailableNotification";
// The did-finish notification's user information: the reason as a number, and
// for an error the description under "error".
inline const std::string MPMoviePlayerPlaybackDidFinishReasonUserInfoKey
    = "MPMoviePlayerPlaybackDidFinishReasonUserInfoKey";

class MPMoviePlayerController : public std::enable_shared_from_this<MPMoviePlayerController> {
public:
    // A file URL ("file:///path", percent escapes allowed) or a plain path.
    explicit MPMoviePlayerController(std::string contentURL);
    ~MPMoviePlayerController();
    MPMoviePlayerController(const MPMoviePlayerController&) = delete;
    MPMoviePlayerController& operator=(const MPMoviePlayerController&) = delete;

    const std::string& contentURL() const { return m_url; }
    // Changing the content stops the player and forgets what it had read.
    void setContentURL(std::string url);
    std::shared_ptr<UIView> view();

    // Opens the file (once per content): load state and duration become known.
    void prepareToPlay();
    bool isPreparedToPlay() const { return m_prepared && !m_failed; }
    void play();
    void pause();
    // Back to the start, not playing.
    void stop();

    MPMoviePlaybackState playbackState() const { return m_state; }
    unsigned loadState() const { return m_loadState; }
    // Seconds; 0 while unknown.
    double duration() const { return m_duration; }
    double playableDuration() const { return m_loadState & MPMovieLoadStatePlayable ? m_duration : 0; }
    double currentPlaybackTime() const;
    // Seeks, kept within the known duration.
    void setCurrentPlaybackTime(double seconds);

    MPMovieRepeatMode repeatMode = MPMovieRepeatModeNone;
    MPMovieControlStyle controlStyle = MPMovieControlStyleEmbedded;
    MPMovieScalingMode scalingMode = MPMovieScalingModeAspectFit;
    bool shouldAutoplay = true;

    // Whether the file's sound is being played on the sound device.
    bool playsSound() const { return m_sound != nullptr; }
    // The picture shown now; null while there is none.
    const CGImageRef& currentPicture() const { return m_picture; }
    // The size of the pictures (zero without any).
    CGSize naturalSize() const;

    // The duration stored in an MP4 or QuickTime file's movie header, if the
    // file has one that can be read; nothing for other files.
    static std::optional<double> movieHeaderDuration(const std::string& path);

private:
    std::string path() const;
    void setState(MPMoviePlaybackState state);
    void post(const std::string& name, Value userInfo = {});
    // Schedules the end of the movie for when the clock reaches it.
    void scheduleEnd();
    void cancelEnd();
    void reachedEnd();
    // Shows the picture of the current time, and keeps doing so while playing.
    void updatePicture();
    void startPictures();
    void stopPictures();
    // One turn of the picture timer: sound topped up, then the picture of the time.
    void tick();

    std::string m_url;
    std::shared_ptr<UIView> m_view;
    MPMoviePlaybackState m_state = MPMoviePlaybackStateStopped;
    unsigned m_loadState = MPMovieLoadStateUnknown;
    bool m_prepared = false;
    bool m_failed = false;
    double m_duration = 0;
    double m_position = 0;  // the playback time when the clock was last read
    double m_playingSince = 0;  // the clock time playback (re)started, while playing
    std::shared_ptr<NSTimer> m_endTimer;
    std::unique_ptr<MovieDecoder> m_decoder;
    std::unique_ptr<MovieSound> m_sound;
    // While playing: the time is the heard sound's (until the sound runs out).
    bool m_soundClock = false;
    CGImageRef m_picture;
    std::shared_ptr<NSTimer> m_pictureTimer;
};
