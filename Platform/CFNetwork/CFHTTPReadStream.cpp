#include "Platform/CFNetwork/CFHTTPReadStream.h"

#include "Platform/CFNetwork/CFHostResolver.h"
#include "Platform/Foundation/NSString.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// Reads and body chunks start small, so that a small exchange allocates
// little, and double while they come back full, up to the largest size.
constexpr size_t firstChunk = 16 * 1024;
constexpr size_t largestChunk = 256 * 1024;

size_t nextChunk(size_t current, size_t filled)
{
    if (current == 0)
        return firstChunk;
    return filled == current ? std::min(current * 2, largestChunk) : current;
}
// "100 Continue" and its kind precede the real answer; a server that sends
// nothing else must not keep the exchange going forever.
constexpr int maximumInterimResponses = 8;

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

CFStreamErrorMeaning meaningOfErrno(int error)
{
    switch (error) {
    case ENOTCONN:
        return CFStreamErrorMeaning::NotConnected;
    case EPIPE:
        return CFStreamErrorMeaning::BrokenPipe;
    case ECONNREFUSED:
        return CFStreamErrorMeaning::ConnectionRefused;
    case ECONNRESET:
    case ECONNABORTED:
        return CFStreamErrorMeaning::ConnectionLost;
    case ETIMEDOUT:
        return CFStreamErrorMeaning::TimedOut;
    case EHOSTUNREACH:
    case ENETUNREACH:
        return CFStreamErrorMeaning::NotConnected;
    default:
        return CFStreamErrorMeaning::Other;
    }
}

CFStreamError connectionLost()
{
    return CFStreamError::of(
        CFStreamErrorDomain::HTTP, -1005, CFStreamErrorMeaning::ConnectionLost, "The network connection was lost");
}

}  // namespace

uint8_t* CFStreamBuffer::grow(size_t length)
{
    if (m_size + length > m_capacity) {
        size_t capacity = std::max(m_size + length, m_capacity * 2);
        auto bytes = std::make_unique_for_overwrite<uint8_t[]>(capacity);
        if (m_size)
            std::memcpy(bytes.get(), m_bytes.get(), m_size);
        m_bytes = std::move(bytes);
        m_capacity = capacity;
    }
    uint8_t* start = m_bytes.get() + m_size;
    m_size += length;
    return start;
}

void CFStreamBuffer::assign(const void* bytes, size_t length)
{
    clear();
    if (length)
        std::memcpy(grow(length), bytes, length);
}

void CFStreamBuffer::takeStorage(CFStreamBuffer& other)
{
    if (other.m_capacity > m_capacity) {
        std::swap(m_bytes, other.m_bytes);
        std::swap(m_capacity, other.m_capacity);
    }
    m_size = 0;
    other.m_size = 0;
}

CFStreamError CFStreamError::posix(int error)
{
    return of(CFStreamErrorDomain::POSIX, error, meaningOfErrno(error), std::strerror(error));
}

CFStreamError CFStreamError::of(
    CFStreamErrorDomain domain, long code, CFStreamErrorMeaning meaning, std::string description)
{
    CFStreamError e;
    e.domain = domain;
    e.code = code;
    e.meaning = meaning;
    e.description = std::move(description);
    return e;
}

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
    m_tls = nullptr;
    m_inheritedTLS = nullptr;
    if (m_socket >= 0)
        ::close(m_socket);
    if (m_inheritedSocket >= 0)
        ::close(m_inheritedSocket);
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

