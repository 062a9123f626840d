#include "Platform/UIKit/MailMessage.h"

#include "Platform/Foundation/Clock.h"
#include "Platform/Foundation/Hashing.h"

#include <gio/gio.h>

#include <algorithm>
#include <atomic>
#include <ctime>

namespace {

std::atomic<unsigned long> s_sequence { 0 };

bool isPlainAscii(const std::string& s)
{
    return std::all_of(s.begin(), s.end(), [](char c) {
        auto u = static_cast<unsigned char>(c);
        return u >= 0x20 && u < 0x7f;
    });
}

// A header value: plain when it is printable ASCII, else an encoded word.
std::string headerText(const std::string& s)
{
    if (isPlainAscii(s))
        return s;
    return "=?UTF-8?B?" + Hashing::base64Encode(s) + "?=";
}

// Header values never carry line breaks from the caller (no header injection).
std::string oneLine(std::string s)
{
    for (auto& c : s)
        if (c == '\r' || c == '\n')
            c = ' ';
    return s;
}

std::string joinAddresses(const std::vector<std::string>& list)
{
    std::string out;
    for (auto& a : list) {
        if (!out.empty())
            out += ", ";
        out += oneLine(a);
    }
    return out;
}

std::string wrapBase64(const std::string& b64)
{
    std::string out;
    for (size_t i = 0; i < b64.size(); i += 76) {
        out += b64.substr(i, 76);
        out += "\r\n";
    }
    return out;
}

std::string rfc5322Date()
{
    double t = Clock::wallNow().secondsSince1970;
    std::time_t secs = static_cast<std::time_t>(t);
    std::tm tm {};
    gmtime_r(&secs, &tm);
    char buf[64];
    std::strftime(buf, sizeof buf, "%a, %d %b %Y %H:%M:%S +0000", &tm);
    return buf;
}

// A file name from a caller as a MIME parameter: quotes and breaks dropped.
std::string safeParameter(const std::string& s)
{
    std::string out;
    for (char c : s)
        if (c != '"' && c != '\\' && c != '\r' && c != '\n')
            out += c;
    return headerText(out);
}

// Callers name types loosely ("pdf", "ppt"); a recipient's mail program
// needs a real MIME type to open the file, so a name without a slash is
// replaced by the type the file name says.
std::string mimeTypeOf(const MailAttachment& a)
{
    std::string type = oneLine(a.mimeType);
    if (type.find('/') != std::string::npos)
        return type;
    gboolean uncertain = FALSE;
    gchar* content = g_content_type_guess(a.fileName.c_str(), nullptr, 0, &uncertain);
    gchar* mime = content ? g_content_type_get_mime_type(content) : nullptr;
    std::string guessed = mime && !uncertain ? mime : "application/octet-stream";
    g_free(mime);
    g_free(content);
    return guessed;
}

}  // namespace

std::string MailMessage::render(const std::string& from) const
{
    const MailMessage& m = *this;
    auto at = from.rfind('@');
    std::string domain = at == std::string::npos ? "localhost" : oneLine(from.substr(at + 1));
    std::string boundary = "corvelle-boundary-" + std::to_string(s_sequence.fetch_add(1) + 1);
    std::string out;
    out += "From: " + oneLine(from) + "\r\n";
    if (!m.toRecipients.empty())
        out += "To: " + joinAddresses(m.toRecipients) + "\r\n";
    if (!m.ccRecipients.empty())
        out += "Cc: " + joinAddresses(m.ccRecipients) + "\r\n";
    out += "Subject: " + headerText(oneLine(m.subject)) + "\r\n";
    out += "Date: " + rfc5322Date() + "\r\n";
    out += "Message-ID: <" + Hashing::uuidString() + "@" + domain + ">\r\n";
    out += "MIME-Version: 1.0\r\n";
    out += "Content-Type: multipart/mixed; boundary=\"" + boundary + "\"\r\n\r\n";
    out += "--" + boundary + "\r\n";
    out += std::string("Content-Type: ") + (m.bodyIsHTML ? "text/html" : "text/plain") + "; charset=UTF-8\r\n";
    out += "Content-Transfer-Encoding: base64\r\n\r\n";
    out += wrapBase64(Hashing::base64Encode(m.body));
    for (auto& a : m.attachments) {
        out += "--" + boundary + "\r\n";
        std::string type = mimeTypeOf(a);
        out += "Content-Type: " + type + "; name=\"" + safeParameter(a.fileName) + "\"\r\n";
        out += "Content-Transfer-Encoding: base64\r\n";
        out += "Content-Disposition: attachment; filename=\"" + safeParameter(a.fileName) + "\"\r\n\r\n";
        out += wrapBase64(Hashing::base64Encode(a.data));
    }
    out += "--" + boundary + "--\r\n";
    return out;
}
