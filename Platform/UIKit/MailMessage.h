#pragma once

// A mail message as the composer holds it, and its text as it goes to the
// server: RFC 5322 with MIME, the body and each attachment in Base64.

#include "Platform/Foundation/Value.h"

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

    // The message as RFC 5322 text from `from`. Blind copies stay out of the
    // text: they travel only in the envelope.
    std::string render(const std::string& from) const;
};
