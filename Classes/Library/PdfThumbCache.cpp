#include "Classes/Library/PdfThumbCache.h"

#include "Classes/Library/PdfThumbFetch.h"
#include "Classes/Library/PdfThumbQueue.h"
#include "Classes/Library/PdfThumbRequest.h"
#include "Classes/Library/PdfThumbView.h"
#include "Platform/Foundation/BackgroundWork.h"
#include "Platform/Foundation/Clock.h"
#include "Platform/Foundation/Dispatch.h"
#include "Platform/Foundation/NSFileManager.h"
#include "Platform/Foundation/NSPathUtilities.h"
#include "Platform/UIKit/UIImage.h"

PdfThumbCache& PdfThumbCache::sharedInstance()
{
    static PdfThumbCache* cache = new PdfThumbCache();
    return *cache;
}

PdfThumbCache::Entry PdfThumbCache::thumbRequestPriority(const std::shared_ptr<PdfThumbRequest>& request, bool priority)
{
    std::lock_guard lock(m_lock);
    auto found = m_slots.find(request->cacheKey());
    if (found != m_slots.end())
        return found->second.entry;
    storeLocked(request->cacheKey(), std::monostate {}, 2);
    auto fetch = std::make_shared<PdfThumbFetch>(request);
    fetch->setQueuePriority(priority ? NSOperationQueuePriorityNormal : NSOperationQueuePriorityLow);
    if (auto view = request->thumbView())
        view->setOperation(fetch);
    fetch->setThreadPriority(priority ? 0.55 : 0.35);
    PdfThumbQueue::sharedInstance().addLoadOperation(fetch);
    return std::monostate {};
}

void PdfThumbCache::setObjectForKey(const std::shared_ptr<UIImage>& image, const std::string& key)
{
    if (!image)
        return;
    std::lock_guard lock(m_lock);
    CGSize size = image->size();
    storeLocked(key, image, static_cast<size_t>(size.width * size.height * 4));
}

void PdfThumbCache::storeLocked(const std::string& key, Entry entry, size_t cost)
{
    auto found = m_slots.find(key);
    if (found != m_slots.end()) {
        m_totalCost -= found->second.cost;
        m_ages.erase(found->second.age);
        m_slots.erase(found);
    }
    m_ages.push_back(key);
    m_slots.emplace(key, Slot { std::move(entry), cost, std::prev(m_ages.end()) });
    m_totalCost += cost;
    evictLocked();
}

void PdfThumbCache::evictLocked()
{
    // The newest entry stays even when it alone is over the limit.
    while (m_totalCost > kTotalCostLimit && m_ages.size() > 1) {
        auto slot = m_slots.find(m_ages.front());
        m_totalCost -= slot->second.cost;
        m_slots.erase(slot);
        m_ages.pop_front();
    }
}

void PdfThumbCache::removeObjectForKey(const std::string& key)
{
    std::lock_guard lock(m_lock);
    auto found = m_slots.find(key);
    if (found == m_slots.end())
        return;
    m_totalCost -= found->second.cost;
    m_ages.erase(found->second.age);
    m_slots.erase(found);
}

void PdfThumbCache::removeNullForKey(const std::string& key)
{
    std::lock_guard lock(m_lock);
    auto found = m_slots.find(key);
    if (found != m_slots.end() && std::holds_alternative<std::monostate>(found->second.entry))
        removeObjectForKey(key);
}

void PdfThumbCache::removeAllObjects()
{
    std::lock_guard lock(m_lock);
    m_slots.clear();
    m_ages.clear();
    m_totalCost = 0;
}

std::optional<PdfThumbCache::Entry> PdfThumbCache::objectForKey(const std::string& key) const
{
    std::lock_guard lock(m_lock);
    auto found = m_slots.find(key);
    if (found == m_slots.end())
        return std::nullopt;
    return found->second.entry;
}

size_t PdfThumbCache::totalCost() const
{
    std::lock_guard lock(m_lock);
    return m_totalCost;
}

std::string PdfThumbCache::appCachesPath()
{
    // Read each time: the home is fixed for the process's life in the
    // application, while tests give every case a fresh one.
    return NSSearchPathForDirectoriesInDomains(NSCachesDirectory, NSUserDomainMask, true).front();
}

std::string PdfThumbCache::thumbCachePathForGUID(const std::string& guid) { return appCachesPath() + "/" + guid; }

void PdfThumbCache::createThumbCacheWithGUID(const std::string& guid)
{
    NSFileManager::defaultManager().createDirectoryAtPathWithIntermediateDirectories(
        thumbCachePathForGUID(guid), false);
}

void PdfThumbCache::removeThumbCacheWithGUID(const std::string& guid)
{
    BackgroundTask::start([path = thumbCachePathForGUID(guid)](
                              const BackgroundTask&) { NSFileManager::defaultManager().removeItemAtPath(path); },
        dispatch_get_global_queue(DISPATCH_QUEUE_PRIORITY_BACKGROUND, 0));
}

void PdfThumbCache::touchThumbCacheWithGUID(const std::string& guid)
{
    NSFileManager::defaultManager().setModificationDateOfItemAtPath(thumbCachePathForGUID(guid), Clock::wallNow());
}

void PdfThumbCache::purgeThumbCachesOlderThan(double interval)
{
    std::string caches = appCachesPath();
    Date now = Clock::wallNow();
    BackgroundTask::start(
        [caches, now, interval](const BackgroundTask&) {
            auto& files = NSFileManager::defaultManager();
            auto names = files.contentsOfDirectoryAtPath(caches);
            if (!names)
                return;
            for (const auto& name : *names) {
                if (name.size() != 36)
                    continue;
                std::string path = caches + "/" + name;
                auto attributes = files.attributesOfItemAtPath(path);
                if (attributes && now.secondsSince1970 - attributes->fileModificationDate.secondsSince1970 > interval)
                    files.removeItemAtPath(path);
            }
        },
        dispatch_get_global_queue(DISPATCH_QUEUE_PRIORITY_BACKGROUND, 0));
}