void CFHTTPReadStream::setSOCKSProxy(std::string host, int port, std::string user, std::string password)
{
    m_proxyHost = std::move(host);
    m_proxyPort = port;
    m_socksProxy = true;
    m_socksUser = std::move(user);
    m_socksPassword = std::move(password);
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
    m_deliverySource = loop->addSource(
        [weak] {
            if (auto self = weak.lock())
                self->deliverEvents();
        },
        { mode });
    if (m_lookup)
        m_lookup->notify(m_deliverySource);
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
        if (m_lookup)
            m_lookup->stopNotifying(m_deliverySource);
        m_deliverySource->invalidate();
        m_deliverySource = nullptr;
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

    if (url.scheme() != "http" && url.scheme() != "https") {
        failWith(CFStreamError::of(CFStreamErrorDomain::Unsupported, 2, CFStreamErrorMeaning::Other,
            "Unsupported URL scheme '" + url.scheme() + "'"));
        return true;
    }
    if (m_socksProxy && (m_socksUser.size() > 255 || m_socksPassword.size() > 255 || url.host().size() > 255)) {
        failWith(CFStreamError::of(CFStreamErrorDomain::SOCKS, 0, CFStreamErrorMeaning::Other,
            "The SOCKS proxy cannot take a user name, password or host name that long"));
        return true;
    }
    std::string head = m_request->serializedRequestHead(viaHTTPProxy() && !usesTLS());
    if (viaHTTPProxy() && usesTLS()) {
        // The proxy sees only the tunnel's request, with its credentials;
        // the server behind it gets the request without them.
        std::string target = url.hostHeader();
        if (!url.port())
            target += ":" + std::to_string(url.effectivePort());
        m_tunnelHead = "CONNECT " + target + " HTTP/1.1\r\nHost: " + target + "\r\n";
        if (auto credentials = m_request->headerFieldValue("Proxy-Authorization")) {
            m_tunnelHead += "Proxy-Authorization: " + *credentials + "\r\n";
            size_t line = head.find("\r\nProxy-Authorization: ");
            if (line != std::string::npos)
                head.erase(line, head.find("\r\n", line + 2) - line);
        }
        m_tunnelHead += "\r\n";
    }
    m_outgoing.assign(head.data(), head.size());
    m_outgoingOffset = 0;
    m_headLength = head.size();
    m_bodyDone = !m_body;
    m_status = CFStreamStatus::Open;
    if (m_inheritedSocket >= 0) {
        // The connection a finished exchange left open: write at once.
        m_socket = m_inheritedSocket;
        m_inheritedSocket = -1;
        m_tls = std::move(m_inheritedTLS);
        m_reusedConnection = true;
        m_phase = Phase::WritingHead;
        writeAtOnce();
        return true;
    }
    connectToPeer();
    writeAtOnce();
    return true;
}

std::string CFHTTPReadStream::peer() const
{
    bool viaProxy = !m_proxyHost.empty() && m_proxyPort > 0;
    const CFURL& url = m_request->requestURL();
    std::string target = NSString::lowercaseASCII(url.host()) + ":" + std::to_string(url.effectivePort());
    std::string key = url.scheme() + " "
        + (viaProxy ? NSString::lowercaseASCII(m_proxyHost) + ":" + std::to_string(m_proxyPort) : target);
    // A tunnel leads to one server, and a session checked one way must not
    // serve a request that wants it checked another.
    if (m_socksProxy && viaProxy)
        key += " socks " + target + " " + m_socksUser;
    else if (usesTLS() && viaProxy)
        key += " " + target;
    if (usesTLS())
        key += " " + m_sslSettings.connectionKey();
    return key;
}

