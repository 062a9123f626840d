#pragma once

// The process-wide memory cache of page thumbnails, and the folders of their
// PNG files. A request that misses stores a placeholder under its key and
// starts a fetch (which renders when no file exists), so that concurrent
// requests for one key start one piece of work. The cache is bounded by cost
// (an image's points times 4; a placeholder 2) and drops its oldest entries
// past the limit. Every access holds the cache's own recursive lock.

#include <list>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <variant>

class PdfThumbRequest;
class UIImage;

class PdfThumbCache {
public:
    static constexpr size_t kTotalCostLimit = 2097152;

    // An image, or the placeholder (monostate) while one is being fetched or made.
    using Entry = std::variant<std::monostate, std::shared_ptr<UIImage>>;

    static PdfThumbCache& sharedInstance();

    // The cached image, or the placeholder when the image is not in memory
    // (a fetch starts only when the key was absent). Main thread.
    Entry thumbRequestPriority(const std::shared_ptr<PdfThumbRequest>& request, bool priority);
    void setObjectForKey(const std::shared_ptr<UIImage>& image, const std::string& key);
    void removeObjectForKey(const std::string& key);
    // Removes the entry only while it is the placeholder.
    void removeNullForKey(const std::string& key);
    void removeAllObjects();

    // For tests and measurements.
    std::optional<Entry> objectForKey(const std::string& key) const;
    size_t totalCost() const;

    static std::string appCachesPath();
    static std::string thumbCachePathForGUID(const std::string& guid);
    static void createThumbCacheWithGUID(const std::string& guid);
    static void removeThumbCacheWithGUID(const std::string& guid);
    static void touchThumbCacheWithGUID(const std::string& guid);
    static void purgeThumbCachesOlderThan(double interval);

private:
    PdfThumbCache() = default;
    void storeLocked(const std::string& key, Entry entry, size_t cost);
    void evictLocked();

    struct Slot {
        Entry entry;
        size_t cost;
        std::list<std::string>::iterator age;
    };
    mutable std::recursive_mutex m_lock;
    std::map<std::string, Slot> m_slots;
    std::list<std::string> m_ages;  // oldest first
    size_t m_totalCost = 0;
};
