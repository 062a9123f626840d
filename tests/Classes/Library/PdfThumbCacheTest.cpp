#include "Classes/Library/PdfDocument.h"
#include "Classes/Library/PdfThumbCache.h"
#include "Classes/Library/PdfThumbFetch.h"
#include "Classes/Library/PdfThumbQueue.h"
#include "Classes/Library/PdfThumbRender.h"
#include "Classes/Library/PdfThumbRequest.h"
#include "Classes/Library/PdfThumbView.h"
#include "PdfFixture.h"

#include "Platform/Foundation/NSFileManager.h"
#include "Platform/Foundation/NSOperationQueue.h"
#include "Platform/Foundation/NSThread.h"
#include "Platform/UIKit/UIImage.h"
#include "RunLoopPump.h"
#include "TemporaryHome.h"

#include <gtest/gtest.h>

#include <atomic>

namespace {

enum { kAlive, kMain, kWorker };

class PdfThumbCacheTest : public TemporaryHomeTest {
protected:
    void SetUp() override { PdfThumbCache::sharedInstance().removeAllObjects(); }
    void TearDown() override
    {
        PdfThumbQueue::sharedInstance().loadQueue()->setSuspended(false);
        PdfThumbQueue::sharedInstance().workQueue()->setSuspended(false);
        PdfThumbQueue::sharedInstance().cancelAllOperations();
        PdfThumbQueue::sharedInstance().loadQueue()->waitUntilAllOperationsAreFinished();
        PdfThumbQueue::sharedInstance().workQueue()->waitUntilAllOperationsAreFinished();
        drainMainRunLoop();
        PdfThumbCache::sharedInstance().removeAllObjects();
    }