void CFHTTPReadStream::connectToPeer()
{
    bool viaProxy = !m_proxyHost.empty() && m_proxyPort > 0;
    const CFURL& url = m_request->requestURL();
    std::string host = viaProxy ? m_proxyHost : url.host();
    int port = viaProxy ? m_proxyPort : url.effectivePort();
    if (auto address = CFHostResolver::numericAddress(host, port)) {
        startConnecting(*address);
        return;
    }
    m_phase = Phase::Resolving;
    m_lookup = CFHostResolver::lookup(host, port);
    m_lookup->notify(m_deliverySource);
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
    // A connection to this machine is mostly made before connect returns, and
    // a write to one still under way fails with EAGAIN: a scheduled stream
    // takes it as made (see writeAtOnce) and waits only when it must.
    m_tunnelOffset = 0;
    // A handshake opens by writing.
    m_tlsWantsWrite = usesTLS();
    if (m_socksProxy) {
        // The greeting offers signing in only when there is a name to sign in with.
        m_socksStep = SOCKSStep::Method;
        m_socksOut = m_socksUser.empty() ? std::string("\x05\x01\x00", 3) : std::string("\x05\x02\x00\x02", 4);
        m_socksOffset = 0;
        m_socksIn.clear();
    }
    m_phase = rc == 0 || m_scheduled ? phaseAfterConnect() : Phase::Connecting;
    updateSourceEvents();
}

CFHTTPReadStream::Phase CFHTTPReadStream::phaseAfterConnect() const
{
    if (m_socksProxy && !m_proxyHost.empty() && m_proxyPort > 0)
        return Phase::Negotiating;
    if (usesTLS())
        return viaHTTPProxy() ? Phase::Tunneling : Phase::Handshaking;
    return Phase::WritingHead;
}

void CFHTTPReadStream::writeAtOnce()
{
    // Not from inside a write or read: a stale connection retried from there
    // must not write again underneath it.
    if (m_scheduled
        && (m_phase == Phase::WritingHead || m_phase == Phase::Negotiating || m_phase == Phase::Tunneling
            || m_phase == Phase::Handshaking))
        advance();
}

void CFHTTPReadStream::failSOCKS(long code, CFStreamErrorMeaning meaning, std::string description)
{
    failWith(CFStreamError::of(CFStreamErrorDomain::SOCKS, code, meaning, std::move(description)));
}

size_t CFHTTPReadStream::socksReplyLength() const
{
    switch (m_socksStep) {
    case SOCKSStep::Method:
    case SOCKSStep::SignIn:
        return 2;
    case SOCKSStep::Connect:
        // Version, answer, reserved, address type, the address, the port.
        if (m_socksIn.size() < 5)
            return 5;
        switch (static_cast<uint8_t>(m_socksIn[3])) {
        case 1:
            return 4 + 4 + 2;
        case 4:
            return 4 + 16 + 2;
        case 3:
            return 4 + 1 + static_cast<uint8_t>(m_socksIn[4]) + 2;
        default:
            return 5;
        }
    }
    return 2;
}

