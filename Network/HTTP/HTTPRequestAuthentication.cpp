#include "Network/HTTP/HTTPRequestClassState.h"

#include "Network/HTTP/HTTPAuthenticationDialog.h"
#include "Network/HTTP/HTTPDataCompressor.h"
#include "Network/HTTP/HTTPInputStream.h"
#include "Network/HTTP/Reachability.h"
#include "Platform/CFNetwork/CFProxySupport.h"
#include "Platform/CFNetwork/MIMETypes.h"
#include "Platform/CFNetwork/NSURLCredentialStorage.h"
#include "Platform/Foundation/Clock.h"
#include "Platform/Foundation/Format.h"
#include "Platform/Foundation/Hashing.h"
#include "Platform/Foundation/NSBundle.h"
#include "Platform/Foundation/NSFileManager.h"
#include "Platform/Foundation/NSNotificationCenter.h"
#include "Platform/Foundation/NSPathUtilities.h"
#include "Platform/Foundation/NSString.h"
#include "Platform/Foundation/NSThread.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstring>
#include <sys/utsname.h>

using namespace HTTPRequestDetail;

// ---------------------------------------------------------------------------
// Authentication

void HTTPRequest::applyAuthorizationHeader()
{
    if (!shouldPresentCredentialsBeforeChallenge)
        return;
    if (!m_requestHeaders.contains("Authorization")) {
        if (!username.empty() && !password.empty() && authenticationScheme == kCFHTTPAuthenticationSchemeBasic) {
            addBasicAuthenticationHeaderWithUsernameAndPassword(username, password);
        } else if (useSessionPersistence) {
            // NTLM proves itself on one connection only: nothing to send ahead.
            if (auto entry = findSessionAuthenticationCredentials();
                entry && entry->authenticationScheme != kCFHTTPAuthenticationSchemeNTLM) {
                if (entry->authentication) {
                    if (entry->authentication->applyCredentials(
                            *m_request, entry->credentials->username, entry->credentials->password))
                        authenticationScheme = entry->authenticationScheme;
                    else
                        removeAuthenticationCredentialsFromSessionStore(entry->credentials);
                } else {
                    addBasicAuthenticationHeaderWithUsernameAndPassword(
                        entry->credentials->username, entry->credentials->password);
                }
            }
        }
    }
    if (useSessionPersistence) {
        if (auto entry = findSessionProxyAuthenticationCredentials();
            entry && entry->authenticationScheme != kCFHTTPAuthenticationSchemeNTLM) {
            if (!entry->authentication
                || !entry->authentication->applyCredentials(
                    *m_request, entry->credentials->username, entry->credentials->password))
                removeProxyAuthenticationCredentialsFromSessionStore(entry->credentials);
        }
    }
}

void HTTPRequest::addBasicAuthenticationHeaderWithUsernameAndPassword(const std::string& user, const std::string& pass)
{
    std::string pair = stringWithFormat("%@:%@", user, pass);
    addRequestHeader("Authorization", stringWithFormat("Basic %@", base64forData(Data(pair.begin(), pair.end()))));
    authenticationScheme = kCFHTTPAuthenticationSchemeBasic;
}

HTTPCredentialsRef HTTPRequest::findCredentials()
{
    std::optional<std::pair<std::string, std::string>> found;
    if (m_url.user() && m_url.password())
        found = std::make_pair(*m_url.user(), *m_url.password());
    if (!found) {
        if (auto main = mainRequest.lock(); main && !main->username.empty() && !main->password.empty())
            found = std::make_pair(main->username, main->password);
    }
    if (!found && !username.empty() && !password.empty())
        found = std::make_pair(username, password);
    if (!found && useKeychainPersistence) {
        if (auto saved = savedCredentialsForHostPortProtocolRealm(
                m_url.host(), m_url.port().value_or(0), m_url.scheme(), authenticationRealm))
            found = std::make_pair(saved->username, saved->password);
    }
    if (!found)
        return nullptr;
    auto credentials = std::make_shared<HTTPCredentials>();
    credentials->username = found->first;
    credentials->password = found->second;
    if (m_requestAuthentication && m_requestAuthentication->requiresAccountDomain()) {
        std::string accountDomain = domain;
        if (accountDomain.empty()) {
            size_t slash = credentials->username.find('\\');
            if (slash != std::string::npos && credentials->username.find('\\', slash + 1) == std::string::npos) {
                accountDomain = credentials->username.substr(0, slash);
                credentials->username = credentials->username.substr(slash + 1);
            }
        }
        credentials->accountDomain = accountDomain;
    }
    return credentials;
}

