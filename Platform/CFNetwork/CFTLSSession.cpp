#include "Platform/CFNetwork/CFTLSSession.h"

#include "Platform/CFNetwork/CFHTTPReadStream.h"

#include <arpa/inet.h>
#include <cerrno>
#include <mutex>
#include <openssl/err.h>
#include <openssl/pkcs12.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>
#include <sys/socket.h>

namespace {

// The platform's security error numbers, so callers see the codes they know
// (the request turns -9818 to -9800 into its "SSL problem" text).
constexpr long errSSLProtocol = -9800;
constexpr long errSSLFatalAlert = -9802;
constexpr long errSSLXCertChainInvalid = -9807;
constexpr long errSSLUnknownRootCert = -9812;
constexpr long errSSLCertExpired = -9814;
constexpr long errSSLCertNotYetValid = -9815;

struct Context {
    std::string rootsFile;
    SSL_CTX* ctx = nullptr;
};

std::mutex contextLock;
std::string trustedRootsFile;  // under contextLock
std::shared_ptr<Context> current;  // under contextLock

int settingsIndex()
{
    static const int index = SSL_get_ex_new_index(0, nullptr, nullptr, nullptr, nullptr);
    return index;
}

// Loading the roots is the costly part of a context, so one is shared by
// every session until the roots change.
std::shared_ptr<Context> sharedContext(std::string& failure)
{
    std::lock_guard guard(contextLock);
    if (current && current->rootsFile == trustedRootsFile)
        return current;
    SSL_CTX* ctx = SSL_CTX_new(TLS_client_method());
    if (!ctx) {
        failure = "The secure connection could not be prepared";
        return nullptr;
    }
    auto context = std::shared_ptr<Context>(new Context { trustedRootsFile, ctx }, [](Context* c) {
        SSL_CTX_free(c->ctx);
        delete c;
    });
    SSL_CTX_set_min_proto_version(ctx, TLS1_2_VERSION);
    // A server that closes without saying so ends a body read to the close,
    // as it does without TLS; framed bodies still fail when cut short.
    SSL_CTX_set_options(ctx, SSL_OP_IGNORE_UNEXPECTED_EOF);
    SSL_CTX_set_mode(ctx, SSL_MODE_ENABLE_PARTIAL_WRITE | SSL_MODE_ACCEPT_MOVING_WRITE_BUFFER);
    int loaded = trustedRootsFile.empty() ? SSL_CTX_set_default_verify_paths(ctx)
                                          : SSL_CTX_load_verify_locations(ctx, trustedRootsFile.c_str(), nullptr);
    if (loaded != 1) {
        ERR_clear_error();
        failure = "The trusted certificates could not be read";
        return nullptr;
    }
    current = context;
    return context;
}

bool isAnyRootError(int error)
{
    switch (error) {
    case X509_V_ERR_DEPTH_ZERO_SELF_SIGNED_CERT:
    case X509_V_ERR_SELF_SIGNED_CERT_IN_CHAIN:
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT:
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT_LOCALLY:
    case X509_V_ERR_UNABLE_TO_VERIFY_LEAF_SIGNATURE:
    case X509_V_ERR_CERT_UNTRUSTED:
        return true;
    default:
        return false;
    }
}

bool isDateError(int error) { return error == X509_V_ERR_CERT_HAS_EXPIRED || error == X509_V_ERR_CERT_NOT_YET_VALID; }

int verifyCallback(int preverified, X509_STORE_CTX* store)
{
    if (preverified)
        return 1;
    auto* ssl = static_cast<SSL*>(X509_STORE_CTX_get_ex_data(store, SSL_get_ex_data_X509_STORE_CTX_idx()));
    auto* settings = ssl ? static_cast<const CFStreamSSLSettings*>(SSL_get_ex_data(ssl, settingsIndex())) : nullptr;
    if (!settings)
        return 0;
    int error = X509_STORE_CTX_get_error(store);
    if ((settings->allowsAnyRoot && isAnyRootError(error))
        || (settings->allowsExpiredCertificates && isDateError(error))) {
        X509_STORE_CTX_set_error(store, X509_V_OK);
        return 1;
    }
    return 0;
}

long securityCodeOfVerifyError(long error)
{
    if (error == X509_V_ERR_CERT_HAS_EXPIRED)
        return errSSLCertExpired;
    if (error == X509_V_ERR_CERT_NOT_YET_VALID)
        return errSSLCertNotYetValid;
    if (isAnyRootError(static_cast<int>(error)))
        return errSSLUnknownRootCert;
    return errSSLXCertChainInvalid;
}

std::string libraryErrorText()
{
    unsigned long code = ERR_peek_last_error();
    char text[256] = "The secure connection failed";
    if (code)
        ERR_error_string_n(code, text, sizeof text);
    ERR_clear_error();
    return text;
}

// The session's socket I/O: a peer that went away must fail the write, not
// raise SIGPIPE in the whole process.
int socketWrite(BIO* bio, const char* bytes, int length)
{
    BIO_clear_retry_flags(bio);
    int fd = static_cast<int>(reinterpret_cast<intptr_t>(BIO_get_data(bio)));
    ssize_t n = ::send(fd, bytes, static_cast<size_t>(length), MSG_NOSIGNAL);
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR))
        BIO_set_retry_write(bio);
    return static_cast<int>(n);
}