bool CFHTTPReadStream::socksStep()
{
    for (;;) {
        while (m_socksOffset < m_socksOut.size()) {
            long n = sendBytes(
                reinterpret_cast<const uint8_t*>(m_socksOut.data()) + m_socksOffset, m_socksOut.size() - m_socksOffset);
            if (n < 0)
                return false;
            m_socksOffset += static_cast<size_t>(n);
        }
        // Exactly the reply's bytes: what follows belongs to the server.
        for (size_t wanted = socksReplyLength(); m_socksIn.size() < wanted; wanted = socksReplyLength()) {
            uint8_t bytes[262];
            long n = receiveBytes(bytes, wanted - m_socksIn.size());
            if (n == 0) {
                failSOCKS(0, CFStreamErrorMeaning::ConnectionLost, "The SOCKS proxy closed the connection");
                return false;
            }
            if (n < 0)
                return false;
            m_socksIn.append(reinterpret_cast<const char*>(bytes), static_cast<size_t>(n));
        }
        auto byte = [this](size_t i) { return static_cast<uint8_t>(m_socksIn[i]); };
        std::string next;
        switch (m_socksStep) {
        case SOCKSStep::Method:
            if (byte(0) != 5 || (byte(1) != 0 && !(byte(1) == 2 && !m_socksUser.empty()))) {
                failSOCKS(byte(1) == 0xff ? 0xff : 0, CFStreamErrorMeaning::Other,
                    byte(0) != 5 ? "The proxy does not speak SOCKS version 5"
                                 : "The SOCKS proxy accepts none of the ways offered to sign in");
                return false;
            }
            if (byte(1) == 2) {
                m_socksStep = SOCKSStep::SignIn;
                next = std::string("\x01", 1) + static_cast<char>(m_socksUser.size()) + m_socksUser
                    + static_cast<char>(m_socksPassword.size()) + m_socksPassword;
                break;
            }
            [[fallthrough]];
        case SOCKSStep::SignIn:
            if (m_socksStep == SOCKSStep::SignIn && byte(1) != 0) {
                failSOCKS(byte(1), CFStreamErrorMeaning::Other, "The SOCKS proxy refused the user name and password");
                return false;
            }
            {
                // The proxy resolves the name: this side may not even know it.
                const CFURL& url = m_request->requestURL();
                std::string host = url.host();
                int port = url.effectivePort();
                next = std::string("\x05\x01\x00", 3);
                in_addr v4;
                in6_addr v6;
                if (inet_pton(AF_INET, host.c_str(), &v4) == 1) {
                    next += '\x01';
                    next.append(reinterpret_cast<const char*>(&v4), 4);
                } else if (inet_pton(AF_INET6, host.c_str(), &v6) == 1) {
                    next += '\x04';
                    next.append(reinterpret_cast<const char*>(&v6), 16);
                } else {
                    next += '\x03';
                    next += static_cast<char>(host.size());
                    next += host;
                }
                next += static_cast<char>((port >> 8) & 0xff);
                next += static_cast<char>(port & 0xff);
                m_socksStep = SOCKSStep::Connect;
            }
            break;
        case SOCKSStep::Connect: {
            if (byte(0) != 5 || byte(1) != 0) {
                static const char* const reasons[] = {
                    "The SOCKS proxy could not connect",
                    "The SOCKS proxy failed",
                    "The SOCKS proxy's rules do not allow the connection",
                    "The network is unreachable from the SOCKS proxy",
                    "The server cannot be reached from the SOCKS proxy",
                    "The server refused the SOCKS proxy's connection",
                    "The SOCKS proxy's connection timed out",
                    "The SOCKS proxy does not connect on request",
                    "The SOCKS proxy does not take that kind of address",
                };
                uint8_t code = byte(0) != 5 ? 1 : byte(1);
                auto meaning = code == 5 ? CFStreamErrorMeaning::ConnectionRefused
                    : code == 4          ? CFStreamErrorMeaning::HostNotFound
                    : code == 6          ? CFStreamErrorMeaning::TimedOut
                                         : CFStreamErrorMeaning::Other;
                failSOCKS(code, meaning, reasons[code < std::size(reasons) ? code : 0]);
                return false;
            }
            if (byte(3) != 1 && byte(3) != 3 && byte(3) != 4) {
                failSOCKS(0, CFStreamErrorMeaning::BadResponse, "The SOCKS proxy's answer could not be read");
                return false;
            }
            m_socksIn.clear();
            m_phase = usesTLS() ? Phase::Handshaking : Phase::WritingHead;
            return true;
        }
        }
        m_socksOut = std::move(next);
        m_socksOffset = 0;
        m_socksIn.clear();
    }
}

bool CFHTTPReadStream::tunnelStep()
{
    while (m_tunnelOffset < m_tunnelHead.size()) {
        long n = sendBytes(reinterpret_cast<const uint8_t*>(m_tunnelHead.data()) + m_tunnelOffset,
            m_tunnelHead.size() - m_tunnelOffset);
        if (n < 0)
            return false;
        m_tunnelOffset += static_cast<size_t>(n);
    }
    if (!readHead())
        return false;
    int status = m_response->responseStatusCode();
    if (status < 200 || status >= 300) {
        // The proxy's refusal (its challenge, say) is this exchange's answer.
        m_tunnelRefused = true;
        startBody();
        return false;
    }
    if (m_rawOffset != m_raw.size()) {
        failWith(CFStreamError::of(CFStreamErrorDomain::HTTP, -5, CFStreamErrorMeaning::BadResponse,
            "The proxy sent bytes nobody asked for when it opened the tunnel"));
        return false;
    }
    m_raw.clear();
    m_rawOffset = 0;
    m_response = CFHTTPMessage::createEmptyResponse();
    m_interimResponses = 0;
    m_sawResponseBytes = false;
    m_phase = Phase::Handshaking;
    return true;
}

