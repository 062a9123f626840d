#include "TlsTestServer.h"

#include "SocketRelay.h"

#include "Platform/CFNetwork/CFTLSSession.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <openssl/err.h>
#include <openssl/pem.h>
#include <openssl/pkcs12.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr long day = 24 * 60 * 60;

EVP_PKEY* newKey()
{
    // Elliptic-curve keys: quick to make even under the sanitizers.
    EVP_PKEY* key = EVP_EC_gen("P-256");
    if (!key)
        ADD_FAILURE() << "cannot make a test key";
    return key;
}

void addExtension(X509* certificate, X509* issuer, int nid, const char* value)
{
    X509V3_CTX context;
    X509V3_set_ctx_nodb(&context);
    X509V3_set_ctx(&context, issuer, certificate, nullptr, nullptr, 0);
    X509_EXTENSION* extension = X509V3_EXT_conf_nid(nullptr, &context, nid, value);
    X509_add_ext(certificate, extension, -1);
    X509_EXTENSION_free(extension);
}

// `notBefore`/`notAfter` in seconds from now.
X509* makeCertificate(EVP_PKEY* key, const char* organisation, const char* commonName, X509* issuer,
    EVP_PKEY* issuerKey, long notBefore, long notAfter, const char* names, bool authority)
{
    static long serial = 1;
    X509* certificate = X509_new();
    X509_set_version(certificate, 2);
    ASN1_INTEGER_set(X509_get_serialNumber(certificate), serial++);
    X509_gmtime_adj(X509_getm_notBefore(certificate), notBefore);
    X509_gmtime_adj(X509_getm_notAfter(certificate), notAfter);
    X509_set_pubkey(certificate, key);
    X509_NAME* name = X509_get_subject_name(certificate);
    X509_NAME_add_entry_by_txt(
        name, "O", MBSTRING_ASC, reinterpret_cast<const unsigned char*>(organisation), -1, -1, 0);
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC, reinterpret_cast<const unsigned char*>(commonName), -1, -1, 0);
    X509_set_issuer_name(certificate, issuer ? X509_get_subject_name(issuer) : name);
    X509* signer = issuer ? issuer : certificate;
    if (authority) {
        addExtension(certificate, signer, NID_basic_constraints, "critical,CA:TRUE");
        addExtension(certificate, signer, NID_key_usage, "critical,keyCertSign,cRLSign");
    } else {
        addExtension(certificate, signer, NID_basic_constraints, "critical,CA:FALSE");
    }
    if (names)
        addExtension(certificate, signer, NID_subject_alt_name, names);
    X509_sign(certificate, issuer ? issuerKey : key, EVP_sha256());
    return certificate;
}

Data der(X509* certificate)
{
    unsigned char* bytes = nullptr;
    int length = i2d_X509(certificate, &bytes);
    Data data(bytes, bytes + std::max(length, 0));
    OPENSSL_free(bytes);
    return data;
}

}  // namespace

TestCertificates::TestCertificates()
{
    char pattern[] = "/tmp/corvelle-tls-XXXXXX";
    m_folder = mkdtemp(pattern) ? pattern : "/tmp";
    m_authorityKey = newKey();
    m_authority = makeCertificate(
        m_authorityKey, "Corvelle Tests", "Test Authority", nullptr, nullptr, -day, 365 * day, nullptr, true);
    const char* local = "IP:127.0.0.1,DNS:localhost";
    auto signedBy = [&](const char* cn, long from, long to, const char* names) {
        EVP_PKEY* key = newKey();
        return std::make_pair(
            makeCertificate(key, "Corvelle Tests", cn, m_authority, m_authorityKey, from, to, names, false), key);
    };
    m_servers.push_back(signedBy("Trusted Server", -day, 30 * day, local));
    m_servers.push_back(signedBy("Expired Server", -30 * day, -day, local));
    m_servers.push_back(signedBy("Other Server", -day, 30 * day, "DNS:other.example,IP:192.0.2.1"));
    EVP_PKEY* selfKey = newKey();
    m_servers.emplace_back(
        makeCertificate(selfKey, "Corvelle Tests", "Self Signed", nullptr, nullptr, -day, 30 * day, local, false),
        selfKey);

    EVP_PKEY* clientKey = newKey();
    X509* client = makeCertificate(
        clientKey, "Corvelle Tests", "Field Tablet 7", m_authority, m_authorityKey, -day, 30 * day, nullptr, false);
    PKCS12* archive = PKCS12_create(clientPassphrase().c_str(), "tablet", clientKey, client, nullptr, 0, 0, 0, 0, 0);
    unsigned char* bytes = nullptr;
    int length = archive ? i2d_PKCS12(archive, &bytes) : 0;
    m_clientIdentity.assign(bytes, bytes + std::max(length, 0));
    OPENSSL_free(bytes);
    PKCS12_free(archive);
    X509_free(client);
    EVP_PKEY_free(clientKey);

    EVP_PKEY* furtherKey = newKey();
    X509* further = makeCertificate(
        furtherKey, "Corvelle Tests", "Further", m_authority, m_authorityKey, -day, 30 * day, nullptr, false);
    m_furtherCertificate = der(further);
    X509_free(further);
    EVP_PKEY_free(furtherKey);

    m_authorityFile = m_folder + "/authority.pem";
    auto write = [](const std::string& path, auto writer) {
        FILE* file = std::fopen(path.c_str(), "w");
        if (!file || writer(file) != 1)
            ADD_FAILURE() << "cannot write " << path;
        if (file)
            std::fclose(file);
    };
    write(m_authorityFile, [&](FILE* file) { return PEM_write_X509(file, m_authority); });
    for (size_t kind = 0; kind < m_servers.size(); ++kind) {
        const auto& [certificate, key] = m_servers[kind];
        write(serverCertificateFile(Server(kind)), [&](FILE* file) { return PEM_write_X509(file, certificate); });
        write(serverKeyFile(Server(kind)),
            [&](FILE* file) { return PEM_write_PrivateKey(file, key, nullptr, nullptr, 0, nullptr, nullptr); });
    }
}

