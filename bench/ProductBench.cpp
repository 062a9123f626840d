// The product screens' bulk paths. For 2,000 and 20,000 published products:
// loading the inventory (reading every product and rebuilding the table) and
// scrolling it through 1,000 offsets spread over the whole table, each laid
// out with its rows filled (texts, and a thumbnail load started per row).
// Beside them run their floors of the same size: reading the products alone,
// and a plain table of the same rows and heights with five labels a row. The
// figure that matters for scrolling is ns_per_offset, which must stay flat
// from 2,000 to 20,000 products.
//
// For a product with 30 images: opening its detail, and opening the image
// viewer up to its first page on screen, while the neighbours' full images
// are still being read off the main thread. Their floor is reading and
// scaling the one full image the first page shows.

#include "Classes/Catalog/InventoryViewController.h"
#include "Classes/Catalog/ProductBigImageView.h"
#include "Classes/Catalog/ProductDetailController.h"
#include "Classes/Catalog/ProductDetailImageController.h"
#include "Classes/Frame/PublicFunction.h"
#include "Platform/Foundation/NSOperationQueue.h"
#include "Platform/UIKit/UIColor.h"
#include "Platform/UIKit/UIGraphics.h"
#include "Platform/UIKit/UIImage.h"
#include "Classes/Catalog/MultiColumnTableView.h"
#include "Classes/Catalog/MultiColumnTableViewContentBackgroundView.h"
#include "Database/DataAccessManager.h"
#include "Database/SQLiteLayer/SQLDatabase.h"
#include "Network/Protocol/LoginMode.h"
#include "Platform/UIKit/UILabel.h"
#include "Platform/UIKit/UINavigationController.h"
#include "Platform/UIKit/UIWindow.h"
#include "support/ClockFixture.h"
#include "support/RunLoopPump.h"
#include "support/TemporaryHome.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

constexpr int kOffsets = 1000;

// A signed-in client whose database holds `products` published products, one
// in four with a thumbnail record; reseeded only when the size changes.
void seed(int products)
{
    static TemporaryHome home;
    static int seeded = -1;
    if (seeded == products)
        return;
    auto session = LoginMode::sharedInstance();
    session->setClientID(std::string("Bench"));
    session->setAcountID(std::string("bench01"));
    DataAccessManager::sharedDataModel();
    auto db = SQLDatabase::sharedDataBase();
    db->executeUpdate("delete from corvelle_product");
    db->executeUpdate("delete from corvelle_image");
    db->beginTransaction();
    for (int i = 1; i <= products; ++i) {
        db->executeUpdate(
            "INSERT INTO "
            "corvelle_product(product_id,product_sku,product_name,product_s_desc,product_publish,product_stock) "
            "VALUES(?,?,?,?,1,?)",
            i, "SKU-" + std::to_string(i), "Product number " + std::to_string(i),
            "A short description of product " + std::to_string(i) + ", two lines long in the table.", i * 37 % 100000);
        if (i % 4 == 0)
            db->executeUpdate(
                "INSERT INTO corvelle_image(image_id,key_id,image_thumb_address,image_isdault,image_publis) "
                "VALUES(?,?,?,1,1)",
                i, i, "thumb-" + std::to_string(i) + ".png");
    }
    db->commit();
    seeded = products;
}

// The inventory on a window, its view loaded.
struct Screen {
    std::shared_ptr<UIWindow> window = std::make_shared<UIWindow>(CGRectMake(0, 0, 1024, 768));
    std::shared_ptr<InventoryViewController> inventory = std::make_shared<InventoryViewController>();
    Screen()
    {
        window->setRootViewController(UINavigationController::withRootViewController(inventory));
        window->makeKeyAndVisible();
        window->layoutIfNeeded();
        drainMainRunLoop();
    }
    ~Screen()
    {
        drainMainRunLoop();
        window->setRootViewController(nullptr);
    }
    std::shared_ptr<UITableView> body() { return inventory->tblView()->tblView(); }
};

