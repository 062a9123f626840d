#pragma once

// Sending a message over SMTP through the user's mail account. The
// conversation runs on a worker thread so the interface keeps moving; the
// outcome comes back on the main queue: nothing for a message the server
// accepted for every recipient, else what went wrong.

#include "Platform/UIKit/MailAccount.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

class MailTransport {
public:
    using Completion = std::function<void(const std::optional<std::string>& error)>;

    // `message` is the whole RFC 5322 text; `recipients` the envelope's.
    static void send(
        const MailAccount& account, std::string message, std::vector<std::string> recipients, Completion completion);
    // The same on the calling thread, blocking until the server answers.
    static std::optional<std::string> sendNow(
        const MailAccount& account, const std::string& message, const std::vector<std::string>& recipients);
};
