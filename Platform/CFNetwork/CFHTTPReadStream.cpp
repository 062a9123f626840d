#include "Platform/CFNetwork/CFHTTPReadStream.h"

#include "Platform/Foundation/NSString.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace {

constexpr size_t bodyChunk = 256 * 1024;
constexpr size_t readChunk = 256 * 1024;

std::optional<uint64_t> parseDecimal(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    if (text.empty())
        return std::nullopt;
    uint64_t v = 0;
    for (char c : text) {
        if (c < '0' || c > '9' || v > (UINT64_MAX - 9) / 10)
            return std::nullopt;
        v = v * 10 + static_cast<uint64_t>(c - '0');
    }
    return v;
}

bool containsIgnoringCase(std::string_view haystack, std::string_view needle)
{
    if (needle.size() > haystack.size())
        return false;
    for (size_t i = 0; i + needle.size() <= haystack.size(); ++i)
        if (NSString::equalsIgnoringASCIICase(haystack.substr(i, needle.size()), needle))
            return true;
    return false;
}

// Numeric hosts and "localhost" need no lookup; anything else is looked up
// on a short-lived thread so the network thread never blocks on DNS.
std::optional<std::vector<uint8_t>> numericAddress(const std::string& host, int port)
{
    std::string h = host;
    if (h.size() > 2 && h.front() == '[' && h.back() == ']')
        h = h.substr(1, h.size() - 2);
    if (NSString::equalsIgnoringASCIICase(h, "localhost"))
        h = "127.0.0.1";
    sockaddr_in v4 {};
    if (inet_pton(AF_INET, h.c_str(), &v4.sin_addr) == 1) {
        v4.sin_family = AF_INET;
        v4.sin_port = htons(static_cast<uint16_t>(port));
        auto* p = reinterpret_cast<uint8_t*>(&v4);
        return std::vector<uint8_t>(p, p + sizeof v4);
    }
    sockaddr_in6 v6 {};
    if (inet_pton(AF_INET6, h.c_str(), &v6.sin6_addr) == 1) {
        v6.sin6_family = AF_INET6;
        v6.sin6_port = htons(static_cast<uint16_t>(port));
        auto* p = reinterpret_cast<uint8_t*>(&v6);
        return std::vector<uint8_t>(p, p + sizeof v6);
    }
    return std::nullopt;
}

CFStreamErrorMeaning meaningOfErrno(int error)
{
    switch (error) {
    case ENOTCONN: return CFStreamErrorMeaning::NotConnected;
    case EPIPE: return CFStreamErrorMeaning::BrokenPipe;
    case ECONNREFUSED: return CFStreamErrorMeaning::ConnectionRefused;
    case ECONNRESET:
    case ECONNABORTED: return CFStreamErrorMeaning::ConnectionLost;
    case ETIMEDOUT: return CFStreamErrorMeaning::TimedOut;
    case EHOSTUNREACH:
    case ENETUNREACH: return CFStreamErrorMeaning::NotConnected;
    default: return CFStreamErrorMeaning::Other;
    }
}

CFStreamError connectionLost()
{
    return CFStreamError::of(CFStreamErrorDomain::HTTP, -1005, CFStreamErrorMeaning::ConnectionLost,
                             "The network connection was lost");
}

}  // namespace

CFStreamError CFStreamError::posix(int error)
{
    return of(CFStreamErrorDomain::POSIX, error, meaningOfErrno(error), std::strerror(error));
}

CFStreamError CFStreamError::of(CFStreamErrorDomain domain, long code, CFStreamErrorMeaning meaning,
                                std::string description)
{
    CFStreamError e;
    e.domain = domain;
    e.code = code;
    e.meaning = meaning;
    e.description = std::move(description);
    return e;
}

struct CFHTTPReadStream::Resolution {
    std::mutex lock;
    bool done = false;
    std::vector<uint8_t> address;
    int error = 0;
    RunLoopSourceRef wake;
};

std::shared_ptr<CFHTTPReadStream> CFHTTPReadStream::createForHTTPRequest(std::shared_ptr<CFHTTPMessage> request)
{
    if (!request || !request->isRequest())
        return nullptr;
    std::shared_ptr<CFHTTPReadStream> stream(new CFHTTPReadStream());
    stream->m_request = std::move(request);
    return stream;
}

std::shared_ptr<CFHTTPReadStream> CFHTTPReadStream::createForStreamedHTTPRequest(
    std::shared_ptr<CFHTTPMessage> request, std::shared_ptr<CFHTTPBodySource> body)
{
    auto stream = createForHTTPRequest(std::move(request));
    if (stream)
        stream->m_body = std::move(body);
    return stream;
}

