#include "Platform/CFNetwork/NSStream.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

NSStream::~NSStream()
{
    if (m_source)
        m_source->invalidate();
    if (m_fd >= 0)
        ::close(m_fd);
}

void NSStream::close()
{
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    if (m_status != NSStreamStatus::Error)
        m_status = NSStreamStatus::Closed;
}

void NSStream::fail(int code)
{
    m_status = NSStreamStatus::Error;
    m_error.code = code;
    m_error.description = std::strerror(code);
}

Value NSStream::propertyForKey(const std::string&) const { return Value(); }

bool NSStream::setPropertyForKey(const Value&, const std::string&) { return false; }

void NSStream::scheduleInRunLoopForMode(const std::shared_ptr<NSRunLoop>& loop, const NSRunLoopMode& mode)
{
    if (m_source || !loop)
        return;
    std::weak_ptr<NSStream> weak = weak_from_this();
    m_source = loop->addSource(
        [weak] {
            if (auto self = weak.lock())
                self->deliver();
        },
        { mode });
    signalIfScheduled();
}

void NSStream::removeFromRunLoopForMode(const std::shared_ptr<NSRunLoop>&, const NSRunLoopMode&)
{
    if (m_source) {
        m_source->invalidate();
        m_source = nullptr;
    }
}

void NSStream::signalIfScheduled()
{
    if (m_source && m_status != NSStreamStatus::NotOpen && m_status != NSStreamStatus::Closed)
        m_source->signal();
}

void NSStream::deliver()
{
    auto self = shared_from_this();
    auto delegate = m_delegate.lock();
    if (!delegate || m_status == NSStreamStatus::NotOpen || m_status == NSStreamStatus::Closed)
        return;
    if (m_status == NSStreamStatus::Error) {
        delegate->streamHandleEvent(*this, NSStreamEventErrorOccurred);
        return;
    }
    if (atEnd()) {
        m_status = NSStreamStatus::AtEnd;
        delegate->streamHandleEvent(*this, NSStreamEventEndEncountered);
        return;
    }
    delegate->streamHandleEvent(*this, NSStreamEventHasBytesAvailable);
    signalIfScheduled();
}

std::shared_ptr<NSInputStream> NSInputStream::inputStreamWithFileAtPath(const std::string& path)
{
    auto stream = std::make_shared<NSInputStream>();
    stream->m_path = path;
    return stream;
}

std::shared_ptr<NSInputStream> NSInputStream::inputStreamWithData(Data data)
{
    return inputStreamWithSharedData(std::make_shared<const Data>(std::move(data)));
}

std::shared_ptr<NSInputStream> NSInputStream::inputStreamWithSharedData(std::shared_ptr<const Data> data)
{
    auto stream = std::make_shared<NSInputStream>();
    stream->m_data = std::move(data);
    return stream;
}

void NSInputStream::open()
{
    if (m_status != NSStreamStatus::NotOpen)
        return;
    if (!m_data) {
        m_fd = ::open(m_path.c_str(), O_RDONLY | O_CLOEXEC);
        if (m_fd < 0) {
            fail(errno);
            signalIfScheduled();
            return;
        }
    }
    m_status = NSStreamStatus::Open;
    signalIfScheduled();
}

long NSInputStream::read(uint8_t* buffer, size_t maxLength)
{
    if (m_status == NSStreamStatus::Error)
        return -1;
    if (m_status == NSStreamStatus::NotOpen || m_status == NSStreamStatus::Closed)
        return -1;
    if (maxLength == 0)
        return 0;
    if (m_data) {
        size_t n = std::min(maxLength, m_data->size() - m_offset);
        std::memcpy(buffer, m_data->data() + m_offset, n);
        m_offset += n;
        if (m_offset == m_data->size())
            m_status = NSStreamStatus::AtEnd;
        return static_cast<long>(n);
    }
    for (;;) {
        ssize_t n = ::read(m_fd, buffer, maxLength);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            fail(errno);
            return -1;
        }
        if (n == 0) {
            m_eof = true;
            m_status = NSStreamStatus::AtEnd;
        }
        return n;
    }
}

Value NSInputStream::propertyForKey(const std::string& key) const
{
    if (key != NSStreamFileCurrentOffsetKey || m_status == NSStreamStatus::Closed)
        return Value();
    if (m_data)
        return Value::integer(static_cast<int64_t>(m_offset));
    if (m_fd < 0)
        return Value();
    const off_t offset = ::lseek(m_fd, 0, SEEK_CUR);
    return offset < 0 ? Value() : Value::integer(static_cast<int64_t>(offset));
}

bool NSInputStream::setPropertyForKey(const Value& value, const std::string& key)
{
    // A fraction, a flag or a text is no position; a failed stream stays failed.
    if (key != NSStreamFileCurrentOffsetKey || !value.isInteger() || m_status == NSStreamStatus::Closed
        || m_status == NSStreamStatus::Error)
        return false;
    const long long wanted = value.longLongValue();
    if (wanted < 0)
        return false;
    const auto offset = static_cast<unsigned long long>(wanted);
    if (m_data) {
        if (offset > m_data->size())
            return false;
        m_offset = static_cast<size_t>(offset);
    } else {
        struct stat info;
        if (m_fd < 0 || ::fstat(m_fd, &info) != 0 || offset > static_cast<unsigned long long>(info.st_size)
            || ::lseek(m_fd, static_cast<off_t>(offset), SEEK_SET) < 0)
            return false;
        m_eof = false;
    }
    // A stream moved back from its end has bytes to give again.
    if (m_status == NSStreamStatus::AtEnd && !atEnd())
        m_status = NSStreamStatus::Open;
    signalIfScheduled();
    return true;
}

bool NSInputStream::hasBytesAvailable() const { return m_status == NSStreamStatus::Open && !atEnd(); }

bool NSInputStream::atEnd() const
{
    if (m_data)
        return m_offset >= m_data->size();
    return m_eof;
}

std::shared_ptr<NSOutputStream> NSOutputStream::outputStreamToFileAtPath(const std::string& path, bool append)
{
    auto stream = std::make_shared<NSOutputStream>();
    stream->m_path = path;
    stream->m_append = append;
    return stream;
}

void NSOutputStream::open()
{
    if (m_status != NSStreamStatus::NotOpen)
        return;
    int flags = O_WRONLY | O_CREAT | O_CLOEXEC | (m_append ? O_APPEND : O_TRUNC);
    m_fd = ::open(m_path.c_str(), flags, 0644);
    if (m_fd < 0) {
        fail(errno);
        return;
    }
    m_status = NSStreamStatus::Open;
}

long NSOutputStream::write(const uint8_t* buffer, size_t length)
{
    if (m_status != NSStreamStatus::Open)
        return -1;
    size_t done = 0;
    while (done < length) {
        ssize_t n = ::write(m_fd, buffer + done, length - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            fail(errno);
            return -1;
        }
        done += static_cast<size_t>(n);
    }
    return static_cast<long>(done);
}