int socketRead(BIO* bio, char* buffer, int length)
{
    BIO_clear_retry_flags(bio);
    int fd = static_cast<int>(reinterpret_cast<intptr_t>(BIO_get_data(bio)));
    ssize_t n = ::recv(fd, buffer, static_cast<size_t>(length), 0);
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR))
        BIO_set_retry_read(bio);
    return static_cast<int>(n);
}

long socketControl(BIO*, int command, long, void*) { return command == BIO_CTRL_FLUSH ? 1 : 0; }

BIO* socketBIO(int fd)
{
    static BIO_METHOD* method = [] {
        BIO_METHOD* m = BIO_meth_new(BIO_get_new_index() | BIO_TYPE_SOURCE_SINK, "stream socket");
        BIO_meth_set_write(m, socketWrite);
        BIO_meth_set_read(m, socketRead);
        BIO_meth_set_ctrl(m, socketControl);
        return m;
    }();
    BIO* bio = BIO_new(method);
    if (bio) {
        BIO_set_data(bio, reinterpret_cast<void*>(static_cast<intptr_t>(fd)));
        BIO_set_init(bio, 1);
    }
    return bio;
}

}  // namespace

SecIdentity::~SecIdentity()
{
    EVP_PKEY_free(m_key);
    X509_free(m_certificate);
    for (auto* certificate : m_chain)
        X509_free(certificate);
}

std::shared_ptr<const SecIdentity> SecIdentity::importPKCS12(
    const Data& data, const std::string& passphrase, std::string* error)
{
    auto fail = [error](const char* why) -> std::shared_ptr<const SecIdentity> {
        ERR_clear_error();
        if (error)
            *error = why;
        return nullptr;
    };
    const unsigned char* bytes = data.data();
    PKCS12* archive = d2i_PKCS12(nullptr, &bytes, static_cast<long>(data.size()));
    if (!archive)
        return fail("The identity file could not be read");
    EVP_PKEY* key = nullptr;
    X509* certificate = nullptr;
    STACK_OF(X509)* chain = nullptr;
    int parsed = PKCS12_parse(archive, passphrase.c_str(), &key, &certificate, &chain);
    PKCS12_free(archive);
    std::shared_ptr<SecIdentity> identity(new SecIdentity());
    identity->m_key = key;
    identity->m_certificate = certificate;
    if (chain) {
        while (X509* further = sk_X509_shift(chain))
            identity->m_chain.push_back(further);
        sk_X509_free(chain);
    }
    if (parsed != 1)
        return fail("The identity file's passphrase is wrong or the file is damaged");
    if (!key || !certificate)
        return fail("The identity file holds no key with its certificate");
    return identity;
}

std::string SecIdentity::subjectSummary() const
{
    char line[512] = "";
    X509_NAME_oneline(X509_get_subject_name(m_certificate), line, sizeof line);
    return line;
}

