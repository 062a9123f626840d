#include "Network/HTTP/HTTPAuthenticationDialog.h"

#include "Network/HTTP/HTTPRequest.h"
#include "Platform/Foundation/NSThread.h"

#include <mutex>

namespace {
struct DialogState {
    std::recursive_mutex lock;
    std::shared_ptr<HTTPAuthenticationDialog> current;
    std::vector<std::shared_ptr<HTTPRequest>> waiting;
};
DialogState& state()
{
    static DialogState s;
    return s;
}
}  // namespace

void HTTPAuthenticationDialog::presentAuthenticationDialogForRequest(const std::shared_ptr<HTTPRequest>& request)
{
    auto& s = state();
    std::lock_guard lock(s.lock);
    if (s.current) {
        s.waiting.push_back(request);
        return;
    }
    auto dialog = std::make_shared<HTTPAuthenticationDialog>();
    dialog->m_request = request;
    dialog->m_type = request->authenticationNeeded() == HTTPProxyAuthenticationNeeded ? ProxyCredentials
                                                                                       : ServerCredentials;
    s.current = dialog;
}

std::shared_ptr<HTTPAuthenticationDialog> HTTPAuthenticationDialog::currentDialog()
{
    std::lock_guard lock(state().lock);
    return state().current;
}

size_t HTTPAuthenticationDialog::waitingRequestCount()
{
    std::lock_guard lock(state().lock);
    return state().waiting.size();
}

std::string HTTPAuthenticationDialog::title() const
{
    return m_type == ProxyCredentials ? m_request->proxyHost : m_request->url().host();
}

std::optional<std::string> HTTPAuthenticationDialog::prompt(bool portrait) const
{
    if (!portrait)
        return std::nullopt;
    return m_type == ProxyCredentials ? "Login to this secure proxy server." : "Login to this secure server.";
}

bool HTTPAuthenticationDialog::isNTLM() const
{
    const std::string& scheme = m_type == ProxyCredentials ? m_request->proxyAuthenticationScheme
                                                           : m_request->authenticationScheme;
    return scheme == kCFHTTPAuthenticationSchemeNTLM;
}

int HTTPAuthenticationDialog::numberOfSections() const
{
    return isNTLM() ? 2 : 1;
}

std::string HTTPAuthenticationDialog::footerTitle() const
{
    if (m_request->authenticationScheme == kCFHTTPAuthenticationSchemeBasic && m_request->url().scheme() != "https")
        return "Password will be sent in the clear.";
    return "Password will be sent securely.";
}

std::vector<std::shared_ptr<HTTPRequest>> HTTPAuthenticationDialog::requestsRequiringTheseCredentials() const
{
    std::vector<std::shared_ptr<HTTPRequest>> found;
    CFURL mine = m_request->url();
    std::lock_guard lock(state().lock);
    for (auto& other : state().waiting) {
        CFURL theirs = other->url();
        if (other->authenticationNeeded() != m_request->authenticationNeeded() || theirs.host() != mine.host()
            || theirs.scheme() != mine.scheme())
            continue;
        if (theirs.port() != mine.port())
            continue;
        if (other->authenticationRealm != m_request->authenticationRealm)
            continue;
        found.push_back(other);
    }
    found.push_back(m_request);
    return found;
}

void HTTPAuthenticationDialog::loginWithCredentials(const std::string& user, const std::string& password,
                                                    const std::string& domain)
{
    for (auto& request : requestsRequiringTheseCredentials()) {
        if (m_type == ProxyCredentials) {
            request->proxyUsername = user;
            request->proxyPassword = password;
            if (isNTLM())
                request->proxyDomain = domain;
        } else {
            request->username = user;
            request->password = password;
            if (isNTLM())
                request->domain = domain;
        }
        request->retryUsingSuppliedCredentials();
        std::lock_guard lock(state().lock);
        std::erase(state().waiting, request);
    }
    dismiss();
}

void HTTPAuthenticationDialog::cancelAuthentication()
{
    for (auto& request : requestsRequiringTheseCredentials()) {
        request->cancelAuthentication();
        std::lock_guard lock(state().lock);
        std::erase(state().waiting, request);
    }
    dismiss();
}

void HTTPAuthenticationDialog::dismiss()
{
    std::shared_ptr<HTTPRequest> next;
    {
        auto& s = state();
        std::lock_guard lock(s.lock);
        if (s.current.get() == this)
            s.current = nullptr;
        if (!s.waiting.empty()) {
            next = s.waiting.front();
            s.waiting.erase(s.waiting.begin());
        }
    }
    // The next waiting request gets its own sheet once this one has gone.
    if (next)
        presentAuthenticationDialogForRequest(next);
}
