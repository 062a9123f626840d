#pragma once

// The user's own mail account, through which the composer sends. It is read
// afresh on each question from two places, the environment winning key by
// key over the settings file:
//
//   $XDG_CONFIG_HOME/corvelle/mail.conf (else ~/.config/corvelle/mail.conf),
//   lines of "key = value", "#" starting a comment;
//   CORVELLE_SMTP_URL, CORVELLE_SMTP_FROM, CORVELLE_SMTP_USER,
//   CORVELLE_SMTP_PASSWORD, CORVELLE_SMTP_STARTTLS, CORVELLE_SMTP_CAFILE,
//   CORVELLE_SMTP_TIMEOUT.
//
// Keys: url ("smtp://host:port" or "smtps://host:port"), from (the sender's
// address), user and password (when the server wants a login), starttls
// ("yes": the plain connection must be upgraded to TLS or nothing is sent),
// cafile (certificates to trust for a server the system's do not vouch for),
// timeout (seconds a stalled server is given; 60 when absent). An account
// without a usable url or from is no account: mail cannot be sent.

#include <optional>
#include <string>

struct MailAccount {
    std::string url;
    std::string from;
    std::string user;
    std::string password;
    bool startTLS = false;
    std::string caFile;
    long timeoutSeconds = 60;

    static std::optional<MailAccount> configured();
    static std::string settingsPath();
    // Why configured() has no account, for the log; empty when it has one.
    static std::string problem();
};
