#pragma once

// The pictures of a video file, decoded with the system's media libraries:
// the file's video stream, its duration and picture size, and the picture
// shown at any time. Pictures are decoded forward from the last one asked
// for; an earlier time, or one far ahead, seeks to the key frame before it.
// Files without a video stream, or that do not decode, open to nothing.

#include "Platform/CoreGraphics/CGImage.h"

#include <memory>
#include <string>

class MovieDecoder {
public:
    // Null when the file has no video stream that can be decoded.
    static std::unique_ptr<MovieDecoder> open(const std::string& path);
    ~MovieDecoder();
    MovieDecoder(const MovieDecoder&) = delete;
    MovieDecoder& operator=(const MovieDecoder&) = delete;

    // Seconds; 0 when the file does not say.
    double duration() const;
    CGSize pictureSize() const;
    // Pictures a second the file plays at; 25 when it does not say.
    double frameRate() const;
    // The picture on screen at `seconds`: the last one whose time is not
    // after it (the first picture before that). Null when nothing decodes.
    CGImageRef pictureAtTime(double seconds);
    // How many pictures were decoded so far (for measuring).
    size_t decodedPictures() const;

private:
    struct Impl;
    explicit MovieDecoder(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> m_impl;
};
