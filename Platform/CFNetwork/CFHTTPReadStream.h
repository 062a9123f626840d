#pragma once

// The HTTP read stream: one exchange over one non-blocking TCP socket,
// scheduled on a run loop. It resolves and connects (through a proxy, and
// with TLS for "https": a tunnel through an HTTP proxy first), writes the request head,
// pulls the body from a body source, reads the response head and hands out the
// body, undoing chunked transfer coding. It does not inflate compressed bodies
// and does not follow redirects: the engine above does both.
//
// Events go to the client only while the stream is scheduled: "has bytes"
// once per turn while body bytes are waiting, then "end" or "error" once. A
// stream taken off its run loop (throttling) stays connected but quiet.
//
// Errors carry a domain and a code and, above all, a meaning, so callers test
// "the connection was lost" rather than a number that differs by platform.

#include "Platform/CFNetwork/CFHTTPMessage.h"
#include "Platform/CFNetwork/CFHostResolver.h"
#include "Platform/CFNetwork/CFTLSSession.h"
#include "Platform/Foundation/NSRunLoop.h"

#include <algorithm>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

// Socket and body bytes. Growing leaves the new bytes as they are, since a
// read fills them at once: zeroing a large buffer per read costs more than a
// small exchange.
class CFStreamBuffer {
public:
    uint8_t* data() { return m_bytes.get(); }
    const uint8_t* data() const { return m_bytes.get(); }
    size_t size() const { return m_size; }
    void clear() { m_size = 0; }
    // Room for `length` more bytes after the current ones; returns their start.
    uint8_t* grow(size_t length);
    // Keeps the first `size` bytes.
    void shrink(size_t size) { m_size = std::min(size, m_size); }
    void assign(const void* bytes, size_t length);
    // Takes over `other`'s storage when it is the larger, leaving both empty
    // of bytes: a kept connection's next exchange reuses the last one's room.
    void takeStorage(CFStreamBuffer& other);

private:
    std::unique_ptr<uint8_t[]> m_bytes;
    size_t m_size = 0;
    size_t m_capacity = 0;
};

enum CFStreamEventType : unsigned {
    kCFStreamEventNone = 0,
    kCFStreamEventOpenCompleted = 1,
    kCFStreamEventHasBytesAvailable = 2,
    kCFStreamEventCanAcceptBytes = 4,
    kCFStreamEventErrorOccurred = 8,
    kCFStreamEventEndEncountered = 16,
};

enum class CFStreamErrorDomain { None, POSIX, Netdb, HTTP, SSL, SOCKS, Unsupported };

enum class CFStreamErrorMeaning {
    None,
    NotConnected,  // the socket is not connected
    BrokenPipe,  // the peer went away while we wrote
    ConnectionRefused,
    ConnectionLost,  // the connection closed or reset before the response ended
    HostNotFound,
    TimedOut,
    BadResponse,  // the response head or body coding could not be read
    SecurityFailure,  // the TLS session failed or the server's certificate was refused
    Other,
};

struct CFStreamError {
    CFStreamErrorDomain domain = CFStreamErrorDomain::None;
    long code = 0;  // errno for POSIX, EAI_* for Netdb, the platform's security codes for SSL, our own otherwise
    CFStreamErrorMeaning meaning = CFStreamErrorMeaning::None;
    std::string description;

    bool isError() const { return domain != CFStreamErrorDomain::None; }
    static CFStreamError posix(int error);
    static CFStreamError of(
        CFStreamErrorDomain domain, long code, CFStreamErrorMeaning meaning, std::string description);
};

// Where a request body comes from: short reads are allowed, 0 is the end,
// a negative count an error.
class CFHTTPBodySource {
public:
    virtual ~CFHTTPBodySource() = default;
    virtual void open() = 0;
    virtual long read(uint8_t* buffer, size_t maxLength) = 0;
    virtual void close() = 0;
};

enum class CFStreamStatus { NotOpen, Opening, Open, AtEnd, Closed, Error };