void BM_FloorReadProducts(benchmark::State& state)
{
    seed(static_cast<int>(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(DataAccessManager::sharedDataModel()->getAllProducts().size());
}
BENCHMARK(BM_FloorReadProducts)->Arg(2000)->Arg(20000)->Unit(benchmark::kMillisecond);

void BM_InventoryLoad(benchmark::State& state)
{
    ScopedManualClock clock;
    seed(static_cast<int>(state.range(0)));
    Screen screen;
    for (auto _ : state) {
        screen.inventory->viewWillAppear(false);
        screen.body()->layoutIfNeeded();
        drainMainRunLoop();
    }
    state.counters["rows"] = static_cast<double>(screen.body()->numberOfRowsInSection(0));
}
BENCHMARK(BM_InventoryLoad)->Arg(2000)->Arg(20000)->Unit(benchmark::kMillisecond);

// Offsets spread evenly over the table show more new rows per offset in a
// longer table; jumps show all-new rows at every offset whatever its length,
// which makes the per-offset figures of both sizes comparable.
template <class Body> void scroll(benchmark::State& state, Body&& body, bool jump)
{
    auto table = body();
    table->layoutIfNeeded();
    const CGFloat span = std::max<CGFloat>(0, table->contentSize().height - table->bounds().size.height);
    for (auto _ : state) {
        for (int i = 0; i < kOffsets; ++i) {
            const CGFloat y = jump ? std::fmod(static_cast<CGFloat>(i) * 7919.0f * 120, span)
                                   : span * static_cast<CGFloat>(i) / kOffsets;
            table->setContentOffset(CGPointMake(0, y));
            table->layoutIfNeeded();
            // The thumbnails come back through the main loop.
            if (i % 50 == 49)
                drainMainRunLoop();
        }
    }
    state.SetItemsProcessed(state.iterations() * kOffsets);
    state.counters["ns_per_offset"] = benchmark::Counter(
        static_cast<double>(state.iterations() * kOffsets), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void inventoryScroll(benchmark::State& state, bool jump)
{
    ScopedManualClock clock;
    seed(static_cast<int>(state.range(0)));
    Screen screen;
    scroll(
        state, [&] { return screen.body(); }, jump);
}

void BM_InventoryScroll(benchmark::State& state) { inventoryScroll(state, false); }
BENCHMARK(BM_InventoryScroll)->Arg(2000)->Arg(20000)->Unit(benchmark::kMillisecond);

void BM_InventoryJump(benchmark::State& state) { inventoryScroll(state, true); }
BENCHMARK(BM_InventoryJump)->Arg(2000)->Arg(20000)->Unit(benchmark::kMillisecond);

// Plain rows of the inventory's height with five labels each.
class PlainRows : public UITableViewDataSource {
public:
    explicit PlainRows(long n)
        : count(n)
    {
    }
    long count;
    long tableViewNumberOfRowsInSection(UITableView&, long) override { return count; }
    std::shared_ptr<UITableViewCell> tableViewCellForRowAtIndexPath(UITableView& t, const NSIndexPath& p) override
    {
        auto cell = t.dequeueReusableCellWithIdentifier("Cell");
        if (!cell) {
            cell = std::make_shared<UITableViewCell>(UITableViewCellStyleDefault, "Cell");
            const CGFloat widths[] = { 105, 200, 200, 390, 100 };
            CGFloat x = 0;
            long tag = 1;
            for (CGFloat w : widths) {
                auto label = std::make_shared<UILabel>(CGRectMake(x, 0, w, 120));
                label->setTag(tag++);
                cell->contentView()->addSubview(label);
                x += w;
            }
        }
        for (long tag = 1; tag <= 5; ++tag)
            std::static_pointer_cast<UILabel>(cell->contentView()->viewWithTag(tag))
                ->setText("Row " + std::to_string(p.row()));
        return cell;
    }
};

void plainScroll(benchmark::State& state, bool jump)
{
    ScopedManualClock clock;
    auto rows = std::make_shared<PlainRows>(state.range(0));
    auto table = std::make_shared<UITableView>(CGRectMake(0, 0, 1024, 617));
    table->setRowHeight(120);
    table->setDataSource(rows);
    table->reloadData();
    scroll(
        state, [&] { return table; }, jump);
}

void BM_FloorPlainTableScroll(benchmark::State& state) { plainScroll(state, false); }
BENCHMARK(BM_FloorPlainTableScroll)->Arg(2000)->Arg(20000)->Unit(benchmark::kMillisecond);

void BM_FloorPlainTableJump(benchmark::State& state) { plainScroll(state, true); }
BENCHMARK(BM_FloorPlainTableJump)->Arg(2000)->Arg(20000)->Unit(benchmark::kMillisecond);

constexpr int kImages = 30;

void writePNG(const std::string& path, CGSize size, const std::shared_ptr<UIColor>& color)
{
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    UIGraphicsBeginImageContext(size);
    color->setFill();
    UIRectFill(CGRectMake(0, 0, size.width, size.height));
    auto png = UIImagePNGRepresentation(UIGraphicsGetImageFromCurrentImageContext());
    UIGraphicsEndImageContext();
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(png->data()), static_cast<std::streamsize>(png->size()));
}

// Product 1 of a small catalogue with 30 images: full pictures of 1600 x 1200
// pixels (larger than the screen, so each is scaled) and 160 x 120 thumbnails.
void seedImages()
{
    static bool seeded = false;
    seed(2000);
    if (seeded)
        return;
    auto db = SQLDatabase::sharedDataBase();
    db->executeUpdate("delete from corvelle_image");
    db->beginTransaction();
    for (int i = 0; i < kImages; ++i) {
        const std::string name = "p1-" + std::to_string(i);
        db->executeUpdate("INSERT INTO "
                          "corvelle_image(image_id,key_id,image_thumb_address,image_full_address,image_isdault,image_"
                          "publis,image_ordering) "
                          "VALUES(?,1,?,?,?,1,?)",
            i + 1, name + "-t.png", name + ".png", i == 0 ? 1 : 0, i);
    }
    db->commit();
    for (int i = 0; i < kImages; ++i) {
        const std::string name = "p1-" + std::to_string(i);
        auto color = UIColor::colorWithRedGreenBlueAlpha(i / 30.0, 0.5, 1 - i / 30.0, 1);
        writePNG(PublicFunction::filePathWithNameFiletype(name + ".png", 1), CGSizeMake(1600, 1200), color);
        writePNG(PublicFunction::filePathWithNameFiletype(name + "-t.png", 1), CGSizeMake(160, 120), color);
    }
    seeded = true;
}

// Waits, outside the timing, until the off-main image work has come back and been put in.
void drainImageWork()
{
    for (int i = 0; i < 200; ++i) {
        drainMainRunLoop();
        if (NSOperationQueue::mainQueue()->operationCount() == 0)
            break;
    }
}

void BM_FloorReadOneFullImage(benchmark::State& state)
{
    seedImages();
    const std::string path = PublicFunction::filePathWithNameFiletype("p1-0.png", 1);
    for (auto _ : state) {
        auto image = PublicFunction::scaleImageToFitSize(UIImage::imageWithContentsOfFile(path), CGSizeMake(1024, 748));
        benchmark::DoNotOptimize(image.get());
    }
}
BENCHMARK(BM_FloorReadOneFullImage)->Unit(benchmark::kMillisecond);

void BM_DetailOpenWith30Images(benchmark::State& state)
{
    ScopedManualClock clock;
    seedImages();
    auto window = std::make_shared<UIWindow>(CGRectMake(0, 0, 1024, 768));
    window->makeKeyAndVisible();
    auto product = DataAccessManager::sharedDataModel()->getProductByProductId(1);
    for (auto _ : state) {
        auto detail = std::make_shared<ProductDetailController>();
        detail->setProductEntity(product);
        detail->setProductID(1);
        detail->setProductCount(1);
        window->setRootViewController(detail);
        window->layoutIfNeeded();
        benchmark::DoNotOptimize(detail->manyImagesArray().size());
        state.PauseTiming();
        window->setRootViewController(nullptr);
        drainMainRunLoop();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_DetailOpenWith30Images)->Unit(benchmark::kMillisecond);

void BM_ViewerFirstPageWith30Images(benchmark::State& state)
{
    ScopedManualClock clock;
    seedImages();
    auto window = std::make_shared<UIWindow>(CGRectMake(0, 0, 1024, 768));
    window->makeKeyAndVisible();
    std::vector<std::string> full, thumbs;
    for (int i = 0; i < kImages; ++i) {
        full.push_back("p1-" + std::to_string(i) + ".png");
        thumbs.push_back("p1-" + std::to_string(i) + "-t.png");
    }
    size_t pagesWithImages = 0;
    for (auto _ : state) {
        auto viewer = std::make_shared<ProductDetailImageController>();
        viewer->setImagesArray(full);
        viewer->setThumbImagesArray(thumbs);
        viewer->setTag(10);
        window->setRootViewController(viewer);
        window->layoutIfNeeded();
        benchmark::DoNotOptimize(viewer->currentIndex());
        state.PauseTiming();
        drainImageWork();
        pagesWithImages = 0;
        for (const auto& page : viewer->bigImageViews())
            pagesWithImages += page && page->imageView()->image() ? 1u : 0u;
        window->setRootViewController(nullptr);
        drainMainRunLoop();
        state.ResumeTiming();
    }
    state.counters["pages_with_images"] = static_cast<double>(pagesWithImages);
}
BENCHMARK(BM_ViewerFirstPageWith30Images)->Unit(benchmark::kMillisecond);

}  // namespace
