#include "LibraryFixture.h"

#include "Network/Protocol/RequestDownload.h"

#include <gtest/gtest.h>

namespace {

class RecordingScreen : public NetworkRecDelegate {
public:
    void ReciveHttpRespondInfo(const std::shared_ptr<NetBaseRst>& reply) override { replies.push_back(reply); }
    void ReciveDownloadPercent(const std::shared_ptr<DownLoadRequestInfo>& info) override
    {
        percents.push_back(info->downloadPercent);
    }
    std::vector<std::shared_ptr<NetBaseRst>> replies;
    std::vector<float> percents;
};

std::shared_ptr<RequestDownload> downloadOf(const std::string& name, int fileId, const std::string& type)
{
    auto message = std::make_shared<RequestDownload>();
    message->fileId = fileId;
    message->imgType = PublicFunction::getFileType(type);
    message->progressType = 1;
    message->fileNameList = { name };
    return message;
}

std::shared_ptr<DownLoadRequestInfo> progressOf(const std::string& name, float percent)
{
    auto info = std::make_shared<DownLoadRequestInfo>();
    info->fileName = name;
    info->downloadPercent = percent;
    return info;
}

}  // namespace

using SaleslibraryModelTest = LibraryFixture;

TEST_F(SaleslibraryModelTest, ANameIsDownloadingOrPausedNeverBothAndKeepsItsProgressWhilePaused)
{
    auto m = manager();
    m->sendRequest(downloadOf("guide.pdf", 1, "PDF"));
    EXPECT_TRUE(m->isInDownloadList("guide.pdf"));
    m->ReciveDownloadPercent(progressOf("guide.pdf", 0.4f));

    m->pauseDownloadFile("guide.pdf");
    EXPECT_FALSE(m->isInDownloadList("guide.pdf"));
    EXPECT_TRUE(m->isInPauseList("guide.pdf"));
    EXPECT_FLOAT_EQ(m->getDownloadPercentage("guide.pdf"), 0.4f);

    // Resuming keeps the old value until the next report.
    m->sendRequest(downloadOf("guide.pdf", 1, "PDF"));
    EXPECT_TRUE(m->isInDownloadList("guide.pdf"));
    EXPECT_FALSE(m->isInPauseList("guide.pdf"));
    EXPECT_FLOAT_EQ(m->getDownloadPercentage("guide.pdf"), 0.4f);

    m->pauseDownloadFile("guide.pdf");
    m->cancelDownloadFile("guide.pdf");
    EXPECT_FALSE(m->isInDownloadList("guide.pdf"));
    EXPECT_FALSE(m->isInPauseList("guide.pdf"));

    // Nothing for absent names, or for a pause of a name not under way.
    m->pauseDownloadFile(std::nullopt);
    m->pauseDownloadFile("other.pdf");
    m->cancelDownloadFile(std::nullopt);
    EXPECT_FALSE(m->isInDownloadList(std::nullopt));
    EXPECT_FALSE(m->isInPauseList(std::nullopt));
    EXPECT_TRUE(m->pauseFileArray().empty());
    EXPECT_EQ(frontDoor->messagesFor(0x301).size(), 2u);
}

TEST_F(SaleslibraryModelTest, TheReplyStatusDecidesWhatIsOnTheDeviceAndEveryReplyReachesTheScreens)
{
    const struct {
        const char* status;
        bool arrived;  // the transport wrote the file
        bool exists;
        bool finishReport;
    } cases[] = {
        { "200", true, true, true },
        // Reported good but not found where it belongs: reported, not on the device.
        { "200", false, false, true },
        { "404", false, false, false },
        { "999", false, false, false },
    };
    int id = 0;
    for (const auto& c : cases) {
        ++id;
        SCOPED_TRACE(std::string(c.status) + (c.arrived ? " arrived" : ""));
        const std::string name = "file" + std::to_string(id) + ".pdf";
        addFiles({ { id, "File", name } });
        addPendingUpdate(id, "old" + name, "PDF");
        auto screen = std::make_shared<RecordingScreen>();
        auto m = manager();
        m->registerCallBackList(screen);
        m->sendRequest(downloadOf(name, id, "PDF"));
        m->ReciveDownloadPercent(progressOf(name, 0.5f));
        const size_t reportsBefore = frontDoor->messagesFor(0x207).size();
        if (c.arrived)
            putOnDisk(name, "PDF");
        answerDownload(name, c.status);

        EXPECT_FALSE(m->isInDownloadList(name));
        EXPECT_EQ(m->isExists(id), c.exists);
        ASSERT_EQ(screen->replies.size(), 1u);
        EXPECT_EQ(screen->replies[0]->status, c.status);
        const auto reports = frontDoor->messagesFor(0x207);
        EXPECT_EQ(reports.size(), reportsBefore + (c.finishReport ? 1 : 0));
        if (c.finishReport) {
            EXPECT_EQ(reports.back().parameters["fileIds"].stringValue(), std::to_string(id));
            EXPECT_FLOAT_EQ(m->getDownloadPercentage(name), 0);
        } else {
            EXPECT_FLOAT_EQ(m->getDownloadPercentage(name), 0.5f);
        }
        // The pending-update record goes only when the new version has arrived.
        EXPECT_EQ(DataAccessManager::sharedDataModel()->getLibFileUpdateByFileID(id) == nullptr, c.finishReport);
        m->removeFromCallBackList(screen.get());
    }
}