    std::string writePdf(const std::string& name, PdfFixture pdf)
    {
        std::string path = home.documents() + "/" + name;
        EXPECT_TRUE(pdf.write(path));
        return path;
    }
    static std::shared_ptr<PdfThumbView> view() { return std::make_shared<PdfThumbView>(CGRectMake(0, 0, 240, 240)); }
    std::shared_ptr<PdfThumbRequest> request(const std::shared_ptr<PdfThumbView>& v, const std::string& path,
        const std::string& guid, long page, CGSize size = CGSizeMake(240, 240))
    {
        return PdfThumbRequest::newForViewFileURLPasswordGuidPageSize(v, path, std::nullopt, guid, page, size);
    }
    static bool isImage(const PdfThumbCache::Entry& entry)
    {
        return std::holds_alternative<std::shared_ptr<UIImage>>(entry);
    }
    static bool shows(const std::shared_ptr<PdfThumbView>& v) { return v->imageView()->image() != nullptr; }
};

TEST_F(PdfThumbCacheTest, RequestNamesItsFileAndKeyAndClaimsItsView)
{
    struct Case {
        long page;
        CGSize size;
        const char* name;
    } cases[] = {
        { 3, CGSizeMake(22, 28), "0000003-0022x0028" },
        { 3, CGSizeMake(32.5f, 42), "0000003-0032x0042" },
        { 12, CGSizeMake(240, 240), "0000012-0240x0240" },
    };
    for (const auto& c : cases) {
        auto v = view();
        auto r = request(v, "/x.pdf", "GUID", c.page, c.size);
        EXPECT_EQ(r->thumbName(), c.name);
        EXPECT_EQ(r->cacheKey(), std::string(c.name) + "+GUID");
        EXPECT_EQ(v->targetTag(), r->targetTag());
        EXPECT_NE(r->targetTag(), 0u);
    }
}

TEST_F(PdfThumbCacheTest, FittedSizeFollowsTheBoxsShorterSideAndIsEven)
{
    struct Case {
        CGSize page, box, fitted;
    } cases[] = {
        { CGSizeMake(842, 595), CGSizeMake(144, 144), CGSizeMake(144, 100) },
        { CGSizeMake(595, 842), CGSizeMake(22, 28), CGSizeMake(22, 30) },
        { CGSizeMake(595, 842), CGSizeMake(240, 240), CGSizeMake(168, 240) },
        { CGSizeMake(612, 792), CGSizeMake(32, 42), CGSizeMake(32, 40) },
    };
    for (const auto& c : cases) {
        CGSize fitted = PdfThumbRender::fittedSize(c.page, c.box);
        EXPECT_EQ(fitted.width, c.fitted.width) << c.page.width << "x" << c.page.height;
        EXPECT_EQ(fitted.height, c.fitted.height) << c.page.width << "x" << c.page.height;
    }
}

TEST_F(PdfThumbCacheTest, OneFetchPerKeyRendersOnceWritesTheFileAndReachesTheFirstViewOnly)
{
    std::string path = writePdf("a.pdf", PdfFixture::withPages(3, 842, 595));
    auto& cache = PdfThumbCache::sharedInstance();
    auto first = view();
    auto second = view();
    auto r1 = request(first, path, "DOC-A", 2, CGSizeMake(144, 144));
    EXPECT_FALSE(isImage(cache.thumbRequestPriority(r1, true)));
    EXPECT_TRUE(first->operation());
    auto r2 = request(second, path, "DOC-A", 2, CGSizeMake(144, 144));
    EXPECT_FALSE(isImage(cache.thumbRequestPriority(r2, true)));
    EXPECT_FALSE(second->operation());

    ASSERT_TRUE(pumpMainRunLoopUntil([&] { return shows(first); }));
    EXPECT_FALSE(shows(second));
    EXPECT_EQ(first->imageView()->image()->size().width, 144);
    EXPECT_EQ(first->imageView()->image()->size().height, 100);
    ASSERT_TRUE(pumpMainRunLoopUntil([&] { return !first->operation(); }));
    EXPECT_TRUE(NSFileManager::defaultManager().fileExistsAtPath(home.caches() + "/DOC-A/0000002-0144x0144.png"));

    auto again = cache.thumbRequestPriority(request(view(), path, "DOC-A", 2, CGSizeMake(144, 144)), true);
    EXPECT_TRUE(isImage(again));
}

TEST_F(PdfThumbCacheTest, FileOnDiskServesAfterTheMemoryIsEmptiedAndADeletedFileIsRenderedAgain)
{
    std::string path = writePdf("b.pdf", PdfFixture::withPages(2));
    auto& cache = PdfThumbCache::sharedInstance();
    auto v = view();
    cache.thumbRequestPriority(request(v, path, "DOC-B", 1), true);
    ASSERT_TRUE(pumpMainRunLoopUntil([&] { return shows(v) && !v->operation(); }));
    std::string file = home.caches() + "/DOC-B/0000001-0240x0240.png";
    ASSERT_TRUE(NSFileManager::defaultManager().fileExistsAtPath(file));

    // Without the PDF only the file can answer.
    std::string moved = path + ".away";
    std::rename(path.c_str(), moved.c_str());
    cache.removeAllObjects();
    auto fromFile = view();
    cache.thumbRequestPriority(request(fromFile, path, "DOC-B", 1), true);
    ASSERT_TRUE(pumpMainRunLoopUntil([&] { return shows(fromFile); }));

    std::rename(moved.c_str(), path.c_str());
    NSFileManager::defaultManager().removeItemAtPath(file);
    cache.removeAllObjects();
    auto rendered = view();
    cache.thumbRequestPriority(request(rendered, path, "DOC-B", 1), true);
    ASSERT_TRUE(pumpMainRunLoopUntil([&] { return shows(rendered) && !rendered->operation(); }));
    EXPECT_TRUE(NSFileManager::defaultManager().fileExistsAtPath(file));
}

// The renderer keeps a document open between pages; a file replaced under the
// same path is opened again and its own pages drawn.
TEST_F(PdfThumbCacheTest, AFileReplacedOnDiskIsDrawnFromItsNewPages)
{
    std::string path = writePdf("c.pdf", PdfFixture::withPages(3, 842, 595));
    auto& cache = PdfThumbCache::sharedInstance();
    auto thumbOf = [&](long page) {
        auto v = view();
        cache.thumbRequestPriority(request(v, path, "DOC-C", page, CGSizeMake(144, 144)), true);
        EXPECT_TRUE(pumpMainRunLoopUntil([&] { return shows(v) && !v->operation(); }));
        return v->imageView()->image() ? v->imageView()->image()->size() : CGSizeZero;
    };
    EXPECT_EQ(thumbOf(1).width, 144);
    EXPECT_EQ(thumbOf(2).width, 144);

    writePdf("c.pdf", PdfFixture::withPages(2, 595, 842));
    NSFileManager::defaultManager().removeItemAtPath(home.caches() + "/DOC-C");
    cache.removeAllObjects();
    CGSize upright = thumbOf(2);
    EXPECT_EQ(upright.width, 100);
    EXPECT_EQ(upright.height, 144);
}

TEST_F(PdfThumbCacheTest, ReusedViewNeverShowsTheOldImage)
{
    std::string path = writePdf("c.pdf", PdfFixture::withPages(4));
    auto& cache = PdfThumbCache::sharedInstance();
    auto v = view();
    auto other = view();
    cache.thumbRequestPriority(request(v, path, "DOC-C", 1), true);
    v->reuse();
    cache.thumbRequestPriority(request(other, path, "DOC-C", 3), true);
    ASSERT_TRUE(pumpMainRunLoopUntil([&] { return shows(other); }));
    drainMainRunLoop();
    EXPECT_FALSE(shows(v));
    EXPECT_EQ(v->targetTag(), 0u);
}

// Views belong to the main thread: one its screen lets go of while its page
// still renders dies there and then, not later on the worker with the render.
TEST_F(PdfThumbCacheTest, AViewLetGoOfWhileItsPageRendersDiesOnTheMainThread)
{
    struct WatchedView : PdfThumbView {
        explicit WatchedView(std::atomic<int>& where)
            : PdfThumbView(CGRectMake(0, 0, 240, 240))
            , diedOn(where)
        {
        }
        ~WatchedView() override { diedOn = NSThread::isMainThread() ? kMain : kWorker; }
        std::atomic<int>& diedOn;
    };
    std::string path = writePdf("d.pdf", PdfFixture::withPages(2));
    auto& cache = PdfThumbCache::sharedInstance();
    auto& queue = PdfThumbQueue::sharedInstance();
    queue.workQueue()->setSuspended(true);
    std::atomic<int> diedOn { kAlive };
    auto v = std::make_shared<WatchedView>(diedOn);
    auto r = request(v, path, "DOC-D", 1);
    const std::string key = r->cacheKey();
    cache.thumbRequestPriority(r, true);
    // No file yet: the fetch hands the view over to a render, held back here.
    ASSERT_TRUE(
        pumpMainRunLoopUntil([&] { return std::dynamic_pointer_cast<PdfThumbRender>(v->operation()) != nullptr; }));
    std::weak_ptr<PdfThumbView> watch = v;
    v.reset();
    r.reset();
    EXPECT_TRUE(watch.expired());
    EXPECT_EQ(diedOn, kMain);

    queue.workQueue()->setSuspended(false);
    ASSERT_TRUE(pumpMainRunLoopUntil([&] {
        return queue.workQueue()->operationCount() == 0 && isImage(cache.objectForKey(key).value_or(std::monostate {}));
    }));
    drainMainRunLoop();
    EXPECT_EQ(diedOn, kMain);
    EXPECT_TRUE(NSFileManager::defaultManager().fileExistsAtPath(home.caches() + "/DOC-D/0000001-0240x0240.png"));
}

// A view asked for another page while its old page still renders: the old
// render ending must leave the view's new work in place, or reusing the view
// could no longer cancel it.
TEST_F(PdfThumbCacheTest, OldWorkEndingLeavesTheViewsNewWork)
{
    std::string path = writePdf("e.pdf", PdfFixture::withPages(3));
    auto& cache = PdfThumbCache::sharedInstance();
    auto& queue = PdfThumbQueue::sharedInstance();
    queue.workQueue()->setSuspended(true);
    auto v = view();
    auto first = request(v, path, "DOC-E", 1);
    cache.thumbRequestPriority(first, true);
    ASSERT_TRUE(
        pumpMainRunLoopUntil([&] { return std::dynamic_pointer_cast<PdfThumbRender>(v->operation()) != nullptr; }));

    queue.loadQueue()->setSuspended(true);
    cache.thumbRequestPriority(request(v, path, "DOC-E", 3), true);
    const auto newWork = v->operation();
    ASSERT_TRUE(std::dynamic_pointer_cast<PdfThumbFetch>(newWork));
    queue.workQueue()->setSuspended(false);
    ASSERT_TRUE(pumpMainRunLoopUntil([&] {
        return queue.workQueue()->operationCount() == 0
            && isImage(cache.objectForKey(first->cacheKey()).value_or(std::monostate {}));
    }));
    drainMainRunLoop();
    EXPECT_EQ(v->operation(), newWork);
    EXPECT_FALSE(shows(v));

    v->reuse();
    EXPECT_TRUE(newWork->isCancelled());
    EXPECT_FALSE(v->operation());
}

TEST_F(PdfThumbCacheTest, CancellingOneDocumentLeavesTheOthersWork)
{
    std::string a = writePdf("a.pdf", PdfFixture::withPages(2));
    std::string b = writePdf("b.pdf", PdfFixture::withPages(2));
    auto& cache = PdfThumbCache::sharedInstance();
    auto& queue = PdfThumbQueue::sharedInstance();
    queue.loadQueue()->setSuspended(true);
    auto va = view();
    auto vb = view();
    auto ra = request(va, a, "DOC-A", 1);
    cache.thumbRequestPriority(ra, true);
    cache.thumbRequestPriority(request(vb, b, "DOC-B", 1), true);
    queue.cancelOperationsWithGUID("DOC-A");
    EXPECT_FALSE(cache.objectForKey(ra->cacheKey()).has_value());
    EXPECT_FALSE(va->operation());
    ASSERT_TRUE(pumpMainRunLoopUntil([&] { return shows(vb); }));
    EXPECT_FALSE(shows(va));
}

TEST_F(PdfThumbCacheTest, RotatedPagesAreMeasuredUprightAndBadPagesLeaveNoEntry)
{
    PdfFixture pdf = PdfFixture::withPages(1, 842, 595);
    pdf.pages[0].rotate = 90;
    std::string path = writePdf("r.pdf", pdf);
    auto& cache = PdfThumbCache::sharedInstance();
    auto v = view();
    cache.thumbRequestPriority(request(v, path, "DOC-R", 1, CGSizeMake(144, 144)), true);
    ASSERT_TRUE(pumpMainRunLoopUntil([&] { return shows(v); }));
    EXPECT_EQ(v->imageView()->image()->size().width, 100);
    EXPECT_EQ(v->imageView()->image()->size().height, 144);

    auto missing = request(view(), path, "DOC-R", 5);
    cache.thumbRequestPriority(missing, true);
    ASSERT_TRUE(pumpMainRunLoopUntil([&] { return !cache.objectForKey(missing->cacheKey()).has_value(); }));
}

TEST_F(PdfThumbCacheTest, MemoryStaysWithinItsCostLimit)
{
    auto& cache = PdfThumbCache::sharedInstance();
    auto bitmap = std::make_shared<CGImage>(240, 240, false, Data(240 * 240 * 4, 0xff), 240 * 4);
    auto image = std::make_shared<UIImage>(bitmap, 1, UIImageOrientationUp);
    for (int i = 0; i < 20; ++i)
        cache.setObjectForKey(image, "key" + std::to_string(i));
    EXPECT_LE(cache.totalCost(), PdfThumbCache::kTotalCostLimit);
    EXPECT_TRUE(cache.objectForKey("key19").has_value());
    EXPECT_FALSE(cache.objectForKey("key0").has_value());
}

TEST_F(PdfThumbCacheTest, FoldersAreTouchedAndOldOnesPurged)
{
    auto& files = NSFileManager::defaultManager();
    std::string oldGuid = PdfDocument::GUID();
    std::string newGuid = PdfDocument::GUID();
    PdfThumbCache::createThumbCacheWithGUID(oldGuid);
    PdfThumbCache::createThumbCacheWithGUID(newGuid);
    files.createDirectoryAtPathWithIntermediateDirectories(home.caches() + "/short", false);
    files.setModificationDateOfItemAtPath(PdfThumbCache::thumbCachePathForGUID(oldGuid), Date { 1000 });
    files.setModificationDateOfItemAtPath(PdfThumbCache::thumbCachePathForGUID(newGuid), Date { 1000 });
    files.setModificationDateOfItemAtPath(home.caches() + "/short", Date { 1000 });
    PdfThumbCache::touchThumbCacheWithGUID(newGuid);
    PdfThumbCache::purgeThumbCachesOlderThan(3600);
    ASSERT_TRUE(
        pumpMainRunLoopUntil([&] { return !files.fileExistsAtPath(PdfThumbCache::thumbCachePathForGUID(oldGuid)); }));
    EXPECT_TRUE(files.fileExistsAtPath(PdfThumbCache::thumbCachePathForGUID(newGuid)));
    EXPECT_TRUE(files.fileExistsAtPath(home.caches() + "/short"));
}

}  // namespace