bool CFHTTPReadStream::handshakeStep()
{
    if (!m_tls) {
        CFStreamError error;
        m_tls = CFTLSSession::create(m_socket, m_request->requestURL().host(), m_sslSettings, error);
        if (!m_tls) {
            failWith(error);
            return false;
        }
    }
    switch (m_tls->handshake()) {
    case CFTLSSession::Result::Done:
        m_tlsWantsWrite = false;
        return true;
    case CFTLSSession::Result::WantRead:
    case CFTLSSession::Result::WantWrite:
        m_tlsWantsWrite = m_tls->wantsWrite();
        return false;
    default:
        failWith(m_tls->error());
        return false;
    }
}

long CFHTTPReadStream::sendBytes(const uint8_t* bytes, size_t length)
{
    return moveBytes(Direction::Send, const_cast<uint8_t*>(bytes), length);
}

long CFHTTPReadStream::receiveBytes(uint8_t* buffer, size_t length)
{
    return moveBytes(Direction::Receive, buffer, length);
}

long CFHTTPReadStream::moveBytes(Direction direction, uint8_t* bytes, size_t length)
{
    const bool sending = direction == Direction::Send;
    if (m_tls) {
        size_t moved = 0;
        auto result = sending ? m_tls->write(bytes, length, moved) : m_tls->read(bytes, length, moved);
        if (!sending)
            m_tlsWantsWrite = m_tls->wantsWrite();
        switch (result) {
        case CFTLSSession::Result::Done:
            return static_cast<long>(moved);
        case CFTLSSession::Result::WantRead:
        case CFTLSSession::Result::WantWrite:
            return -1;
        case CFTLSSession::Result::Closed:
            // The peer's close is the end of what it sends, but a write into it is lost.
            if (!sending)
                return 0;
            failWith(connectionLost());
            return -2;
        case CFTLSSession::Result::Failed:
            failWith(m_tls->error());
            return -2;
        }
    }
    for (;;) {
        ssize_t n = sending ? ::send(m_socket, bytes, length, MSG_NOSIGNAL) : ::recv(m_socket, bytes, length, 0);
        if (n >= 0)
            return static_cast<long>(n);
        if (errno == EINTR)
            continue;
        if (errno == EAGAIN || errno == EWOULDBLOCK)
            return -1;
        failWith(CFStreamError::posix(errno));
        return -2;
    }
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
    case Phase::Negotiating:
        wanted = m_socksOffset < m_socksOut.size() ? RunLoopFileWritable : RunLoopFileReadable;
        break;
    case Phase::Tunneling:
        wanted = m_tunnelOffset < m_tunnelHead.size() ? RunLoopFileWritable : RunLoopFileReadable;
        break;
    case Phase::Handshaking:
        wanted = m_tlsWantsWrite ? RunLoopFileWritable : RunLoopFileReadable;
        break;
    case Phase::WritingHead:
    case Phase::WritingBody:
        wanted = RunLoopFileWritable | RunLoopFileReadable;
        break;
    case Phase::ReadingHead:
    case Phase::ReadingBody:
        wanted = RunLoopFileReadable | (m_tlsWantsWrite ? RunLoopFileWritable : 0u);
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
    m_fdSource = loop->addFileDescriptor(m_socket, wanted,
        [weak](int, unsigned events) {
            if (auto self = weak.lock())
                self->onSocketEvent(events);
        },
        { m_mode });
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
        m_phase = phaseAfterConnect();
    }
    if ((m_phase == Phase::WritingHead || m_phase == Phase::WritingBody) && (events & RunLoopFileReadable)) {
        // The server answered before taking the whole body (an early error or
        // challenge): stop sending and read what it says. Over TLS the bytes
        // may be the session's own (tickets): then the sending goes on.
        if (m_tls) {
            fillRaw();
            if (m_rawOffset < m_raw.size() || m_peerClosed)
                m_phase = Phase::ReadingHead;
        } else {
            m_phase = Phase::ReadingHead;
        }
    }
    advance();
    deliverEvents();
}

