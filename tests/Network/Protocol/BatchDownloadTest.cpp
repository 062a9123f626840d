// A synchronisation whose picture batch is larger than what the front door
// hands the transport at a time, through the real session, engine, front
// door, transport and the fake company server on the loopback.

#include "SessionRoad.h"

#include "Database/ClientFiles.h"
#include "Database/DataAccessManager.h"
#include "Network/Protocol/HttpNetworkCtrl.h"
#include "Network/Protocol/NetworkModel.h"
#include "Platform/Foundation/BackgroundWork.h"
#include "Platform/Foundation/NSFileManager.h"
#include "Platform/UIKit/UIImage.h"
#include "support/ClockFixture.h"

#include <algorithm>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace {

// Looks, at every progress report, at what the run holds alive and at the
// product pictures already on the device.
class SamplingSyncDelegate : public RecordingSyncDelegate {
public:
    explicit SamplingSyncDelegate(std::string folder)
        : m_folder(std::move(folder))
    {
    }

    void setProgressImageTypeRemainTime(float progress, int kind, int seconds) override
    {
        RecordingSyncDelegate::setProgressImageTypeRemainTime(progress, kind, seconds);
        auto door = NetworkModel::sharedInstance();
        mostRegistered = std::max(mostRegistered, door->registeredCount());
        mostQueued = std::max(mostQueued, HttpNetworkCtrl::sharedInstance()->downloadQueue().operations().size());
        mostWaiting = std::max(mostWaiting, door->waitingBatchFiles());
        if (kind == SyncModel::kProductImages && progress >= 1.0f && picturesWhenKindEnded < 0)
            picturesWhenKindEnded = productPictures();
    }

    long productPictures() const
    {
        long count = 0;
        for (const auto& name :
            NSFileManager::defaultManager().contentsOfDirectoryAtPath(m_folder).value_or(std::vector<std::string>()))
            count += name.ends_with(".png") ? 1 : 0;
        return count;
    }

    size_t mostRegistered = 0;
    size_t mostQueued = 0;
    size_t mostWaiting = 0;
    long picturesWhenKindEnded = -1;

private:
    std::string m_folder;
};

std::string readBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

}  // namespace

// The generated company has 600 product pictures, more than go out at once.
TEST_F(SessionRoad, ABigPictureBatchGoesOutAFewAtATimeAndItsBarEndsWithTheLastFile)
{
    ScopedManualClock clock;
    ASSERT_TRUE(server.loadCompany(CORVELLE_SAMPLE_COMPANY_DIR));
    ASSERT_TRUE(signIn());
    auto sampling = std::make_shared<SamplingSyncDelegate>(documents("acme/ProductImages"));
    syncDelegate = sampling;
    server.clearReceived();
    ASSERT_TRUE(synchronise());

    EXPECT_EQ(server.receivedFor("file").size(), 600u + 4u);
    EXPECT_EQ(sampling->productPictures(), 600);
    // The rest of the batch waited as names while a bounded number were out.
    EXPECT_GT(sampling->mostWaiting, 0u);
    EXPECT_LE(sampling->mostQueued, NetworkModel::kBatchFilesInFlight);
    // Besides the batch files, only the run's own few messages.
    EXPECT_LE(sampling->mostRegistered, NetworkModel::kBatchFilesInFlight + 4);
    // The product bar counts the whole batch: it never steps back, and it
    // reaches its end only once every picture is on the device.
    float last = 0;
    for (const auto& p : sampling->progress_) {
        if (p.kind != SyncModel::kProductImages)
            continue;
        EXPECT_GE(p.value, last);
        last = p.value;
    }
    EXPECT_FLOAT_EQ(last, 1.0f);
    // The last file's bytes are all in when the bar ends; it is moved into place just after.
    EXPECT_GE(sampling->picturesWhenKindEnded, 599);
    EXPECT_EQ(NetworkModel::sharedInstance()->waitingBatchFiles(), 0u);
}