HTTPCredentialsRef HTTPRequest::findProxyCredentials()
{
    std::optional<std::pair<std::string, std::string>> found;
    if (auto main = mainRequest.lock(); main && !main->proxyUsername.empty() && !main->proxyPassword.empty())
        found = std::make_pair(main->proxyUsername, main->proxyPassword);
    if (!found && !proxyUsername.empty() && !proxyPassword.empty())
        found = std::make_pair(proxyUsername, proxyPassword);
    if (!found && proxyAuthenticationScheme == kCFHTTPAuthenticationSchemeNTLM && !username.empty()
        && !password.empty())
        found = std::make_pair(username, password);
    if (!found) {
        if (auto saved
            = savedCredentialsForProxyPortProtocolRealm(proxyHost, proxyPort, m_url.scheme(), proxyAuthenticationRealm))
            found = std::make_pair(saved->username, saved->password);
    }
    if (!found)
        return nullptr;
    auto credentials = std::make_shared<HTTPCredentials>(HTTPCredentials { found->first, found->second, std::nullopt });
    if (m_proxyAuthentication && m_proxyAuthentication->requiresAccountDomain()) {
        std::string accountDomain = proxyDomain;
        size_t slash = credentials->username.find('\\');
        if (accountDomain.empty() && slash != std::string::npos
            && credentials->username.find('\\', slash + 1) == std::string::npos) {
            accountDomain = credentials->username.substr(0, slash);
            credentials->username = credentials->username.substr(slash + 1);
        }
        if (accountDomain.empty())
            accountDomain = domain;
        credentials->accountDomain = accountDomain;
    }
    return credentials;
}

bool HTTPRequest::applyCredentials(const HTTPCredentialsRef& credentials)
{
    m_authenticationRetryCount++;
    if (!credentials || !m_requestAuthentication || !m_request)
        return false;
    if (!m_requestAuthentication->applyCredentials(
            *m_request, credentials->username, credentials->password, credentials->accountDomain.value_or(""))) {
        removeAuthenticationCredentialsFromSessionStore(credentials);
        return false;
    }
    if (useKeychainPersistence)
        saveCredentialsForHostPortProtocolRealm(
            *credentials, m_url.host(), m_url.port().value_or(0), m_url.scheme(), authenticationRealm);
    if (useSessionPersistence) {
        auto entry = std::make_shared<HTTPSessionCredentials>();
        entry->authentication = m_requestAuthentication;
        entry->credentials = credentials;
        entry->url = m_url;
        entry->authenticationScheme = authenticationScheme;
        entry->authenticationRealm = authenticationRealm;
        storeAuthenticationCredentialsInSessionStore(entry);
    }
    m_requestCredentials = credentials;
    return true;
}

bool HTTPRequest::applyProxyCredentials(const HTTPCredentialsRef& credentials)
{
    m_proxyAuthenticationRetryCount++;
    if (!credentials || !m_proxyAuthentication || !m_request)
        return false;
    if (!m_proxyAuthentication->applyCredentials(
            *m_request, credentials->username, credentials->password, credentials->accountDomain.value_or(""))) {
        removeProxyAuthenticationCredentialsFromSessionStore(credentials);
        return false;
    }
    if (useKeychainPersistence)
        saveCredentialsForProxyPortRealm(*credentials, proxyHost, proxyPort, proxyAuthenticationRealm);
    if (useSessionPersistence) {
        auto entry = std::make_shared<HTTPSessionCredentials>();
        entry->authentication = m_proxyAuthentication;
        entry->credentials = credentials;
        entry->host = proxyHost;
        entry->port = proxyPort;
        entry->authenticationScheme = proxyAuthenticationScheme;
        storeProxyAuthenticationCredentialsInSessionStore(entry);
    }
    m_proxyCredentials = credentials;
    return true;
}