std::string CFStreamSSLSettings::connectionKey() const
{
    std::string key = validatesCertificateChain ? "v" : "-";
    key += allowsExpiredCertificates ? "e" : "-";
    key += allowsAnyRoot ? "r" : "-";
    key += checksPeerName ? "n" : "-";
    if (identity)
        key += " id" + std::to_string(reinterpret_cast<uintptr_t>(identity.get()));
    return key;
}

CFTLSSession::CFTLSSession() = default;

CFTLSSession::~CFTLSSession()
{
    if (m_ssl) {
        delete static_cast<const CFStreamSSLSettings*>(SSL_get_ex_data(m_ssl, settingsIndex()));
        SSL_free(m_ssl);
    }
}

void CFTLSSession::setTrustedRootsFile(std::string path)
{
    std::lock_guard guard(contextLock);
    trustedRootsFile = std::move(path);
}

std::unique_ptr<CFTLSSession> CFTLSSession::create(
    int fd, const std::string& host, const CFStreamSSLSettings& settings, CFStreamError& error)
{
    auto failure = [&error](std::string text) -> std::unique_ptr<CFTLSSession> {
        error = CFStreamError::of(
            CFStreamErrorDomain::SSL, errSSLProtocol, CFStreamErrorMeaning::SecurityFailure, std::move(text));
        return nullptr;
    };
    std::string why;
    auto context = sharedContext(why);
    if (!context)
        return failure(why);
    std::unique_ptr<CFTLSSession> session(new CFTLSSession());
    session->m_ssl = SSL_new(context->ctx);
    BIO* bio = session->m_ssl ? socketBIO(fd) : nullptr;
    if (!bio)
        return failure(libraryErrorText());
    SSL* ssl = session->m_ssl;
    SSL_set_bio(ssl, bio, bio);
    SSL_set_ex_data(ssl, settingsIndex(), new CFStreamSSLSettings(settings));
    session->m_checksCertificate = settings.validatesCertificateChain;

    in6_addr address6;
    in_addr address4;
    bool numeric
        = inet_pton(AF_INET, host.c_str(), &address4) == 1 || inet_pton(AF_INET6, host.c_str(), &address6) == 1;
    // The library's own macro for the name casts away const in C style; the control call it wraps
    // only reads the name.
    if (!numeric)
        SSL_ctrl(ssl, SSL_CTRL_SET_TLSEXT_HOSTNAME, TLSEXT_NAMETYPE_host_name, const_cast<char*>(host.c_str()));
    if (settings.validatesCertificateChain) {
        SSL_set_verify(ssl, SSL_VERIFY_PEER, verifyCallback);
        if (settings.checksPeerName) {
            X509_VERIFY_PARAM* param = SSL_get0_param(ssl);
            int named = numeric ? X509_VERIFY_PARAM_set1_ip_asc(param, host.c_str())
                                : X509_VERIFY_PARAM_set1_host(param, host.c_str(), host.size());
            if (named != 1)
                return failure("The server's name cannot be checked: " + host);
        }
    } else {
        SSL_set_verify(ssl, SSL_VERIFY_NONE, nullptr);
    }
    if (settings.identity) {
        const SecIdentity& identity = *settings.identity;
        if (SSL_use_certificate(ssl, identity.m_certificate) != 1 || SSL_use_PrivateKey(ssl, identity.m_key) != 1
            || SSL_check_private_key(ssl) != 1)
            return failure("The client identity cannot be used: " + libraryErrorText());
        for (auto* further : identity.m_chain)
            SSL_add1_chain_cert(ssl, further);
        for (const Data& der : settings.certificates) {
            const unsigned char* bytes = der.data();
            X509* certificate = d2i_X509(nullptr, &bytes, static_cast<long>(der.size()));
            if (!certificate)
                return failure("A client certificate could not be read");
            SSL_add0_chain_cert(ssl, certificate);
        }
    }
    return session;
}