CFHTTPReadStream::~CFHTTPReadStream()
{
    if (m_fdSource)
        m_fdSource->invalidate();
    if (m_deliverySource)
        m_deliverySource->invalidate();
    if (m_socket >= 0)
        ::close(m_socket);
    if (m_body && m_status != CFStreamStatus::NotOpen)
        m_body->close();
}

void CFHTTPReadStream::setClient(unsigned events, Client client)
{
    m_clientEvents = client ? events : 0;
    m_client = std::move(client);
}

void CFHTTPReadStream::setHTTPProxy(std::string host, int port)
{
    m_proxyHost = std::move(host);
    m_proxyPort = port;
    m_socksProxy = false;
}

void CFHTTPReadStream::setSOCKSProxy(std::string host, int port)
{
    m_proxyHost = std::move(host);
    m_proxyPort = port;
    m_socksProxy = true;
}

std::shared_ptr<CFHTTPMessage> CFHTTPReadStream::responseHeader() const
{
    if (m_response && m_response->isHeaderComplete())
        return m_response;
    return nullptr;
}

void CFHTTPReadStream::scheduleWithRunLoop(const std::shared_ptr<NSRunLoop>& loop, const NSRunLoopMode& mode)
{
    if (m_scheduled || !loop)
        return;
    m_scheduled = true;
    m_loop = loop;
    m_mode = mode;
    std::weak_ptr<CFHTTPReadStream> weak = weak_from_this();
    m_deliverySource = loop->addSource([weak] {
        if (auto self = weak.lock())
            self->deliverEvents();
    }, { mode });
    if (m_resolution) {
        std::lock_guard guard(m_resolution->lock);
        m_resolution->wake = m_deliverySource;
    }
    updateSourceEvents();
    signalDelivery();
}

void CFHTTPReadStream::unscheduleFromRunLoop()
{
    if (!m_scheduled)
        return;
    m_scheduled = false;
    if (m_fdSource) {
        m_fdSource->invalidate();
        m_fdSource = nullptr;
    }
    if (m_deliverySource) {
        m_deliverySource->invalidate();
        m_deliverySource = nullptr;
    }
    if (m_resolution) {
        std::lock_guard guard(m_resolution->lock);
        m_resolution->wake = nullptr;
    }
}

bool CFHTTPReadStream::open()
{
    if (m_status != CFStreamStatus::NotOpen)
        return false;
    m_status = CFStreamStatus::Opening;
    const CFURL& url = m_request->requestURL();
    m_response = CFHTTPMessage::createEmptyResponse();
    if (m_body)
        m_body->open();

    if (url.scheme() == "https") {
        failWith(CFStreamError::of(CFStreamErrorDomain::Unsupported, 1, CFStreamErrorMeaning::TLSUnsupported,
                                   "HTTPS is not supported: only http URLs can be loaded"));
        return true;
    }
    if (url.scheme() != "http") {
        failWith(CFStreamError::of(CFStreamErrorDomain::Unsupported, 2, CFStreamErrorMeaning::Other,
                                   "Unsupported URL scheme '" + url.scheme() + "'"));
        return true;
    }
    if (m_socksProxy) {
        failWith(CFStreamError::of(CFStreamErrorDomain::Unsupported, 3, CFStreamErrorMeaning::Other,
                                   "SOCKS proxies are not supported"));
        return true;
    }
    bool viaProxy = !m_proxyHost.empty() && m_proxyPort > 0;
    std::string host = viaProxy ? m_proxyHost : url.host();
    int port = viaProxy ? m_proxyPort : url.effectivePort();
    m_outgoing = m_request->serializedRequestHead(viaProxy);
    m_outgoingOffset = 0;
    m_bodyDone = !m_body;
    m_status = CFStreamStatus::Open;

    if (auto address = numericAddress(host, port)) {
        startConnecting(*address);
        return true;
    }
    m_phase = Phase::Resolving;
    auto resolution = std::make_shared<Resolution>();
    resolution->wake = m_deliverySource;
    m_resolution = resolution;
    std::thread([resolution, host, port] {
        addrinfo hints {};
        hints.ai_family = AF_UNSPEC;
        hints.ai_socktype = SOCK_STREAM;
        addrinfo* result = nullptr;
        int rc = getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &result);
        std::lock_guard guard(resolution->lock);
        if (rc == 0 && result) {
            auto* p = reinterpret_cast<uint8_t*>(result->ai_addr);
            resolution->address.assign(p, p + result->ai_addrlen);
        } else {
            resolution->error = rc == 0 ? EAI_NONAME : rc;
        }
        if (result)
            freeaddrinfo(result);
        resolution->done = true;
        if (resolution->wake)
            resolution->wake->signal();
    }).detach();
    return true;
}