bool HTTPRequest::willAskDelegateForCredentials()
{
    if (m_isSynchronous)
        return false;
    std::shared_ptr<HTTPRequestDelegate> receiver = delegate();
    if (!receiver)
        receiver = queue();
    bool answers = receiver && receiver->respondsToSelector(HTTPSelector::authenticationNeededForRequest);
    if (!answers && !m_authenticationNeededBlock)
        return false;
    auto me = protect<HTTPRequest>();
    postToMainThread([me, receiver, answers] {
        if (answers)
            receiver->authenticationNeededForRequest(me);
        else if (me->m_authenticationNeededBlock)
            me->m_authenticationNeededBlock();
    });
    return true;
}

bool HTTPRequest::willAskDelegateForProxyCredentials()
{
    if (m_isSynchronous)
        return false;
    std::shared_ptr<HTTPRequestDelegate> receiver = delegate();
    if (!receiver)
        receiver = queue();
    bool answers = receiver && receiver->respondsToSelector(HTTPSelector::proxyAuthenticationNeededForRequest);
    if (!answers && !m_proxyAuthenticationNeededBlock)
        return false;
    auto me = protect<HTTPRequest>();
    postToMainThread([me, receiver, answers] {
        if (answers)
            receiver->proxyAuthenticationNeededForRequest(me);
        else if (me->m_proxyAuthenticationNeededBlock)
            me->m_proxyAuthenticationNeededBlock();
    });
    return true;
}

void HTTPRequest::retryUsingSuppliedCredentials()
{
    auto me = protect<HTTPRequest>();
    threadForRequest(this)->performBlock(
        [me] {
            if (me->m_request)
                me->attemptToApplyCredentialsAndResume();
            else
                me->main();
        },
        false);
}

void HTTPRequest::cancelAuthentication()
{
    auto me = protect<HTTPRequest>();
    threadForRequest(this)->performBlock([me] { me->failAuthentication(); }, false);
}

void HTTPRequest::failAuthentication()
{
    std::lock_guard lock(m_cancelledLock);
    failWithError(sharedError(HTTPAuthenticationErrorType));
}

// The server and the proxy answer their challenges by the same steps, each
// with its own fields, finders, session store, delegate question and dialog.
struct HTTPRequest::ChallengeSide {
    bool proxy;
    std::shared_ptr<CFHTTPAuthentication>& authentication;
    HTTPCredentialsRef& credentials;
    std::string& scheme;
    std::optional<std::string>& realm;
};

HTTPRequest::ChallengeSide HTTPRequest::challengeSide(bool proxy)
{
    if (proxy)
        return { true, m_proxyAuthentication, m_proxyCredentials, proxyAuthenticationScheme, proxyAuthenticationRealm };
    return { false, m_requestAuthentication, m_requestCredentials, authenticationScheme, authenticationRealm };
}

void HTTPRequest::attemptToApplyCredentialsAndResume()
{
    if (error() || isCancelled())
        return;
    resumeWithChallengeCredentials(challengeSide(m_authenticationNeeded == HTTPProxyAuthenticationNeeded));
}

void HTTPRequest::attemptToApplyProxyCredentialsAndResume()
{
    if (error() || isCancelled())
        return;
    resumeWithChallengeCredentials(challengeSide(true));
}