void CFHTTPReadStream::advance()
{
    for (;;) {
        switch (m_phase) {
        case Phase::Negotiating:
            if (!socksStep())
                return updateSourceEvents();
            continue;
        case Phase::Tunneling:
            if (!tunnelStep())
                return updateSourceEvents();
            continue;
        case Phase::Handshaking:
            if (!handshakeStep())
                return updateSourceEvents();
            m_phase = Phase::WritingHead;
            continue;
        case Phase::WritingHead:
        case Phase::WritingBody:
            if (!writeSome())
                return updateSourceEvents();
            m_phase = Phase::ReadingHead;
            updateSourceEvents();
            // The answer to what was just written is hardly ever there yet:
            // wait to hear from the socket rather than ask it in vain.
            if (m_rawOffset == m_raw.size() && !(m_tls && m_tls->hasPending()))
                return;
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

bool CFHTTPReadStream::appendBodyChunk()
{
    if (m_bodyChunk == 0)
        m_bodyChunk = firstChunk;
    size_t before = m_outgoing.size();
    long n = m_body->read(m_outgoing.grow(m_bodyChunk), m_bodyChunk);
    if (n < 0) {
        m_outgoing.shrink(before);
        failWith(CFStreamError::of(
            CFStreamErrorDomain::POSIX, EIO, CFStreamErrorMeaning::Other, "The request body could not be read"));
        return false;
    }
    m_outgoing.shrink(before + static_cast<size_t>(n));
    m_bodyChunk = nextChunk(m_bodyChunk, static_cast<size_t>(n));
    if (n == 0)
        m_bodyDone = true;
    return true;
}

bool CFHTTPReadStream::writeSome()
{
    // The first body chunk goes out with the head: a small request is then
    // one write and one segment instead of two.
    if (m_phase == Phase::WritingHead && m_outgoingOffset == 0 && !m_bodyDone && m_outgoing.size() == m_headLength
        && !appendBodyChunk())
        return false;
    for (;;) {
        if (m_outgoingOffset == m_outgoing.size()) {
            if (m_phase == Phase::WritingHead)
                m_phase = Phase::WritingBody;
            if (m_bodyDone)
                return true;
            m_outgoing.clear();
            m_outgoingOffset = 0;
            m_headLength = 0;
            if (!appendBodyChunk())
                return false;
            if (m_bodyDone)
                return true;
        }
        long n = sendBytes(m_outgoing.data() + m_outgoingOffset, m_outgoing.size() - m_outgoingOffset);
        if (n < 0)
            return false;
        size_t sent = static_cast<size_t>(n);
        size_t ofHead = m_outgoingOffset < m_headLength ? std::min(sent, m_headLength - m_outgoingOffset) : 0;
        m_outgoingOffset += sent;
        m_bodyBytesWritten += sent - ofHead;
        if (m_phase == Phase::WritingHead && m_outgoingOffset >= m_headLength)
            m_phase = Phase::WritingBody;
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
    if (m_readChunk == 0)
        m_readChunk = firstChunk;
    const size_t chunk = m_readChunk;
    uint8_t* room = m_raw.grow(chunk);
    size_t filled = 0;
    long n;
    // TLS hands out a record at a time: records are gathered until the room
    // is full or the socket has no more.
    do {
        n = receiveBytes(room + filled, chunk - filled);
        if (n > 0)
            filled += static_cast<size_t>(n);
    } while (n > 0 && m_tls && filled < chunk);
    // A failure may have started over on a new connection, which emptied the
    // buffer: shrinking never grows it back.
    m_raw.shrink(before + filled);
    if (n == -2)
        return false;
    if (n == 0)
        m_peerClosed = true;
    if (filled == 0)
        return false;
    m_readChunk = nextChunk(chunk, filled);
    m_sawResponseBytes = true;
    return true;
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
                if (++m_interimResponses > maximumInterimResponses) {
                    failWith(CFStreamError::of(CFStreamErrorDomain::HTTP, -4, CFStreamErrorMeaning::BadResponse,
                        "The server sent too many interim responses"));
                    return false;
                }
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
    } else if (auto te = m_response->headerFieldValue("Transfer-Encoding");
               te && containsIgnoringCase(*te, "chunked")) {
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
    if (m_framing == BodyFraming::None || (m_framing == BodyFraming::Length && m_bodyRemaining == 0))
        finishBody();
    signalDelivery();
}

bool CFHTTPReadStream::responseAllowsReuse() const
{
    if (m_framing == BodyFraming::UntilClose || m_peerClosed || !m_bodyDone || m_outgoingOffset != m_outgoing.size())
        return false;
    auto requestConnection = m_request->headerFieldValue("Connection");
    if (requestConnection && containsIgnoringCase(*requestConnection, "close"))
        return false;
    auto connection = m_response->headerFieldValue("Connection").value_or("");
    if (containsIgnoringCase(connection, "close"))
        return false;
    return m_response->version() != kCFHTTPVersion1_0 || containsIgnoringCase(connection, "keep-alive");
}

void CFHTTPReadStream::finishBody()
{
    // Bytes after the end of the body belong to no answer: they are dropped so
    // this one ends, and a connection that carried them is not used again.
    bool excess = m_rawOffset < m_raw.size() || m_decodedOffset < m_decoded.size();
    m_raw.clear();
    m_rawOffset = 0;
    m_phase = Phase::Finished;
    m_status = CFStreamStatus::AtEnd;
    m_keepConnection = m_attemptPersistent && !excess && m_socket >= 0 && !m_tunnelRefused && responseAllowsReuse();
    if (m_keepConnection) {
        if (m_fdSource) {
            m_fdSource->invalidate();
            m_fdSource = nullptr;
        }
    } else {
        closeSocket();
    }
    signalDelivery();
}

bool CFHTTPReadStream::hasReusableConnection() const
{
    return m_phase == Phase::Finished && m_keepConnection && m_socket >= 0;
}

void CFHTTPReadStream::reuseConnectionOf(CFHTTPReadStream& previous)
{
    if (m_status != CFStreamStatus::NotOpen || m_inheritedSocket >= 0 || &previous == this
        || !previous.hasReusableConnection() || previous.peer() != peer())
        return;
    int fd = previous.m_socket;
    auto tls = std::move(previous.m_tls);
    previous.m_socket = -1;
    previous.m_keepConnection = false;
    // The finished exchange holds no bytes: its buffers serve this one.
    m_raw.takeStorage(previous.m_raw);
    m_outgoing.takeStorage(previous.m_outgoing);
    // A server that closed the idle connection, or sent bytes nobody asked
    // for, leaves nothing worth reusing.
    bool idle;
    if (tls) {
        idle = tls->isIdle();
    } else {
        uint8_t probe;
        ssize_t n = ::recv(fd, &probe, 1, MSG_PEEK | MSG_DONTWAIT);
        idle = n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK);
    }
    if (idle) {
        m_inheritedSocket = fd;
        m_inheritedTLS = std::move(tls);
    } else {
        tls = nullptr;
        ::close(fd);
    }
}

void CFHTTPReadStream::retryOnFreshConnection()
{
    closeSocket();
    m_reusedConnection = false;
    m_outgoingOffset = 0;
    m_tunnelOffset = 0;
    m_raw.clear();
    m_rawOffset = 0;
    m_peerClosed = false;
    m_interimResponses = 0;
    m_response = CFHTTPMessage::createEmptyResponse();
    m_phase = Phase::Idle;
    connectToPeer();
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
                // Decoded bytes are still to be read; only the raw ones count as excess.
                std::vector<uint8_t> decoded;
                decoded.swap(m_decoded);
                size_t decodedOffset = m_decodedOffset;
                m_decodedOffset = 0;
                finishBody();
                m_decoded.swap(decoded);
                m_decodedOffset = decodedOffset;
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
                    finishBody();
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
    auto bytes = readInPlace(maxLength);
    if (bytes.empty())
        return m_phase == Phase::Failed ? -1 : 0;
    std::memcpy(buffer, bytes.data(), bytes.size());
    return static_cast<long>(bytes.size());
}

std::span<const uint8_t> CFHTTPReadStream::readInPlace(size_t maxLength)
{
    if (m_phase == Phase::Failed || maxLength == 0 || !hasBytesAvailable())
        return {};
    std::span<const uint8_t> bytes;
    if (m_decodedOffset < m_decoded.size()) {
        size_t n = std::min(maxLength, m_decoded.size() - m_decodedOffset);
        bytes = { m_decoded.data() + m_decodedOffset, n };
        m_decodedOffset += n;
    } else {
        size_t n = std::min(maxLength, m_raw.size() - m_rawOffset);
        if (m_framing == BodyFraming::Length)
            n = static_cast<size_t>(std::min<uint64_t>(n, m_bodyRemaining));
        bytes = { m_raw.data() + m_rawOffset, n };
        m_rawOffset += n;
        // Ending the body forgets the buffered bytes but keeps their memory,
        // so the view stays good until the next read fills it again.
        if (m_framing == BodyFraming::Length) {
            m_bodyRemaining -= n;
            if (m_bodyRemaining == 0)
                finishBody();
        }
    }
    if (m_phase == Phase::Finished)
        signalDelivery();
    return bytes;
}

void CFHTTPReadStream::failWith(CFStreamError error)
{
    if (m_phase == Phase::Failed)
        return;
    // A kept connection the server closed while it was idle fails on first
    // use; before any answer came and with no body consumed, the request is
    // sent again on a new connection.
    bool stale = error.meaning == CFStreamErrorMeaning::ConnectionLost
        || error.meaning == CFStreamErrorMeaning::BrokenPipe || error.meaning == CFStreamErrorMeaning::NotConnected;
    if (stale && m_reusedConnection && !m_sawResponseBytes && !m_body) {
        retryOnFreshConnection();
        return;
    }
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
    if (m_tls) {
        m_tls->shutdown();
        m_tls = nullptr;
    }
    if (m_socket >= 0) {
        ::close(m_socket);
        m_socket = -1;
    }
}

void CFHTTPReadStream::deliverEvents()
{
    auto self = shared_from_this();
    if (m_phase == Phase::Resolving && m_lookup) {
        std::vector<uint8_t> address;
        int error = 0;
        {
            std::lock_guard guard(m_lookup->lock);
            if (!m_lookup->done)
                return;
            address = m_lookup->address;
            error = m_lookup->error;
        }
        m_lookup = nullptr;
        if (error)
            failWith(CFStreamError::of(
                CFStreamErrorDomain::Netdb, error, CFStreamErrorMeaning::HostNotFound, gai_strerror(error)));
        else {
            startConnecting(address);
            writeAtOnce();
        }
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
            if (m_scheduled
                && (m_decodedOffset < m_decoded.size() || m_rawOffset < m_raw.size() || m_phase == Phase::Finished
                    || (m_tls && m_tls->hasPending())))
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