TEST_F(SaleslibraryModelTest, TheFinishReportsReplyIsOnlyLogged)
{
    frontDoor->replyTo(0x207, FakeFrontDoor::envelope("200"));
    addFiles({ { 1, "Guide", "guide.pdf" } });
    auto screen = std::make_shared<RecordingScreen>();
    manager()->registerCallBackList(screen);
    manager()->sendRequest(downloadOf("guide.pdf", 1, "PDF"));
    putOnDisk("guide.pdf", "PDF");
    answerDownload("guide.pdf", "200");
    drainMainRunLoop();
    EXPECT_TRUE(logged("request download finish success!"));
    EXPECT_EQ(screen->replies.size(), 1u);
}

TEST_F(SaleslibraryModelTest, ScreensAreToldOnceEachInOrderAndNeverAfterLeavingOrEnding)
{
    auto first = std::make_shared<RecordingScreen>();
    auto second = std::make_shared<RecordingScreen>();
    auto gone = std::make_shared<RecordingScreen>();
    auto m = manager();
    m->registerCallBackList(first);
    m->registerCallBackList(second);
    m->registerCallBackList(first);
    m->registerCallBackList(gone);
    gone.reset();
    m->ReciveDownloadPercent(progressOf("guide.pdf", 0.25f));
    EXPECT_EQ(first->percents, std::vector<float> { 0.25f });
    EXPECT_EQ(second->percents, std::vector<float> { 0.25f });

    m->removeFromCallBackList(second.get());
    m->removeFromCallBackList(second.get());
    m->ReciveDownloadPercent(progressOf("guide.pdf", 0.5f));
    EXPECT_EQ(first->percents.size(), 2u);
    EXPECT_EQ(second->percents.size(), 1u);
    EXPECT_FLOAT_EQ(m->getDownloadPercentage("guide.pdf"), 0.5f);
}

TEST_F(SaleslibraryModelTest, FilesOnTheDeviceIncludeTheOldVersionOfAPendingUpdateAndNoUnsafeName)
{
    addFiles({ { 1, "Present", "present.pdf" }, { 2, "Replaced", "new.pdf" }, { 3, "Absent", "absent.pdf" },
        { 4, "Escaping", "../present.pdf" }, { 5, "Video", "tour.mp4", "VEDIO" } });
    addPendingUpdate(2, "old.docx", "WORD");
    putOnDisk("present.pdf", "PDF");
    putOnDisk("old.docx", "WORD");
    putOnDisk("tour.mp4", "VEDIO");
    auto m = manager();
    EXPECT_EQ(m->existsFiles(), (std::vector<int> { 1, 2, 5 }));  // by title

    m->removeExistsFiles(1);
    EXPECT_FALSE(m->isExists(1));
    m->loadExistsFiles();
    EXPECT_TRUE(m->isExists(1));
}

TEST_F(SaleslibraryModelTest, FreeingTheManagerCancelsItsTransfersAndTheNextStartsAfresh)
{
    addFiles({ { 1, "Guide", "guide.pdf" } });
    manager()->sendRequest(downloadOf("guide.pdf", 1, "PDF"));
    ASSERT_EQ(frontDoor->waiting().size(), 1u);
    SaleslibraryModel::freeInstance();
    putOnDisk("guide.pdf", "PDF");
    auto fresh = manager();
    EXPECT_TRUE(fresh->downloadFileNameArray().empty());
    EXPECT_TRUE(fresh->isExists(1));
    // Freeing when none exists makes one and drops it again without harm.
    SaleslibraryModel::freeInstance();
    SaleslibraryModel::freeInstance();
    EXPECT_NE(manager().get(), nullptr);
}
