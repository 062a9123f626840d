#pragma once

// The credentials sheet's logic: one sheet at a time, further requests wait in
// a class-level list, and one answer goes to every waiting request for the same
// server (or proxy) and realm. The sheet's view belongs to the interface layer;
// what it shows (title, prompt, sections, footer) and what its two buttons do
// are here.

#include <memory>
#include <optional>
#include <string>
#include <vector>

class HTTPRequest;

class HTTPAuthenticationDialog {
public:
    enum Type { ServerCredentials = 0, ProxyCredentials = 1 };

    static void presentAuthenticationDialogForRequest(const std::shared_ptr<HTTPRequest>& request);
    // The sheet on screen, if any.
    static std::shared_ptr<HTTPAuthenticationDialog> currentDialog();
    static size_t waitingRequestCount();

    const std::shared_ptr<HTTPRequest>& request() const { return m_request; }
    Type type() const { return m_type; }

    std::string title() const;
    // Shown only while the device is upright.
    std::optional<std::string> prompt(bool portrait) const;
    int numberOfSections() const;
    std::string footerTitle() const;

    // The two buttons; empty fields give empty strings.
    void loginWithCredentials(const std::string& user, const std::string& password, const std::string& domain);
    void cancelAuthentication();
    std::vector<std::shared_ptr<HTTPRequest>> requestsRequiringTheseCredentials() const;

private:
    void dismiss();
    bool isNTLM() const;

    std::shared_ptr<HTTPRequest> m_request;
    Type m_type = ServerCredentials;
};