void CFHTTPReadStream::startConnecting(const std::vector<uint8_t>& address)
{
    auto* sa = reinterpret_cast<const sockaddr*>(address.data());
    m_socket = ::socket(sa->sa_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (m_socket < 0) {
        failWith(CFStreamError::posix(errno));
        return;
    }
    int one = 1;
    setsockopt(m_socket, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    int rc = ::connect(m_socket, sa, static_cast<socklen_t>(address.size()));
    if (rc < 0 && errno != EINPROGRESS) {
        failWith(CFStreamError::posix(errno));
        return;
    }
    m_phase = rc == 0 ? Phase::WritingHead : Phase::Connecting;
    updateSourceEvents();
}

void CFHTTPReadStream::updateSourceEvents()
{
    if (!m_scheduled)
        return;
    unsigned wanted = 0;
    switch (m_phase) {
    case Phase::Connecting:
        wanted = RunLoopFileWritable;
        break;
    case Phase::WritingHead:
    case Phase::WritingBody:
        wanted = RunLoopFileWritable | RunLoopFileReadable;
        break;
    case Phase::ReadingHead:
    case Phase::ReadingBody:
        wanted = RunLoopFileReadable;
        break;
    default:
        break;
    }
    if (m_socket < 0 || wanted == 0) {
        if (m_fdSource) {
            m_fdSource->invalidate();
            m_fdSource = nullptr;
        }
        return;
    }
    auto loop = m_loop.lock();
    if (!loop)
        return;
    if (m_fdSource && m_fdSource->fileDescriptor() == m_socket) {
        if (m_fdSource->events() != wanted)
            m_fdSource->setEvents(wanted);
        return;
    }
    if (m_fdSource)
        m_fdSource->invalidate();
    std::weak_ptr<CFHTTPReadStream> weak = weak_from_this();
    m_fdSource = loop->addFileDescriptor(m_socket, wanted, [weak](int, unsigned events) {
        if (auto self = weak.lock())
            self->onSocketEvent(events);
    }, { m_mode });
}

void CFHTTPReadStream::signalDelivery()
{
    if (m_deliverySource)
        m_deliverySource->signal();
}

void CFHTTPReadStream::onSocketEvent(unsigned events)
{
    auto self = shared_from_this();
    if (m_phase == Phase::Connecting) {
        int error = 0;
        socklen_t length = sizeof error;
        getsockopt(m_socket, SOL_SOCKET, SO_ERROR, &error, &length);
        if (error) {
            failWith(CFStreamError::posix(error));
            deliverEvents();
            return;
        }
        m_phase = Phase::WritingHead;
    }
    if ((m_phase == Phase::WritingHead || m_phase == Phase::WritingBody) && (events & RunLoopFileReadable)) {
        // The server answered before taking the whole body (an early error or
        // challenge): stop sending and read what it says.
        m_phase = Phase::ReadingHead;
    }
    advance();
    deliverEvents();
}

void CFHTTPReadStream::advance()
{
    for (;;) {
        switch (m_phase) {
        case Phase::WritingHead:
        case Phase::WritingBody:
            if (!writeSome())
                return updateSourceEvents();
            m_phase = Phase::ReadingHead;
            updateSourceEvents();
            continue;
        case Phase::ReadingHead:
            if (!readHead())
                return updateSourceEvents();
            startBody();
            updateSourceEvents();
            return;
        default:
            return;
        }
    }
}

bool CFHTTPReadStream::writeSome()
{
    for (;;) {
        if (m_outgoingOffset == m_outgoing.size()) {
            if (m_phase == Phase::WritingHead)
                m_phase = Phase::WritingBody;
            if (m_bodyDone)
                return true;
            m_outgoing.resize(bodyChunk);
            long n = m_body->read(reinterpret_cast<uint8_t*>(m_outgoing.data()), bodyChunk);
            if (n < 0) {
                m_outgoing.clear();
                failWith(CFStreamError::of(CFStreamErrorDomain::POSIX, EIO, CFStreamErrorMeaning::Other,
                                           "The request body could not be read"));
                return false;
            }
            m_outgoing.resize(static_cast<size_t>(n));
            m_outgoingOffset = 0;
            m_pendingBodyInOutgoing = static_cast<size_t>(n);
            if (n == 0) {
                m_bodyDone = true;
                return true;
            }
        }
        ssize_t n = ::send(m_socket, m_outgoing.data() + m_outgoingOffset, m_outgoing.size() - m_outgoingOffset,
                           MSG_NOSIGNAL);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            if (errno == EAGAIN || errno == EWOULDBLOCK)
                return false;
            failWith(CFStreamError::posix(errno));
            return false;
        }
        m_outgoingOffset += static_cast<size_t>(n);
        if (m_phase == Phase::WritingBody)
            m_bodyBytesWritten += static_cast<uint64_t>(n);
    }
}

bool CFHTTPReadStream::fillRaw()
{
    if (m_socket < 0 || m_peerClosed)
        return false;
    if (m_rawOffset == m_raw.size()) {
        m_raw.clear();
        m_rawOffset = 0;
    }
    size_t before = m_raw.size();
    m_raw.resize(before + readChunk);
    for (;;) {
        ssize_t n = ::recv(m_socket, m_raw.data() + before, readChunk, 0);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            m_raw.resize(before);
            if (errno == EAGAIN || errno == EWOULDBLOCK)
                return false;
            failWith(CFStreamError::posix(errno));
            return false;
        }
        m_raw.resize(before + static_cast<size_t>(n));
        if (n == 0)
            m_peerClosed = true;
        return n > 0;
    }
}

