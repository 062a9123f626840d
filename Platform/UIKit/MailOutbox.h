#pragma once

// The mail that leaves the device: each message is written as an RFC 5322
// file (MIME, with its attachments in Base64) into the "Outbox" folder of the
// application's home, where a person or a test can read it. Nothing is sent
// over the network.

#include "Platform/Foundation/Value.h"

#include <optional>
#include <string>
#include <vector>

struct MailAttachment {
    Data data;
    std::string mimeType;
    std::string fileName;
};

struct MailMessage {
    std::vector<std::string> toRecipients;
    std::vector<std::string> ccRecipients;
    std::vector<std::string> bccRecipients;
    std::string subject;
    std::string body;
    bool bodyIsHTML = false;
    std::vector<MailAttachment> attachments;
};

class MailOutbox {
public:
    static std::string outboxDirectory();
    // The message as RFC 5322 text from `from`. Blind copies stay out of the
    // text: they travel only in the envelope.
    static std::string render(const MailMessage& message, const std::string& from = "outbox@localhost");
    // Writes the message into the outbox; the path of the new file, or
    // nothing when it could not be written.
    static std::optional<std::string> write(const MailMessage& message);
    // A "mailto:" link (recipients, subject, body, cc) as a draft in the outbox.
    static std::optional<std::string> writeDraftFromMailtoURL(const std::string& url);
    // The files in the outbox, oldest first.
    static std::vector<std::string> messages();
};
