#pragma once

// The thumbnails of the editor's order lines. An order of hundreds of lines
// is scrolled through many times while it is edited, so each product's image
// path is looked up once (until the editor comes on screen again, when a
// synchronisation may have changed it), and each picture, read from its file
// and scaled down to fit its box, is kept in memory under its path and box
// size. The memory is bounded by cost (4 bytes a pixel) and drops the least
// recently used pictures first. A picture remembers its file's modification
// time, looked at again after the paths are forgotten: a file replaced since
// (or appeared, or gone) is read again.
//
// Files are read and scaled on a serial background queue, one at a time; the
// picture comes back on the main queue, where every request for it that waited
// is answered. Everything else runs on the main thread.

#include "Platform/CoreGraphics/CGGeometry.h"

#include <cstddef>
#include <functional>
#include <list>
#include <map>
#include <memory>
#include <string>
#include <vector>

class UIImage;

class QuoteOrderThumbnailCache {
public:
    // A 500-line order's thumbnails at their full box size fit.
    static constexpr size_t kTotalCostLimit = 32u * 1024u * 1024u;

    static QuoteOrderThumbnailCache& sharedInstance();

    // The file of the product's thumbnail in the product-image folder (a
    // product without an image record names the folder, which holds no image).
    std::string imagePathForProduct(int productId);
    // Forgets the paths, and has each kept picture's file looked at again when next asked for.
    void forgetImagePaths();

    using Completion = std::function<void(const std::shared_ptr<UIImage>&)>;
    // The picture of `path` fitted into `box`, when it is in memory and its file
    // unchanged. Otherwise nullptr, and `completion` is called on the main
    // thread with the picture (the default product image when the file does
    // not decode) once it has been read.
    std::shared_ptr<UIImage> thumbnailForPathSizeCompletion(const std::string& path, CGSize box, Completion completion);

    // Lets go of every picture and of the reads under way (their requests are not answered).
    void removeAllObjects();
    size_t totalCost() const { return m_totalCost; }

private:
    QuoteOrderThumbnailCache() = default;
    struct Slot {
        std::shared_ptr<UIImage> image;
        double modified;
        unsigned checked;  // the round of forgetting in which the file was last looked at
        size_t cost;
        std::list<std::string>::iterator age;
    };
    void store(const std::string& key, const std::shared_ptr<UIImage>& image, double modified);
    void drop(std::map<std::string, Slot>::iterator slot);

    std::map<int, std::string> m_paths;
    unsigned m_checks = 0;
    std::map<std::string, Slot> m_slots;
    std::list<std::string> m_ages;  // least recently used first
    size_t m_totalCost = 0;
    // Requests waiting for a picture being read, by key.
    std::map<std::string, std::vector<Completion>> m_waiting;
    // What the reads under way answer to; emptying the cache starts a new one.
    struct Reads { };
    std::shared_ptr<Reads> m_reads = std::make_shared<Reads>();
};