class CFHTTPReadStream : public std::enable_shared_from_this<CFHTTPReadStream> {
public:
    using Client = std::function<void(CFHTTPReadStream& stream, CFStreamEventType event)>;

    static std::shared_ptr<CFHTTPReadStream> createForHTTPRequest(std::shared_ptr<CFHTTPMessage> request);
    static std::shared_ptr<CFHTTPReadStream> createForStreamedHTTPRequest(
        std::shared_ptr<CFHTTPMessage> request, std::shared_ptr<CFHTTPBodySource> body);
    ~CFHTTPReadStream();

    // The events (a mask of CFStreamEventType) that reach `client`; an empty
    // client stops all events.
    void setClient(unsigned events, Client client);
    void scheduleWithRunLoop(const std::shared_ptr<NSRunLoop>& loop, const NSRunLoopMode& mode);
    void unscheduleFromRunLoop();
    bool isScheduled() const { return m_scheduled; }

    // Starts the exchange; false when it failed at once (the error says why).
    bool open();
    void close();

    bool hasBytesAvailable();
    // Body bytes, 0 at the end, -1 on error.
    long read(uint8_t* buffer, size_t maxLength);
    // Up to `maxLength` body bytes where the stream holds them, without a
    // copy; they stay valid until the next call on the stream. Empty at the
    // end and on error (status() tells which).
    std::span<const uint8_t> readInPlace(size_t maxLength);

    CFStreamStatus status() const { return m_status; }
    const CFStreamError& error() const { return m_error; }
    // The response head once complete, else null.
    std::shared_ptr<CFHTTPMessage> responseHeader() const;
    // Request body bytes written to the connection so far.
    uint64_t requestBytesWrittenCount() const { return m_bodyBytesWritten; }

    // Sends the request through an HTTP proxy: the request line names the
    // whole URL, and an https exchange goes through a tunnel the proxy opens
    // (CONNECT). A proxy that refuses the tunnel gives its own answer as the
    // response, so its challenge reaches the caller. SOCKS proxies are not
    // offered: opening then fails.
    void setHTTPProxy(std::string host, int port);
    // Connects through a SOCKS5 proxy, which resolves the server's name;
    // with a user name it signs in with it and the password when the proxy
    // asks.
    void setSOCKSProxy(std::string host, int port, std::string user = {}, std::string password = {});
    // How an https exchange checks the server and what it presents; set
    // before open.
    void setSSLSettings(CFStreamSSLSettings settings) { m_sslSettings = std::move(settings); }
    const CFStreamSSLSettings& sslSettings() const { return m_sslSettings; }
    // With a persistent connection, a response that ends cleanly (its framing
    // known, nothing after it, neither side asking to close) leaves the socket
    // open; the next stream to the same peer takes it over before it opens.
    // A taken-over connection that turns out closed before any answer is
    // replaced by a new one (requests without a streamed body only).
    void setAttemptPersistentConnection(bool attempt) { m_attemptPersistent = attempt; }
    bool hasReusableConnection() const;
    void reuseConnectionOf(CFHTTPReadStream& previous);
    bool isReusedConnection() const { return m_reusedConnection; }
    void setStreamID(long id) { m_streamID = id; }
    long streamID() const { return m_streamID; }

private:
    enum class Phase {
        Idle,
        Resolving,
        Connecting,
        Negotiating,
        Tunneling,
        Handshaking,
        WritingHead,
        WritingBody,
        ReadingHead,
        ReadingBody,
        Finished,
        Failed
    };
    enum class BodyFraming { None, Length, Chunked, UntilClose };

    CFHTTPReadStream() = default;

