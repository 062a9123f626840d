#include "Platform/UIKit/MailTransport.h"

#include "Platform/Foundation/Dispatch.h"

#include <curl/curl.h>

#include <cstring>
#include <memory>
#include <mutex>

namespace {

struct Reader {
    const std::string* text;
    size_t offset = 0;
};

size_t readMessage(char* buffer, size_t size, size_t count, void* user)
{
    auto* reader = static_cast<Reader*>(user);
    size_t n = std::min(size * count, reader->text->size() - reader->offset);
    std::memcpy(buffer, reader->text->data() + reader->offset, n);
    reader->offset += n;
    return n;
}

struct EasyDeleter {
    void operator()(CURL* c) const { curl_easy_cleanup(c); }
};
struct ListDeleter {
    void operator()(curl_slist* l) const { curl_slist_free_all(l); }
};

// An address the envelope can carry: no line breaks or angle brackets that
// would let it speak a command of its own.
bool isEnvelopeAddress(const std::string& a)
{
    return !a.empty() && a.find('@') != std::string::npos && a.find_first_of("\r\n<> \t") == std::string::npos;
}

}  // namespace

std::optional<std::string> MailTransport::sendNow(
    const MailAccount& account, const std::string& message, const std::vector<std::string>& recipients)
{
    static std::once_flag initialised;
    std::call_once(initialised, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
    if (recipients.empty())
        return std::string("The message has no recipient");
    std::unique_ptr<curl_slist, ListDeleter> envelope;
    for (auto& r : recipients) {
        if (!isEnvelopeAddress(r))
            return "\"" + r + "\" is not a mail address";
        curl_slist* grown = curl_slist_append(envelope.get(), ("<" + r + ">").c_str());
        if (!grown)
            return std::string("Out of memory");
        (void)envelope.release();
        envelope.reset(grown);
    }
    std::unique_ptr<CURL, EasyDeleter> curl(curl_easy_init());
    if (!curl)
        return std::string("The mail connection could not be made");
    char errorText[CURL_ERROR_SIZE] = {};
    Reader reader { &message };
    std::string from = "<" + account.from + ">";
    CURL* c = curl.get();
    curl_easy_setopt(c, CURLOPT_URL, account.url.c_str());
    curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "smtp,smtps");
    curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(c, CURLOPT_ERRORBUFFER, errorText);
    curl_easy_setopt(c, CURLOPT_MAIL_FROM, from.c_str());
    curl_easy_setopt(c, CURLOPT_MAIL_RCPT, envelope.get());
    curl_easy_setopt(c, CURLOPT_UPLOAD, 1L);
    curl_easy_setopt(c, CURLOPT_READFUNCTION, readMessage);
    curl_easy_setopt(c, CURLOPT_READDATA, &reader);
    curl_easy_setopt(c, CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(message.size()));
    if (account.startTLS)
        curl_easy_setopt(c, CURLOPT_USE_SSL, static_cast<long>(CURLUSESSL_ALL));
    if (!account.caFile.empty())
        curl_easy_setopt(c, CURLOPT_CAINFO, account.caFile.c_str());
    if (!account.user.empty()) {
        curl_easy_setopt(c, CURLOPT_USERNAME, account.user.c_str());
        curl_easy_setopt(c, CURLOPT_PASSWORD, account.password.c_str());
    }
    // A server that stops answering ends the attempt instead of holding it forever.
    curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT, account.timeoutSeconds);
    curl_easy_setopt(c, CURLOPT_SERVER_RESPONSE_TIMEOUT, account.timeoutSeconds);
    curl_easy_setopt(c, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(c, CURLOPT_LOW_SPEED_TIME, account.timeoutSeconds);
    CURLcode result = curl_easy_perform(c);
    if (result == CURLE_OK)
        return std::nullopt;
    std::string why = errorText[0] ? errorText : curl_easy_strerror(result);
    return "The mail server did not take the message: " + why;
}

void MailTransport::send(
    const MailAccount& account, std::string message, std::vector<std::string> recipients, Completion completion)
{
    dispatch_async(dispatch_get_global_queue(DISPATCH_QUEUE_PRIORITY_DEFAULT, 0),
        [account, message = std::move(message), recipients = std::move(recipients),
            completion = std::move(completion)] {
            auto error = sendNow(account, message, recipients);
            dispatch_async(dispatch_get_main_queue(), [completion, error] {
                if (completion)
                    completion(error);
            });
        });
}