bool CFHTTPReadStream::readHead()
{
    for (;;) {
        while (m_rawOffset < m_raw.size()) {
            long used = m_response->appendBytes(m_raw.data() + m_rawOffset, m_raw.size() - m_rawOffset);
            if (used < 0) {
                failWith(CFStreamError::of(CFStreamErrorDomain::HTTP, -1, CFStreamErrorMeaning::BadResponse,
                                           "The response head could not be read"));
                return false;
            }
            m_rawOffset += static_cast<size_t>(used);
            if (!m_response->isHeaderComplete())
                break;
            int status = m_response->responseStatusCode();
            if (status >= 100 && status < 200 && status != 101) {
                // An interim answer ("100 Continue"): the real head follows.
                m_response = CFHTTPMessage::createEmptyResponse();
                continue;
            }
            return true;
        }
        if (m_phase == Phase::Failed)
            return false;
        if (!fillRaw()) {
            if (m_peerClosed)
                failWith(connectionLost());
            return false;
        }
    }
}

void CFHTTPReadStream::startBody()
{
    int status = m_response->responseStatusCode();
    m_phase = Phase::ReadingBody;
    if (m_request->requestMethod() == "HEAD" || status == 204 || status == 304) {
        m_framing = BodyFraming::None;
    } else if (auto te = m_response->headerFieldValue("Transfer-Encoding"); te && containsIgnoringCase(*te, "chunked")) {
        m_framing = BodyFraming::Chunked;
    } else if (auto cl = m_response->headerFieldValue("Content-Length")) {
        auto length = parseDecimal(*cl);
        if (!length) {
            failWith(CFStreamError::of(CFStreamErrorDomain::HTTP, -2, CFStreamErrorMeaning::BadResponse,
                                       "The response's Content-Length could not be read"));
            return;
        }
        m_framing = BodyFraming::Length;
        m_bodyRemaining = *length;
    } else {
        m_framing = BodyFraming::UntilClose;
    }
    if (m_framing == BodyFraming::None || (m_framing == BodyFraming::Length && m_bodyRemaining == 0)) {
        m_phase = Phase::Finished;
        m_status = CFStreamStatus::AtEnd;
        closeSocket();
    }
    signalDelivery();
}

bool CFHTTPReadStream::hasBytesAvailable()
{
    if (m_phase != Phase::ReadingBody && m_phase != Phase::Finished)
        return false;
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (m_decodedOffset < m_decoded.size())
            return true;
        if (m_rawOffset < m_raw.size()) {
            if (m_framing != BodyFraming::Chunked)
                return true;
            m_decoded.clear();
            m_decodedOffset = 0;
            size_t used = 0;
            auto status = m_chunked.decode(m_raw.data() + m_rawOffset, m_raw.size() - m_rawOffset, m_decoded, used);
            m_rawOffset += used;
            if (status == HTTPChunkedDecoder::Status::Error) {
                failWith(CFStreamError::of(CFStreamErrorDomain::HTTP, -3, CFStreamErrorMeaning::BadResponse,
                                           "The chunked response body could not be read"));
                return false;
            }
            if (status == HTTPChunkedDecoder::Status::Done) {
                m_raw.clear();  // nothing after the last chunk belongs to this response
                m_rawOffset = 0;
                m_phase = Phase::Finished;
                m_status = CFStreamStatus::AtEnd;
                closeSocket();
            }
            if (m_decodedOffset < m_decoded.size())
                return true;
            continue;
        }
        if (m_phase != Phase::ReadingBody)
            return false;
        if (!fillRaw()) {
            if (m_peerClosed) {
                if (m_framing == BodyFraming::UntilClose) {
                    m_phase = Phase::Finished;
                    m_status = CFStreamStatus::AtEnd;
                    closeSocket();
                    signalDelivery();
                } else {
                    failWith(connectionLost());
                }
            }
            return false;
        }
    }
    return m_decodedOffset < m_decoded.size() || m_rawOffset < m_raw.size();
}