void HTTPRequest::resumeWithChallengeCredentials(ChallengeSide side)
{
    auto find = [&] { return side.proxy ? findProxyCredentials() : findCredentials(); };
    auto apply
        = [&](const HTTPCredentialsRef& c) { return side.proxy ? applyProxyCredentials(c) : applyCredentials(c); };
    auto session = [&] {
        return side.proxy ? findSessionProxyAuthenticationCredentials() : findSessionAuthenticationCredentials();
    };
    auto forget = [&](const HTTPCredentialsRef& c) {
        if (side.proxy)
            removeProxyAuthenticationCredentialsFromSessionStore(c);
        else
            removeAuthenticationCredentialsFromSessionStore(c);
    };
    auto ask = [&] {
        return side.proxy ? willAskDelegateForProxyCredentials() || showProxyAuthenticationDialog()
                          : willAskDelegateForCredentials() || showAuthenticationDialog();
    };
    const char* applyFailure
        = side.proxy ? "Failed to apply proxy credentials to request" : "Failed to apply credentials to request";

    auto response = m_readStream ? m_readStream->responseHeader() : nullptr;
    if (!side.authentication) {
        if (response)
            side.authentication = CFHTTPAuthentication::createFromResponse(*response);
        if (!side.authentication) {
            cancelLoad();
            failWithError(HTTPError::make(HTTPInternalErrorWhileApplyingCredentialsType,
                "Failed to get authentication object from response headers"));
            return;
        }
        side.scheme = side.authentication->method();
    } else if (response) {
        side.authentication->updateFromResponse(*response);
    }
    side.realm.reset();
    if (!side.authentication->requiresAccountDomain())
        side.realm = side.authentication->realm();
    long reason = 0;
    if (!side.authentication->isValid(&reason)) {
        side.authentication = nullptr;
        if (reason == kCFStreamErrorHTTPAuthenticationBadUserName
            || reason == kCFStreamErrorHTTPAuthenticationBadPassword) {
            std::unique_lock prompt(classState().authPromptLock);
            if (side.credentials) {
                forget(side.credentials);
                side.credentials = nullptr;
            }
            if (error() || isCancelled())
                return;
            if (useSessionPersistence) {
                if (auto entry = session()) {
                    if (response)
                        side.authentication = CFHTTPAuthentication::createFromResponse(*response);
                    if (apply(entry->credentials)) {
                        prompt.unlock();
                        cancelLoad();
                        startRequest();
                        return;
                    }
                }
            }
            m_lastActivityTime.reset();
            if (response && !side.authentication)
                side.authentication = CFHTTPAuthentication::createFromResponse(*response);
            if (ask()) {
                cancelLoad();
                return;
            }
            prompt.unlock();
            cancelLoad();
            failWithError(sharedError(HTTPAuthenticationErrorType));
            return;
        }
        cancelLoad();
        failWithError(sharedError(HTTPAuthenticationErrorType));
        return;
    }
    cancelLoad();
    if (side.credentials) {
        // NTLM's answer goes once: a second challenge after it is a refusal.
        int tries = side.proxy ? m_proxyAuthenticationRetryCount : m_authenticationRetryCount;
        if (side.scheme == kCFHTTPAuthenticationSchemeNTLM && tries > 1) {
            failWithError(tries == 2 ? sharedError(HTTPAuthenticationErrorType)
                                     : HTTPError::make(HTTPInternalErrorWhileApplyingCredentialsType, applyFailure));
            return;
        }
        if (!apply(side.credentials)) {
            failWithError(HTTPError::make(HTTPInternalErrorWhileApplyingCredentialsType, applyFailure));
            return;
        }
        startRequest();
        return;
    }
    if (!side.authentication->requiresUserNameAndPassword())
        return;
    std::unique_lock prompt(classState().authPromptLock);
    if (error() || isCancelled())
        return;
    if (useSessionPersistence) {
        if (auto entry = session(); entry && apply(entry->credentials)) {
            prompt.unlock();
            startRequest();
            return;
        }
    }
    auto credentials = find();
    if (!credentials) {
        if (ask())
            return;
        prompt.unlock();
        failWithError(sharedError(HTTPAuthenticationErrorType));
        return;
    }
    bool applied = apply(credentials);
    prompt.unlock();
    if (applied)
        startRequest();
    else
        failWithError(HTTPError::make(HTTPInternalErrorWhileApplyingCredentialsType, applyFailure));
}

bool HTTPRequest::showAuthenticationDialog()
{
    if (m_isSynchronous || !shouldPresentAuthenticationDialog)
        return false;
    auto me = protect<HTTPRequest>();
    onMainThread([me] { HTTPAuthenticationDialog::presentAuthenticationDialogForRequest(me); });
    return true;
}

bool HTTPRequest::showProxyAuthenticationDialog()
{
    if (m_isSynchronous || !shouldPresentProxyAuthenticationDialog)
        return false;
    auto me = protect<HTTPRequest>();
    onMainThread([me] { HTTPAuthenticationDialog::presentAuthenticationDialogForRequest(me); });
    return true;
}
