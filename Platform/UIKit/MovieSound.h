#pragma once

// The sound of a movie: its first audio stream, decoded and converted to
// 16-bit samples for the sound device, which plays them from a queue on its
// own thread. Everything here runs on the main thread: the player tops the
// queue up a little ahead of what is heard (feed), and reads the time of the
// sample being heard as the movie's clock. The device is held paused while
// the movie is not playing (a paused device plays silence at once), and
// closed with this object.

#include <memory>
#include <optional>
#include <string>

class MovieSound {
public:
    // Null when the file has no audio stream that decodes, or no sound device opens.
    static std::unique_ptr<MovieSound> open(const std::string& path);
    ~MovieSound();
    MovieSound(const MovieSound&) = delete;
    MovieSound& operator=(const MovieSound&) = delete;

    // Starts or resumes what is queued; feeds first.
    void play();
    // Silences the device now; what is queued waits for play.
    void pause();
    // Drops what is queued and goes on from `seconds` (heard once playing).
    void seek(double seconds);
    // Decodes until the queue holds `aheadSeconds` more than is heard.
    void feed(double aheadSeconds = kAhead);

    // The movie time of what is heard now; nothing once the sound has run
    // out (the stream ended and the queue is empty), when the clock must go on without it.
    std::optional<double> heardTime() const;
    // The device's sample rate and channels, as opened.
    int sampleRate() const;
    int channels() const;

    static constexpr double kAhead = 0.5;

private:
    struct Impl;
    explicit MovieSound(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> m_impl;
};