    void startConnecting(const std::vector<uint8_t>& address);
    bool usesTLS() const { return m_request->requestURL().scheme() == "https"; }
    bool viaHTTPProxy() const { return !m_proxyHost.empty() && m_proxyPort > 0 && !m_socksProxy; }
    // What follows the TCP connection: the proxy's tunnel, the TLS
    // handshake, or the request itself.
    Phase phaseAfterConnect() const;
    bool tunnelStep();
    bool socksStep();
    size_t socksReplyLength() const;
    void failSOCKS(long code, CFStreamErrorMeaning meaning, std::string description);
    bool handshakeStep();
    // The socket's bytes, through TLS when there is a session: the count
    // moved; 0 when the peer closed (reads); -1 when the socket must be
    // waited for; -2 when the stream failed.
    long sendBytes(const uint8_t* bytes, size_t length);
    long receiveBytes(uint8_t* buffer, size_t length);
    enum class Direction { Send, Receive };
    // Both of the above: one way to read the session's or socket's answer.
    long moveBytes(Direction direction, uint8_t* bytes, size_t length);
    // Writes what the socket takes now, when the stream is scheduled and
    // its head is due; the rest waits to hear from the socket.
    void writeAtOnce();
    void onSocketEvent(unsigned events);
    void advance();
    bool writeSome();
    bool appendBodyChunk();
    bool readHead();
    bool fillRaw();
    void startBody();
    void failWith(CFStreamError error);
    void updateSourceEvents();
    void signalDelivery();
    void deliverEvents();
    void closeSocket();
    void connectToPeer();
    std::string peer() const;
    void finishBody();
    bool responseAllowsReuse() const;
    void retryOnFreshConnection();

    std::shared_ptr<CFHTTPMessage> m_request;
    std::shared_ptr<CFHTTPBodySource> m_body;
    std::shared_ptr<CFHTTPMessage> m_response;
    unsigned m_clientEvents = 0;
    Client m_client;

    std::weak_ptr<NSRunLoop> m_loop;
    NSRunLoopMode m_mode;
    bool m_scheduled = false;
    RunLoopSourceRef m_fdSource;
    RunLoopSourceRef m_deliverySource;

    CFStreamStatus m_status = CFStreamStatus::NotOpen;
    Phase m_phase = Phase::Idle;
    CFStreamError m_error;
    bool m_errorReported = false;
    bool m_endReported = false;
    int m_socket = -1;
    std::shared_ptr<CFHostResolver::Lookup> m_lookup;
    int m_inheritedSocket = -1;
    std::unique_ptr<CFTLSSession> m_tls;
    std::unique_ptr<CFTLSSession> m_inheritedTLS;
    CFStreamSSLSettings m_sslSettings;
    bool m_tlsWantsWrite = false;
    std::string m_tunnelHead;  // the request head, sent once the tunnel and TLS are up
    size_t m_tunnelOffset = 0;
    bool m_tunnelRefused = false;  // the proxy's own answer is the response
    bool m_reusedConnection = false;
    bool m_keepConnection = false;
    bool m_sawResponseBytes = false;
    int m_interimResponses = 0;

    std::string m_proxyHost;
    int m_proxyPort = 0;
    bool m_socksProxy = false;
    std::string m_socksUser, m_socksPassword;
    enum class SOCKSStep { Method, SignIn, Connect } m_socksStep = SOCKSStep::Method;
    std::string m_socksOut;  // the message being sent to the SOCKS proxy
    size_t m_socksOffset = 0;
    std::string m_socksIn;  // the proxy's reply so far
    bool m_attemptPersistent = false;
    long m_streamID = 0;

    CFStreamBuffer m_outgoing;  // head, then body bytes waiting to be written
    size_t m_outgoingOffset = 0;
    size_t m_bodyChunk = 0;  // grows while the body source fills whole chunks
    bool m_bodyDone = true;
    uint64_t m_bodyBytesWritten = 0;
    size_t m_headLength = 0;  // the head's bytes at the start of m_outgoing

    CFStreamBuffer m_raw;  // bytes received and not yet decoded
    size_t m_rawOffset = 0;
    size_t m_readChunk = 0;  // grows while the socket fills whole reads
    std::vector<uint8_t> m_decoded;  // chunked bytes decoded and not yet read
    size_t m_decodedOffset = 0;
    BodyFraming m_framing = BodyFraming::None;
    uint64_t m_bodyRemaining = 0;
    HTTPChunkedDecoder m_chunked;
    bool m_peerClosed = false;
};
