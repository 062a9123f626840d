#include "ProcessReset.h"

#include "Classes/Customer/CustomerDataModel.h"
#include "Classes/Frame/ImageLoadQueueManager.h"
#include "Classes/Frame/Language.h"
#include "Classes/Frame/LanguageManager.h"
#include "Classes/Frame/MessageBox.h"
#include "Classes/Frame/SkinManager.h"
#include "Classes/Library/PdfThumbCache.h"
#include "Classes/Library/PdfThumbQueue.h"
#include "Classes/Library/PdfThumbRender.h"
#include "Classes/Library/SaleslibraryModel.h"
#include "Classes/Frame/QuoteOrderStore.h"
#include "Classes/QuoteOrder/QuoteOrderThumbnailCache.h"
#include "Database/ConfigManager.h"
#include "Database/DataAccessManager.h"
#include "Network/HTTP/HTTPAuthenticationDialog.h"
#include "Network/Protocol/LoginMode.h"
#include "Network/Protocol/SyncModel.h"
#include "Network/Protocol/ProtocolServices.h"
#include "Network/Protocol/SessionServices.h"
#include "Platform/Foundation/NSOperationQueue.h"
#include "Platform/UIKit/UIApplication.h"
#include "Platform/UIKit/UIResponder.h"

#include <utility>
#include <vector>

namespace {

struct Reset {
    std::string name;
    std::function<void()> reset;
};

// The process-wide state of the system, in the order it is released: the
// session and what hangs off it first, the language and the application last.
const std::vector<Reset>& builtInResets()
{
    static const std::vector<Reset> resets {
        { "message boxes", [] { MessageBox::resetSharedInstance(); } },
        { "synchronisation", [] { SyncModel::freeInstance(); } },
        { "library downloads", [] { SaleslibraryModel::freeInstance(); } },
        { "session", [] { LoginMode::freeInstance(); } },
        { "configuration", [] { ConfigManager::freeInstance(); } },
        { "customer cache", [] { CustomerDataModel::freeInstance(); } },
        { "image hand-overs", [] { ImageLoadQueueManager::resetSharedInstance(); } },
        // Emptying the cache also drops the reads its serial queue still has under way.
        { "order thumbnails",
            [] {
                QuoteOrderThumbnailCache::sharedInstance().forgetImagePaths();
                QuoteOrderThumbnailCache::sharedInstance().removeAllObjects();
            } },
        // The reading and rendering queues finish (or drop) their work first,
        // so none of it lands in the next test's cache or home.
        { "document thumbnail queues",
            [] {
                auto& queues = PdfThumbQueue::sharedInstance();
                queues.cancelAllOperations();
                queues.loadQueue()->waitUntilAllOperationsAreFinished();
                queues.workQueue()->waitUntilAllOperationsAreFinished();
            } },
        { "document thumbnails", [] { PdfThumbCache::sharedInstance().removeAllObjects(); } },
        { "thumbnail document", [] { PdfThumbRender::closeKeptDocument(); } },
        { "quote-order store", [] { QuoteOrderStore::freeInstance(); } },
        { "data access", [] { DataAccessManager::releaseDataModel(); } },
        { "skin", [] { SkinManager::resetSharedInstance(); } },
        { "session services", [] { SessionServices::services() = SessionServices::Services(); } },
        { "protocol services", [] { ProtocolServices::services() = ProtocolServices::Services(); } },
        { "language",
            [] {
                LanguageManager::resetSharedInstance();
                Language::resetLanguageCache();
            } },
        { "credentials sheets", [] { HTTPAuthenticationDialog::resetClassState(); } },
        { "first responder",
            [] {
                if (auto r = UIResponder::currentFirstResponder())
                    r->resignFirstResponder();
            } },
        { "application", [] { UIApplication::resetSharedApplication(); } },
    };
    return resets;
}

std::vector<Reset>& addedResets()
{
    static std::vector<Reset> resets;
    return resets;
}

}  // namespace

void resetProcessState()
{
    for (const Reset& r : builtInResets())
        r.reset();
    for (const Reset& r : addedResets())
        r.reset();
}

void addProcessReset(const std::string& name, std::function<void()> reset)
{
    for (Reset& r : addedResets()) {
        if (r.name == name) {
            r.reset = std::move(reset);
            return;
        }
    }
    addedResets().push_back({ name, std::move(reset) });
}