std::string TestCertificates::serverCertificateFile(Server kind) const
{
    return m_folder + "/server-" + std::to_string(static_cast<int>(kind)) + ".pem";
}

std::string TestCertificates::serverKeyFile(Server kind) const
{
    return m_folder + "/server-" + std::to_string(static_cast<int>(kind)) + "-key.pem";
}

const TestCertificates& TestCertificates::shared()
{
    // Made once and kept for the process: the keys cost time to make.
    static const TestCertificates* certificates = new TestCertificates();
    return *certificates;
}

x509_st* TestCertificates::serverCertificate(Server kind) const { return m_servers[static_cast<size_t>(kind)].first; }

evp_pkey_st* TestCertificates::serverKey(Server kind) const { return m_servers[static_cast<size_t>(kind)].second; }

TlsTestServer::TlsTestServer(int backendPort, Options options)
    : m_backendPort(backendPort)
    , m_context([&] {
        // A client that goes away while the relay writes must not end the tests.
        std::signal(SIGPIPE, SIG_IGN);
        const auto& certificates = TestCertificates::shared();
        SSL_CTX* context = SSL_CTX_new(TLS_server_method());
        SSL_CTX_use_certificate(context, certificates.serverCertificate(options.certificate));
        SSL_CTX_use_PrivateKey(context, certificates.serverKey(options.certificate));
        if (options.requireClientCertificate) {
            X509_STORE_add_cert(SSL_CTX_get_cert_store(context), certificates.authority());
            SSL_CTX_set_verify(context, SSL_VERIFY_PEER | SSL_VERIFY_FAIL_IF_NO_PEER_CERT, nullptr);
        }
        return context;
    }())
    , m_listener([this](int fd, int) { serve(fd); })
{
}

TlsTestServer::~TlsTestServer()
{
    m_listener.stop();
    SSL_CTX_free(m_context);
}

std::string TlsTestServer::url(std::string_view path) const
{
    return "https://127.0.0.1:" + std::to_string(port()) + std::string(path);
}

std::vector<std::string> TlsTestServer::clientSubjects() const
{
    std::lock_guard lock(m_lock);
    return m_clientSubjects;
}

void TlsTestServer::serve(int fd)
{
    SSL* ssl = SSL_new(m_context);
    SSL_set_fd(ssl, fd);
    if (SSL_accept(ssl) != 1) {
        ERR_clear_error();
        SSL_free(ssl);
        return;
    }
    ++m_handshakes;
    if (X509* peer = SSL_get1_peer_certificate(ssl)) {
        char line[512] = "";
        X509_NAME_oneline(X509_get_subject_name(peer), line, sizeof line);
        X509_free(peer);
        std::lock_guard lock(m_lock);
        m_clientSubjects.emplace_back(line);
    }
    int backend = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<uint16_t>(m_backendPort));
    int one = 1;
    ::setsockopt(backend, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    bool connected = ::connect(backend, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    if (connected) {
        RelayClient client;
        client.fd = fd;
        client.read = [ssl](char* buffer, size_t length) -> long {
            int n = SSL_read(ssl, buffer, static_cast<int>(length));
            if (n <= 0)
                ERR_clear_error();
            return n;
        };
        client.write
            = [ssl](const char* bytes, size_t length) { return SSL_write(ssl, bytes, static_cast<int>(length)) > 0; };
        client.holdsBytes = [ssl] { return SSL_pending(ssl) > 0; };
        relayBytes(client, backend);
    }
    ERR_clear_error();
    SSL_shutdown(ssl);
    ERR_clear_error();
    SSL_free(ssl);
    if (backend >= 0)
        ::close(backend);
}

TrustTestAuthority::TrustTestAuthority()
{
    CFTLSSession::setTrustedRootsFile(TestCertificates::shared().authorityFile());
}

TrustTestAuthority::~TrustTestAuthority() { CFTLSSession::setTrustedRootsFile({}); }
