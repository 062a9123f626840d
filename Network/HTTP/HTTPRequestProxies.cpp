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
// Proxies

bool HTTPRequest::configureProxies()
{
    if (isPACFileRequest || !proxyHost.empty() || proxyPort)
        return true;
    if (!PACurl) {
        auto proxies = CFNetworkCopyProxiesForURL(m_url, CFNetworkCopySystemProxySettings());
        if (!proxies) {
            m_readStream = nullptr;
            failWithError(HTTPError::make(HTTPInternalErrorWhileBuildingRequestType,
                "Unable to obtain information on proxy servers needed for request"));
            return false;
        }
        if (proxies->empty())
            return true;
        const auto& first = proxies->front();
        if (first.type == kCFProxyTypeAutoConfigurationURL && first.autoConfigurationURL) {
            PACurl = first.autoConfigurationURL;
        } else {
            if (first.type != kCFProxyTypeNone) {
                proxyHost = first.host;
                proxyPort = first.port;
                proxyType = first.type;
            }
            return true;
        }
    }
    // A local script is read at once (a file does not keep the thread
    // waiting). A remote one is fetched by its own request: a synchronous
    // request waits for it, any other carries on when it has arrived.
    if (PACurl->isFileURL()) {
        if (auto data = NSFileManager::defaultManager().contentsAtPath(PACurl->decodedPath())) {
            std::string bytes(data->begin(), data->end());
            auto text = TextEncoding::decode(bytes, NSUTF8StringEncoding);
            if (!text)
                text = TextEncoding::decode(bytes, NSISOLatin1StringEncoding);
            runPACScript(text);
        }
        return true;
    }
    std::string scheme = NSString::lowercaseASCII(PACurl->scheme());
    if (scheme != "http" && scheme != "https")
        return true;
    auto fetch = std::make_shared<HTTPRequest>(*PACurl);
    fetch->isPACFileRequest = true;
    fetch->timeOutSeconds = timeOutSeconds.load();
    if (m_isSynchronous) {
        fetch->startSynchronous();
        if (!fetch->error())
            runPACScript(fetch->responseString());
        return true;
    }
    m_PACFileRequest = fetch;
    fetch->setQueuePriority(NSOperationQueuePriorityHigh);
    auto weak = weakSelf<HTTPRequest>();
    // The script request reports while holding its own lock; this request's
    // lock is taken only after that one is released, on a later turn.
    auto finished = [weak] {
        threadForRequest(nullptr)->performBlock(
            [weak] {
                if (auto me = weak.lock())
                    me->finishedDownloadingPACFile();
            },
            false);
    };
    fetch->setCompletionBlock(finished);
    fetch->setFailedBlock(finished);
    {
        // The script request needs a place of its own while this one holds one.
        std::lock_guard pool(classState().connectionPoolLock);
        auto queue = sharedQueue();
        queue->setMaxConcurrentOperationCount(queue->maxConcurrentOperationCount() + 1);
    }
    fetch->startAsynchronous();
    return false;
}

void HTTPRequest::finishedDownloadingPACFile()
{
    {
        std::lock_guard pool(classState().connectionPoolLock);
        auto queue = sharedQueue();
        queue->setMaxConcurrentOperationCount(queue->maxConcurrentOperationCount() - 1);
    }
    std::unique_lock lock(m_cancelledLock);
    auto fetch = std::move(m_PACFileRequest);
    m_PACFileRequest = nullptr;
    if (!fetch || m_cancelled || m_complete)
        return;
    if (!fetch->error())
        runPACScript(fetch->responseString());
    startRequest();
}

void HTTPRequest::runPACScript(const std::optional<std::string>& script)
{
    if (!script || script->empty())
        return;
    auto proxies = CFNetworkCopyProxiesForAutoConfigurationScript(*script, m_url, timeOutSeconds.load());
    if (proxies && !proxies->empty() && proxies->front().type != kCFProxyTypeNone) {
        proxyHost = proxies->front().host;
        proxyPort = proxies->front().port;
        proxyType = proxies->front().type;
    }
}
