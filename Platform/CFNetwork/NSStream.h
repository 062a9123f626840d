#pragma once

// Byte streams over a file or a block of memory, as the HTTP engine uses them
// for request bodies, downloads and proxy scripts. Reads and writes are
// blocking file calls; a stream scheduled on a run loop tells its delegate
// (once opened) that bytes are available on every turn until its end.

#include "Platform/Foundation/NSRunLoop.h"
#include "Platform/Foundation/Value.h"

#include <cstdint>
#include <memory>
#include <string>

enum NSStreamEvent : unsigned {
    NSStreamEventNone = 0,
    NSStreamEventOpenCompleted = 1,
    NSStreamEventHasBytesAvailable = 2,
    NSStreamEventHasSpaceAvailable = 4,
    NSStreamEventErrorOccurred = 8,
    NSStreamEventEndEncountered = 16,
};

enum class NSStreamStatus { NotOpen, Opening, Open, Reading, Writing, AtEnd, Closed, Error };

// The property key of a stream's position: the offset, in bytes from the
// start, of the next byte read, as an integer.
inline constexpr const char* NSStreamFileCurrentOffsetKey = "NSStreamFileCurrentOffsetKey";

// A stream failure: the POSIX error number and its text.
struct NSStreamError {
    int code = 0;
    std::string description;
};

class NSStream;

class NSStreamDelegate {
public:
    virtual ~NSStreamDelegate() = default;
    virtual void streamHandleEvent(NSStream& stream, NSStreamEvent event) = 0;
};

class NSStream : public std::enable_shared_from_this<NSStream> {
public:
    virtual ~NSStream();
    virtual void open() = 0;
    virtual void close();
    NSStreamStatus streamStatus() const { return m_status; }
    const NSStreamError& streamError() const { return m_error; }

    void setDelegate(std::weak_ptr<NSStreamDelegate> delegate) { m_delegate = std::move(delegate); }
    std::shared_ptr<NSStreamDelegate> delegate() const { return m_delegate.lock(); }
    // A property by key: null for a key this stream does not know, or one it
    // cannot answer in its present state.
    virtual Value propertyForKey(const std::string& key) const;
    // Sets a property; false (nothing changed) for a key this stream does not
    // know or a value it cannot take. Call on the thread that reads the stream.
    virtual bool setPropertyForKey(const Value& value, const std::string& key);
    // Only input streams report events; output streams accept and ignore this.
    void scheduleInRunLoopForMode(const std::shared_ptr<NSRunLoop>& loop, const NSRunLoopMode& mode);
    void removeFromRunLoopForMode(const std::shared_ptr<NSRunLoop>& loop, const NSRunLoopMode& mode);

protected:
    void fail(int code);
    virtual bool atEnd() const { return true; }
    void signalIfScheduled();

    NSStreamStatus m_status = NSStreamStatus::NotOpen;
    NSStreamError m_error;
    int m_fd = -1;
    std::weak_ptr<NSStreamDelegate> m_delegate;
    RunLoopSourceRef m_source;

private:
    void deliver();
};

class NSInputStream : public NSStream {
public:
    static std::shared_ptr<NSInputStream> inputStreamWithFileAtPath(const std::string& path);
    static std::shared_ptr<NSInputStream> inputStreamWithData(Data data);
    static std::shared_ptr<NSInputStream> inputStreamWithSharedData(std::shared_ptr<const Data> data);

    void open() override;
    // Bytes read, 0 at the end, -1 on error (the status turns Error).
    long read(uint8_t* buffer, size_t maxLength);
    bool hasBytesAvailable() const;

    // NSStreamFileCurrentOffsetKey: a stream over bytes answers and moves its
    // position at any time before it is closed; a stream over a file while it
    // is open (its position lives in the open file). A new position lies
    // between 0 and the end of the bytes or file.
    Value propertyForKey(const std::string& key) const override;
    bool setPropertyForKey(const Value& value, const std::string& key) override;

protected:
    bool atEnd() const override;

private:
    std::string m_path;
    std::shared_ptr<const Data> m_data;
    size_t m_offset = 0;
    bool m_eof = false;
};

class NSOutputStream : public NSStream {
public:
    static std::shared_ptr<NSOutputStream> outputStreamToFileAtPath(const std::string& path, bool append);

    void open() override;
    // Bytes written (all of them unless an error occurred), -1 on error.
    long write(const uint8_t* buffer, size_t length);

private:
    std::string m_path;
    bool m_append = false;
};