CFTLSSession::Result CFTLSSession::classify(int rc, const char* during)
{
    int code = SSL_get_error(m_ssl, rc);
    m_wantsWrite = false;
    switch (code) {
    case SSL_ERROR_WANT_READ:
        return Result::WantRead;
    case SSL_ERROR_WANT_WRITE:
        m_wantsWrite = true;
        return Result::WantWrite;
    case SSL_ERROR_ZERO_RETURN:
        ERR_clear_error();
        return Result::Closed;
    case SSL_ERROR_SYSCALL: {
        int err = errno;
        ERR_clear_error();
        m_broken = true;
        // A socket failure is the socket's error, so a dropped kept
        // connection is told apart from a security failure.
        m_error = std::make_unique<CFStreamError>(err
                ? CFStreamError::posix(err)
                : CFStreamError::of(CFStreamErrorDomain::HTTP, -1005, CFStreamErrorMeaning::ConnectionLost,
                    "The network connection was lost"));
        return Result::Failed;
    }
    default:
        break;
    }
    m_broken = true;
    long verify = SSL_get_verify_result(m_ssl);
    if (!m_handshakeDone && m_checksCertificate && verify != X509_V_OK) {
        ERR_clear_error();
        m_error = std::make_unique<CFStreamError>(CFStreamError::of(CFStreamErrorDomain::SSL,
            securityCodeOfVerifyError(verify), CFStreamErrorMeaning::SecurityFailure,
            std::string("The server's certificate was refused: ") + X509_verify_cert_error_string(verify)));
        return Result::Failed;
    }
    unsigned long last = ERR_peek_last_error();
    // Reasons from 1000 up are alerts the server sent (a missing client
    // certificate, say).
    bool alert = ERR_GET_LIB(last) == ERR_LIB_SSL && ERR_GET_REASON(last) >= SSL_AD_REASON_OFFSET;
    m_error = std::make_unique<CFStreamError>(CFStreamError::of(CFStreamErrorDomain::SSL,
        alert ? errSSLFatalAlert : errSSLProtocol, CFStreamErrorMeaning::SecurityFailure,
        std::string("The secure connection failed ") + during + ": " + libraryErrorText()));
    return Result::Failed;
}

CFTLSSession::Result CFTLSSession::handshake()
{
    ERR_clear_error();
    int rc = SSL_connect(m_ssl);
    if (rc == 1) {
        m_handshakeDone = true;
        m_wantsWrite = false;
        return Result::Done;
    }
    Result result = classify(rc, "while it was set up");
    return result == Result::Closed
        ? (m_error = std::make_unique<CFStreamError>(CFStreamError::of(CFStreamErrorDomain::SSL, errSSLProtocol,
               CFStreamErrorMeaning::SecurityFailure, "The server closed the secure connection while it was set up")),
            Result::Failed)
        : result;
}

CFTLSSession::Result CFTLSSession::write(const uint8_t* bytes, size_t length, size_t& moved)
{
    ERR_clear_error();
    moved = 0;
    if (SSL_write_ex(m_ssl, bytes, length, &moved) == 1) {
        m_wantsWrite = false;
        return Result::Done;
    }
    return classify(0, "while sending");
}

CFTLSSession::Result CFTLSSession::read(uint8_t* buffer, size_t length, size_t& moved)
{
    ERR_clear_error();
    moved = 0;
    if (SSL_read_ex(m_ssl, buffer, length, &moved) == 1) {
        m_wantsWrite = false;
        return Result::Done;
    }
    return classify(0, "while receiving");
}

bool CFTLSSession::hasPending() const { return SSL_has_pending(m_ssl) == 1; }

bool CFTLSSession::isIdle()
{
    ERR_clear_error();
    uint8_t probe;
    size_t moved = 0;
    if (SSL_peek_ex(m_ssl, &probe, 1, &moved) == 1)
        return false;
    return classify(0, "while idle") == Result::WantRead;
}

void CFTLSSession::shutdown()
{
    if (m_handshakeDone && !m_broken && !(SSL_get_shutdown(m_ssl) & SSL_SENT_SHUTDOWN)) {
        SSL_shutdown(m_ssl);
        ERR_clear_error();
    }
}

const CFStreamError& CFTLSSession::error() const
{
    static const CFStreamError none;
    return m_error ? *m_error : none;
}