// Failed, missing and dropped pictures inside a big batch: each is retried
// once, the batch still ends, and the run goes on to the finish reports.
TEST_F(SessionRoad, FailuresInsideABigBatchAreRetriedOnceAndTheRunStillFinishes)
{
    ScopedManualClock clock;
    ASSERT_TRUE(server.loadCompany(CORVELLE_SAMPLE_COMPANY_DIR));
    ASSERT_TRUE(signIn());
    struct Case {
        std::string name;
        std::optional<int> status;
        FakeCompanyServer::Fault fault;
    };
    // Full pictures only: a missing thumbnail is made from its full picture
    // once the batch ends, so its file proves nothing of the download.
    const Case cases[] = {
        { "p00007.png", 500, FakeCompanyServer::Fault::None },
        { "p00150.png", 404, FakeCompanyServer::Fault::None },
        { "p00299.png", std::nullopt, FakeCompanyServer::Fault::Drop },
        { "p00300.png", std::nullopt, FakeCompanyServer::Fault::CutBody },
    };
    for (const auto& c : cases) {
        if (c.status)
            server.setFileStatus(c.name, c.status);
        else
            server.setFileFault(c.name, c.fault);
    }
    server.clearReceived();
    ASSERT_TRUE(synchronise());
    auto files = server.receivedFor("file");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto asked = std::count_if(files.begin(), files.end(),
            [&](const FakeCompanyServer::Received& r) { return r.path.ends_with("/" + c.name); });
        const std::string landed = documents("acme/ProductImages/" + c.name);
        if (c.status) {
            // Once in the batch, once alone: the engine makes no attempts of its own for a batch file.
            EXPECT_EQ(asked, 2);
            EXPECT_FALSE(exists("acme/ProductImages/" + c.name));
        } else if (c.fault == FakeCompanyServer::Fault::Drop) {
            // The engine may try a dropped connection once more on a new one.
            EXPECT_GE(asked, 2);
            EXPECT_LE(asked, 4);
            EXPECT_FALSE(exists("acme/ProductImages/" + c.name));
        } else {
            // A cut answer is resumed from what came; whatever lands is the whole file.
            EXPECT_GE(asked, 2);
            if (exists("acme/ProductImages/" + c.name)) {
                EXPECT_EQ(readBytes(landed),
                    readBytes(std::string(CORVELLE_SAMPLE_COMPANY_DIR) + "/files/ACME/product/" + c.name));
            }
        }
    }
    EXPECT_TRUE(exists("acme/ProductImages/p00008.png"));
    EXPECT_TRUE(exists("acme/LibraryImages/cover4.png"));
    EXPECT_EQ(commands().back(), "syncDataFinished:customer");
}

// Logging out while the run's thumbnails are being made: the log-out returns
// once the thumbnail under way is written, none is started after it, and
// nothing is left half-written in the client's folder.
TEST_F(SessionRoad, LoggingOutWaitsForTheThumbnailUnderWayAndStopsTheRest)
{
    ScopedManualClock clock;
    ASSERT_TRUE(server.loadCompany(CORVELLE_SAMPLE_COMPANY_DIR));
    ASSERT_TRUE(signIn());
    ASSERT_TRUE(synchronise());
    // Every thumbnail is to be made again from its full picture, as after a
    // first download: hundreds of them, far more than a log-out waits for.
    const auto paths = SyncModel::thumbnailPaths(DataAccessManager::sharedDataModel()->getPublishImages(true));
    ASSERT_GT(paths.size(), 100u);
    for (const auto& [full, thumb] : paths)
        NSFileManager::defaultManager().removeItemAtPath(thumb);
    auto sync = SyncModel::sharedInstance();
    sync->setImageType(SyncModel::kProductImages);
    // The product pictures' bar reaching its end starts the thumbnails.
    sync->setProgress(1.0f);
    const auto tasks = sync->thumbnailTasks();
    ASSERT_FALSE(tasks.empty());
    sync.reset();
    // What the log-out does.
    NetworkModel::sharedInstance()->cancelAllRequests();
    SyncModel::freeInstance();
    size_t made = 0;
    for (const auto& task : tasks)
        EXPECT_TRUE(task->isDone());
    for (const auto& [full, thumb] : paths) {
        if (!NSFileManager::defaultManager().fileExistsAtPath(thumb))
            continue;
        ++made;
        EXPECT_NE(UIImage::imageWithContentsOfFile(thumb), nullptr) << thumb;
    }
    EXPECT_LT(made, paths.size());
}

// The thumbnail worker's list keeps one folder and the names: each entry
// still names the very files the sync downloads, and a name that could leave
// the folder, or an entry of the wrong shape, gives no entry.
TEST_F(SessionRoad, ThumbnailPathsNameTheDownloadedFilesAndSkipUnsafeEntries)
{
    ASSERT_TRUE(server.loadCompany(CORVELLE_SAMPLE_COMPANY_DIR));
    ASSERT_TRUE(signIn());
    auto entry = [](Value full, Value thumb) {
        Value e = Value::dictionary();
        e.set("imageFull", std::move(full));
        e.set("imageThumb", std::move(thumb));
        return e;
    };
    const ValueArray images { entry("a.jpg", "a_t.png"), entry("../up.jpg", "up_t.png"), entry("b.png", "sub/b_t.png"),
        entry(Value(7), "n_t.png"), Value("c.jpg"), entry("", "e_t.png"), entry("d d.jpg", "d_t.png") };
    const auto paths = SyncModel::thumbnailPaths(images);
    std::vector<std::pair<std::string, std::string>> listed;
    for (const auto& [full, thumb] : paths)
        listed.emplace_back(full, thumb);
    auto at = [](const char* name) { return ClientFiles::filePathWithNameFiletype(name, SyncModel::kProductImages); };
    const std::vector<std::pair<std::string, std::string>> expected { { at("a.jpg"), at("a_t.png") },
        { at("d d.jpg"), at("d_t.png") } };
    EXPECT_EQ(listed, expected);
    EXPECT_EQ(paths.size(), expected.size());
    EXPECT_TRUE(SyncModel::thumbnailPaths(ValueArray {}).empty());
}
