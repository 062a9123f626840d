#pragma once

// TLS on loopback for tests. TestCertificates makes, once per process, an
// authority of its own, server certificates it signs (one good for 127.0.0.1
// and localhost, one expired, one for another name), one that signs itself,
// and a client identity the authority signs; the authority's certificate is
// written to a PEM file that a test names as the trusted roots.
//
// TlsTestServer is a TLS front for one of the plain test servers: it takes
// TLS connections on a free port and relays each, decrypted, to a new
// connection to the plain server, so every fault those servers make (stalls,
// drops, kept connections) happens over TLS as well. It can ask for a client
// certificate and records the subject of each one presented.

#include "LoopbackListener.h"
#include "Platform/Foundation/Value.h"

#include <atomic>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

struct ssl_ctx_st;
struct x509_st;
struct evp_pkey_st;

class TestCertificates {
public:
    enum class Server { Trusted, Expired, WrongHost, SelfSigned };

    static const TestCertificates& shared();

    const std::string& authorityFile() const { return m_authorityFile; }
    x509_st* serverCertificate(Server kind) const;
    evp_pkey_st* serverKey(Server kind) const;
    x509_st* authority() const { return m_authority; }
    // The same certificate and key as PEM files, for servers that load files.
    std::string serverCertificateFile(Server kind) const;
    std::string serverKeyFile(Server kind) const;
    // The client identity as a PKCS#12 file under `clientPassphrase()`.
    const Data& clientIdentity() const { return m_clientIdentity; }
    static std::string clientPassphrase() { return "test passphrase"; }
    // The subject the client identity's certificate names.
    static std::string clientSubject() { return "/O=Corvelle Tests/CN=Field Tablet 7"; }
    // A certificate (DER) the same authority signed, to send after the identity.
    const Data& furtherCertificate() const { return m_furtherCertificate; }

private:
    TestCertificates();
    std::string m_folder;
    std::string m_authorityFile;
    evp_pkey_st* m_authorityKey = nullptr;
    x509_st* m_authority = nullptr;
    std::vector<std::pair<x509_st*, evp_pkey_st*>> m_servers;  // by Server
    Data m_clientIdentity;
    Data m_furtherCertificate;
};

class TlsTestServer {
public:
    struct Options {
        TestCertificates::Server certificate = TestCertificates::Server::Trusted;
        bool requireClientCertificate = false;
    };
    // Relays to the plain server on 127.0.0.1:`backendPort`.
    TlsTestServer(int backendPort, Options options);
    explicit TlsTestServer(int backendPort)
        : TlsTestServer(backendPort, Options {})
    {
    }
    ~TlsTestServer();
    TlsTestServer(const TlsTestServer&) = delete;
    TlsTestServer& operator=(const TlsTestServer&) = delete;

    int port() const { return m_listener.port(); }
    // "https://127.0.0.1:<port>" followed by `path`.
    std::string url(std::string_view path = "/") const;
    // TLS connections accepted, handshakes that completed.
    int connectionCount() const { return m_listener.connectionCount(); }
    int handshakeCount() const { return m_handshakes; }
    std::vector<std::string> clientSubjects() const;
    void stop() { m_listener.stop(); }

private:
    void serve(int fd);

    int m_backendPort;
    ssl_ctx_st* m_context = nullptr;
    std::atomic<int> m_handshakes { 0 };
    mutable std::mutex m_lock;
    std::vector<std::string> m_clientSubjects;
    // Last: its threads use everything above.
    LoopbackListener m_listener;
};

// Points the engine's trusted roots at the test authority while it lives.
class TrustTestAuthority {
public:
    TrustTestAuthority();
    ~TrustTestAuthority();
};
