#include "Classes/QuoteOrder/QuoteOrderThumbnailCache.h"

#include "Classes/Frame/PublicFunction.h"
#include "Database/DataAccessManager.h"
#include "Platform/Foundation/BackgroundWork.h"
#include "Platform/Foundation/Dispatch.h"
#include "Platform/UIKit/UIImage.h"

#include <charconv>
#include <chrono>
#include <filesystem>
#include <system_error>

namespace {

constexpr int kProductImageFolder = 1;

// The file's modification time, or -1 when there is no file.
double modificationTime(const std::string& path)
{
    std::error_code error;
    const auto time = std::filesystem::last_write_time(path, error);
    if (error)
        return -1;
    return std::chrono::duration<double>(time.time_since_epoch()).count();
}

std::string keyOf(const std::string& path, CGSize box)
{
    std::string key = path;
    for (const double side : { static_cast<double>(box.width), static_cast<double>(box.height) }) {
        char digits[32];
        key += '|';
        key.append(digits, std::to_chars(digits, digits + sizeof digits, side).ptr);
    }
    return key;
}

size_t costOf(const std::shared_ptr<UIImage>& image)
{
    if (!image)
        return 0;
    const CGSize size = image->size();
    const double scale = image->scale();
    return static_cast<size_t>(size.width * scale * size.height * scale * 4);
}

dispatch_queue_t loadingQueue()
{
    static dispatch_queue_t queue = dispatch_queue_create("QuoteOrderThumbnailCache", DISPATCH_QUEUE_SERIAL);
    return queue;
}

}  // namespace

QuoteOrderThumbnailCache& QuoteOrderThumbnailCache::sharedInstance()
{
    static QuoteOrderThumbnailCache cache;
    return cache;
}

std::string QuoteOrderThumbnailCache::imagePathForProduct(int productId)
{
    if (auto it = m_paths.find(productId); it != m_paths.end())
        return it->second;
    auto data = DataAccessManager::sharedDataModel();
    auto record = data ? data->getImageByKeyId(productId) : nullptr;
    const std::string name = record ? record->image_thumb_address.value_or(std::string()) : std::string();
    std::string path = PublicFunction::filePathWithNameFiletype(name, kProductImageFolder);
    m_paths.emplace(productId, path);
    return path;
}

void QuoteOrderThumbnailCache::forgetImagePaths()
{
    m_paths.clear();
    ++m_checks;
}

std::shared_ptr<UIImage> QuoteOrderThumbnailCache::thumbnailForPathSizeCompletion(
    const std::string& path, CGSize box, Completion completion)
{
    const std::string key = keyOf(path, box);
    auto it = m_slots.find(key);
    // A file is looked at once each time the editor comes on screen, not at
    // every fill of a cell while the order is scrolled.
    if (it != m_slots.end() && it->second.checked == m_checks) {
        m_ages.splice(m_ages.end(), m_ages, it->second.age);
        return it->second.image;
    }
    const double modified = modificationTime(path);
    if (it != m_slots.end()) {
        if (it->second.modified == modified) {
            it->second.checked = m_checks;
            m_ages.splice(m_ages.end(), m_ages, it->second.age);
            return it->second.image;
        }
        drop(it);
    }
    auto& waiting = m_waiting[key];
    waiting.push_back(std::move(completion));
    if (waiting.size() > 1)
        return nullptr;
    BackgroundWork::run(
        m_reads,
        [path, box, fallback = PublicFunction::defaultImageNameForFileType(kProductImageFolder)] {
            auto image = UIImage::imageWithContentsOfFile(path);
            if (!image)
                image = UIImage::imageNamed(fallback);
            return PublicFunction::scaleImageToFitSize(image, box);
        },
        [](const Reads&) { return true; },
        [key, modified](const std::shared_ptr<Reads>&, const std::shared_ptr<UIImage>& fitted) {
            auto& cache = sharedInstance();
            cache.store(key, fitted, modified);
            auto node = cache.m_waiting.extract(key);
            if (node.empty())
                return;
            for (const auto& done : node.mapped()) {
                if (done)
                    done(fitted);
            }
        },
        loadingQueue());
    return nullptr;
}

void QuoteOrderThumbnailCache::store(const std::string& key, const std::shared_ptr<UIImage>& image, double modified)
{
    if (!image)
        return;
    if (auto it = m_slots.find(key); it != m_slots.end())
        drop(it);
    const size_t cost = costOf(image);
    m_ages.push_back(key);
    m_slots.emplace(key, Slot { image, modified, m_checks, cost, std::prev(m_ages.end()) });
    m_totalCost += cost;
    // The newest picture stays even when it alone is over the limit: it is on screen.
    while (m_totalCost > kTotalCostLimit && m_ages.size() > 1)
        drop(m_slots.find(m_ages.front()));
}

void QuoteOrderThumbnailCache::drop(std::map<std::string, Slot>::iterator slot)
{
    m_totalCost -= slot->second.cost;
    m_ages.erase(slot->second.age);
    m_slots.erase(slot);
}

void QuoteOrderThumbnailCache::removeAllObjects()
{
    // Reads under way were for what is being let go (the client signing out):
    // their pictures are neither kept nor handed to the requests that waited.
    m_reads = std::make_shared<Reads>();
    m_waiting.clear();
    m_slots.clear();
    m_ages.clear();
    m_totalCost = 0;
}
