#pragma once

// A mail server on loopback for one test (tests/support/smtp_sink.py): it
// takes what is sent to it and keeps each message in a temporary folder,
// decoded by a MIME reader of its own, so a test sees what a recipient would.
// Modes: accept everything; refuse every recipient (550); or offer STARTTLS
// with a certificate made for the test and take nothing before it.
//
// ScopedMailAccount makes the process's mail account point at a sink (or at
// nothing at all) for its lifetime, through the environment, and puts the
// environment back afterwards.

#include "Platform/Foundation/Value.h"
#include "support/ChildProcess.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

class SmtpSink {
public:
    enum class Mode { Accept, Refuse, StartTLS };

    struct Attachment {
        std::string fileName;
        std::string contentType;
        Data data;
    };
    struct Received {
        std::string mailFrom;
        std::vector<std::string> recipients;  // the envelope's
        std::string from, to, cc, bcc, subject, body;
        bool overTLS = false;
        std::vector<Attachment> attachments;
    };

    explicit SmtpSink(Mode mode = Mode::Accept);
    ~SmtpSink();

    // False (with the reason in error()) when the server could not start.
    bool running() const { return m_port > 0; }
    const std::string& error() const { return m_error; }
    int port() const { return m_port; }
    std::string url() const { return "smtp://127.0.0.1:" + std::to_string(m_port); }
    // The certificate a client must trust in StartTLS mode.
    std::string certificate() const { return m_folder + "/cert.pem"; }
    // The messages taken so far, in order.
    std::vector<Received> received() const;

private:
    std::string m_folder;
    std::string m_error;
    int m_port = 0;
    std::unique_ptr<ChildProcess> m_server;
};

class ScopedMailAccount {
public:
    struct Settings {
        std::string url;
        std::string from = "sales01@corvelle.test";
        std::string startTLS;
        std::string caFile;
        std::string timeout;

        static Settings at(std::string url)
        {
            Settings s;
            s.url = std::move(url);
            return s;
        }
        Settings& withStartTLS(std::string v)
        {
            startTLS = std::move(v);
            return *this;
        }
        Settings& withCaFile(std::string v)
        {
            caFile = std::move(v);
            return *this;
        }
        Settings& withTimeout(std::string v)
        {
            timeout = std::move(v);
            return *this;
        }
    };
    // No account at all: no settings file, nothing in the environment.
    ScopedMailAccount();
    explicit ScopedMailAccount(const Settings& settings);
    explicit ScopedMailAccount(const std::string& url)
        : ScopedMailAccount(Settings::at(url))
    {
    }
    ~ScopedMailAccount();
    ScopedMailAccount(const ScopedMailAccount&) = delete;
    ScopedMailAccount& operator=(const ScopedMailAccount&) = delete;

    // An empty folder standing for the user's configuration folder.
    const std::string& configFolder() const { return m_config; }

private:
    std::vector<std::pair<std::string, std::optional<std::string>>> m_saved;
    std::string m_config;
    void set(const std::string& name, const std::string& value);
};
