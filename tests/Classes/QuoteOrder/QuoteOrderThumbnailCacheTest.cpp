#include "QuoteOrderFixture.h"

#include "../Catalog/Product/ProductSeed.h"
#include "Classes/QuoteOrder/QuoteOrderItemsTableViewCell.h"
#include "Classes/QuoteOrder/QuoteOrderThumbnailCache.h"
#include "Platform/UIKit/UIButton.h"
#include "Platform/UIKit/UIImageView.h"
#include "support/RunLoopPump.h"

#include <filesystem>

namespace {

// Product 7's thumbnail is larger than the box, product 8's smaller, product 9
// has no image record.
class QuoteOrderThumbnailCacheTest : public QuoteOrderStoreTest {
protected:
    void SetUp() override
    {
        QuoteOrderStoreTest::SetUp();
        QuoteOrderThumbnailCache::sharedInstance().removeAllObjects();
        QuoteOrderThumbnailCache::sharedInstance().forgetImagePaths();
        ProductSeed::image(1, 7, "p7.png", "p7-full.png", true);
        ProductSeed::image(2, 8, "p8.png", "p8-full.png", true);
        ProductSeed::imageFile("p7.png", CGSizeMake(312, 160), UIColor::redColor());
        ProductSeed::imageFile("p8.png", CGSizeMake(60, 40), UIColor::blueColor());
    }

    static std::shared_ptr<QuoteOrderItemEntity> line(int productId)
    {
        auto item = std::make_shared<QuoteOrderItemEntity>();
        item->product = product(productId, 1);
        item->currency = "CNY";
        item->price = 10;
        item->finalPrice = 10;
        item->quantity = 1;
        return item;
    }

    // The picture the thumbnail button shows, nullptr while it shows none.
    static std::shared_ptr<UIImage> shown(const QuoteOrderItemsTableViewCell& cell)
    {
        const auto subviews = cell.imageImageView()->subviews();
        if (subviews.empty())
            return nullptr;
        auto view = std::dynamic_pointer_cast<UIImageView>(subviews.front());
        return view ? view->image() : nullptr;
    }