long CFHTTPReadStream::read(uint8_t* buffer, size_t maxLength)
{
    if (m_phase == Phase::Failed)
        return -1;
    if (maxLength == 0 || !hasBytesAvailable())
        return m_phase == Phase::Failed ? -1 : 0;
    size_t n = 0;
    if (m_decodedOffset < m_decoded.size()) {
        n = std::min(maxLength, m_decoded.size() - m_decodedOffset);
        std::memcpy(buffer, m_decoded.data() + m_decodedOffset, n);
        m_decodedOffset += n;
    } else {
        n = std::min(maxLength, m_raw.size() - m_rawOffset);
        if (m_framing == BodyFraming::Length)
            n = static_cast<size_t>(std::min<uint64_t>(n, m_bodyRemaining));
        std::memcpy(buffer, m_raw.data() + m_rawOffset, n);
        m_rawOffset += n;
        if (m_framing == BodyFraming::Length) {
            m_bodyRemaining -= n;
            if (m_bodyRemaining == 0) {
                m_phase = Phase::Finished;
                m_status = CFStreamStatus::AtEnd;
                closeSocket();
            }
        }
    }
    if (m_phase == Phase::Finished)
        signalDelivery();
    return static_cast<long>(n);
}

void CFHTTPReadStream::failWith(CFStreamError error)
{
    if (m_phase == Phase::Failed)
        return;
    m_error = std::move(error);
    m_phase = Phase::Failed;
    m_status = CFStreamStatus::Error;
    closeSocket();
    signalDelivery();
}

void CFHTTPReadStream::closeSocket()
{
    if (m_fdSource) {
        m_fdSource->invalidate();
        m_fdSource = nullptr;
    }
    if (m_socket >= 0) {
        ::close(m_socket);
        m_socket = -1;
    }
}

void CFHTTPReadStream::deliverEvents()
{
    auto self = shared_from_this();
    if (m_phase == Phase::Resolving && m_resolution) {
        std::vector<uint8_t> address;
        int error = 0;
        {
            std::lock_guard guard(m_resolution->lock);
            if (!m_resolution->done)
                return;
            address = m_resolution->address;
            error = m_resolution->error;
        }
        m_resolution = nullptr;
        if (error)
            failWith(CFStreamError::of(CFStreamErrorDomain::Netdb, error, CFStreamErrorMeaning::HostNotFound,
                                       gai_strerror(error)));
        else
            startConnecting(address);
    }
    if (!m_scheduled || !m_client)
        return;
    if (m_phase == Phase::Failed) {
        if (!m_errorReported && (m_clientEvents & kCFStreamEventErrorOccurred)) {
            m_errorReported = true;
            m_client(*this, kCFStreamEventErrorOccurred);
        }
        return;
    }
    if (m_phase == Phase::ReadingBody || m_phase == Phase::Finished) {
        if (hasBytesAvailable()) {
            if (m_clientEvents & kCFStreamEventHasBytesAvailable)
                m_client(*this, kCFStreamEventHasBytesAvailable);
            // Decoded bytes left after the client's read raise no socket event.
            if (m_scheduled && (m_decodedOffset < m_decoded.size() || m_rawOffset < m_raw.size()
                                || m_phase == Phase::Finished))
                signalDelivery();
            return;
        }
        if (m_phase == Phase::Failed) {
            deliverEvents();
            return;
        }
        if (m_phase == Phase::Finished && !m_endReported && (m_clientEvents & kCFStreamEventEndEncountered)) {
            m_endReported = true;
            m_client(*this, kCFStreamEventEndEncountered);
        }
    }
}

void CFHTTPReadStream::close()
{
    if (m_status == CFStreamStatus::Closed)
        return;
    unscheduleFromRunLoop();
    closeSocket();
    if (m_body && m_status != CFStreamStatus::NotOpen)
        m_body->close();
    m_body = nullptr;
    m_client = nullptr;
    m_status = CFStreamStatus::Closed;
    if (m_phase != Phase::Failed)
        m_phase = Phase::Finished;
}
