#pragma once

// TLS for the HTTP read stream: the settings a request gives its stream, the
// client identity it may present, and one client session over a connected,
// non-blocking socket. The session never blocks: each call says whether it
// needs the socket readable or writable before it can go on.

#include "Platform/Foundation/Value.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

struct CFStreamError;
struct ssl_st;
struct evp_pkey_st;
struct x509_st;

// A private key with its certificate, as a PKCS#12 file carries them.
class SecIdentity {
public:
    ~SecIdentity();
    SecIdentity(const SecIdentity&) = delete;
    SecIdentity& operator=(const SecIdentity&) = delete;

    // Null, with `error` set, when the data cannot be read with that passphrase
    // or holds no key and certificate.
    static std::shared_ptr<const SecIdentity> importPKCS12(
        const Data& data, const std::string& passphrase, std::string* error = nullptr);
    // The certificate's subject, one line ("CN=..., O=...").
    std::string subjectSummary() const;

private:
    friend class CFTLSSession;
    SecIdentity() = default;
    evp_pkey_st* m_key = nullptr;
    x509_st* m_certificate = nullptr;
    std::vector<x509_st*> m_chain;  // the certificates that came with it
};

struct CFStreamSSLSettings {
    bool validatesCertificateChain = true;
    bool allowsExpiredCertificates = false;
    bool allowsAnyRoot = false;
    bool checksPeerName = true;  // against the URL's host
    // Presented when the server asks; the further certificates (DER) go with it.
    std::shared_ptr<const SecIdentity> identity;
    std::vector<Data> certificates;

    // What a kept connection made with these settings may be reused for.
    std::string connectionKey() const;
};

class CFTLSSession {
public:
    enum class Result { Done, WantRead, WantWrite, Closed, Failed };

    ~CFTLSSession();
    CFTLSSession(const CFTLSSession&) = delete;
    CFTLSSession& operator=(const CFTLSSession&) = delete;

    // A session on `fd` for `host`; null with `error` set when the settings
    // cannot be applied (a further certificate that is not DER, say).
    static std::unique_ptr<CFTLSSession> create(
        int fd, const std::string& host, const CFStreamSSLSettings& settings, CFStreamError& error);

    Result handshake();
    // On Done `moved` is the count written or read (read: at least 1).
    Result write(const uint8_t* bytes, size_t length, size_t& moved);
    Result read(uint8_t* buffer, size_t length, size_t& moved);
    // Decrypted or undecrypted bytes the session holds that the socket will
    // not announce again.
    bool hasPending() const;
    // A kept connection is fit for another exchange: nothing waits on it and
    // the server has not closed it.
    bool isIdle();
    // Tells the server the session ends, without waiting for its answer.
    void shutdown();
    // The failure of the last call that answered Failed.
    const CFStreamError& error() const;
    // What the last call that could not finish waits for.
    bool wantsWrite() const { return m_wantsWrite; }

    // Roots used instead of the system's store (a PEM file), for a company
    // that runs its own authority; empty for the system store again.
    static void setTrustedRootsFile(std::string path);

private:
    CFTLSSession();
    Result classify(int rc, const char* during);

    ssl_st* m_ssl = nullptr;
    std::unique_ptr<CFStreamError> m_error;
    bool m_handshakeDone = false;
    bool m_wantsWrite = false;
    bool m_broken = false;  // after a fatal error the session may not even say goodbye
    bool m_checksCertificate = true;  // a failed handshake may blame the certificate only then
};