    static bool shows(const QuoteOrderItemsTableViewCell& cell, CGSize size)
    {
        auto image = shown(cell);
        return image && image->size() == size;
    }
};

TEST_F(QuoteOrderThumbnailCacheTest, ACellShowsItsOwnLinesPictureFittedToTheBox)
{
    auto cell = QuoteOrderItemsTableViewCell::make();
    // Reused for product 8 before product 7's picture has been read: the box
    // stays empty, and only product 8's picture ever lands in it.
    cell->setQuoteOrderItem(line(7));
    EXPECT_FALSE(shown(*cell));
    cell->setQuoteOrderItem(line(8));
    ASSERT_TRUE(pumpMainRunLoopUntil([&] { return shown(*cell) != nullptr; }));
    drainMainRunLoop();
    EXPECT_TRUE(shows(*cell, CGSizeMake(60, 40)));
    // Centred in the 156 x 80 box, as before the pictures were kept.
    EXPECT_EQ(cell->imageImageView()->subviews().front()->frame(), CGRectMake(48, 20, 60, 40));

    // Product 7's picture was read meanwhile and is kept scaled down: another
    // cell shows it at once.
    auto other = QuoteOrderItemsTableViewCell::make();
    other->setQuoteOrderItem(line(7));
    EXPECT_TRUE(shows(*other, CGSizeMake(156, 80)));

    // A product without a picture shows the default product image, fitted.
    auto none = QuoteOrderItemsTableViewCell::make();
    none->setQuoteOrderItem(line(9));
    ASSERT_TRUE(pumpMainRunLoopUntil([&] { return shown(*none) != nullptr; }));
    auto fallback = PublicFunction::scaleImageToFitSize(
        UIImage::imageNamed(PublicFunction::defaultImageNameForFileType(1)), CGSizeMake(156, 80));
    ASSERT_TRUE(fallback);
    EXPECT_EQ(shown(*none)->size(), fallback->size());
}

TEST_F(QuoteOrderThumbnailCacheTest, APictureReplacedOnDiskIsReadAgain)
{
    auto cell = QuoteOrderItemsTableViewCell::make();
    cell->setQuoteOrderItem(line(7));
    ASSERT_TRUE(pumpMainRunLoopUntil([&] { return shows(*cell, CGSizeMake(156, 80)); }));

    // A synchronisation writes a new picture under the same name; the editor
    // then comes on screen again.
    ProductSeed::imageFile("p7.png", CGSizeMake(100, 50), UIColor::greenColor());
    const std::string path = ProductSeed::imagePath("p7.png");
    std::filesystem::last_write_time(path, std::filesystem::last_write_time(path) + std::chrono::seconds(10));
    QuoteOrderThumbnailCache::sharedInstance().forgetImagePaths();
    cell->setQuoteOrderItem(line(7));
    ASSERT_TRUE(pumpMainRunLoopUntil([&] { return shows(*cell, CGSizeMake(100, 50)); }));
}

TEST_F(QuoteOrderThumbnailCacheTest, MemoryIsBoundedAndDropsTheLeastRecentlyUsed)
{
    // Three pictures of about 16 MB each against a bound of 32 MB.
    ProductSeed::imageFile("big.png", CGSizeMake(2000, 2000), UIColor::redColor());
    const std::string path = ProductSeed::imagePath("big.png");
    auto& cache = QuoteOrderThumbnailCache::sharedInstance();
    const CGSize boxes[] = { CGSizeMake(2000, 2000), CGSizeMake(1990, 1990), CGSizeMake(1980, 1980) };
    const auto load = [&](CGSize box) {
        bool done = false;
        if (cache.thumbnailForPathSizeCompletion(path, box, [&](const std::shared_ptr<UIImage>&) { done = true; }))
            return;
        ASSERT_TRUE(pumpMainRunLoopUntil([&] { return done; }));
    };
    load(boxes[0]);
    load(boxes[1]);
    load(boxes[0]);  // used again, so the second is now the oldest
    load(boxes[2]);
    EXPECT_LE(cache.totalCost(), QuoteOrderThumbnailCache::kTotalCostLimit);
    EXPECT_TRUE(cache.thumbnailForPathSizeCompletion(path, boxes[0], nullptr));
    EXPECT_TRUE(cache.thumbnailForPathSizeCompletion(path, boxes[2], nullptr));
    bool reread = false;
    EXPECT_FALSE(
        cache.thumbnailForPathSizeCompletion(path, boxes[1], [&](const std::shared_ptr<UIImage>&) { reread = true; }));
    EXPECT_TRUE(pumpMainRunLoopUntil([&] { return reread; }));
}

// Signing out empties the cache while a picture is being read: that read is
// neither kept nor handed to the request that waited for it, while a request
// made after is answered by a read of its own.
TEST_F(QuoteOrderThumbnailCacheTest, APictureReadForBeforeTheCacheWasEmptiedIsDropped)
{
    auto& cache = QuoteOrderThumbnailCache::sharedInstance();
    const std::string path = ProductSeed::imagePath("p7.png");
    const CGSize box = CGSizeMake(156, 80);
    bool oldAnswered = false;
    std::shared_ptr<UIImage> fresh;
    ASSERT_FALSE(
        cache.thumbnailForPathSizeCompletion(path, box, [&](const std::shared_ptr<UIImage>&) { oldAnswered = true; }));
    cache.removeAllObjects();
    ASSERT_FALSE(
        cache.thumbnailForPathSizeCompletion(path, box, [&](const std::shared_ptr<UIImage>& image) { fresh = image; }));
    // Reads run one at a time and answer in order: the first read's answer came before this one.
    ASSERT_TRUE(pumpMainRunLoopUntil([&] { return fresh != nullptr; }));
    EXPECT_FALSE(oldAnswered);
    EXPECT_EQ(fresh->size(), box);
    EXPECT_EQ(cache.totalCost(), static_cast<size_t>(box.width * fresh->scale() * box.height * fresh->scale() * 4));
}

}  // namespace
