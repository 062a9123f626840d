#include "LibraryRoad.h"

#include "Network/Protocol/MsgRequest.h"
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

std::string bodyOf(size_t size)
{
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<char>((i * 131 + i / 7) & 0xff);
    return bytes;
}

}  // namespace

TEST_F(LibraryRoad, AFileDownloadsWholeIsReportedAndShowsOnTheDevice)
{
    const std::string bytes = bodyOf(300 * 1024);
    server.addFile("ACME", "library/pdf", "catalogue.pdf", bytes);
    addFiles({ { 1, "Catalogue", "catalogue.pdf" } });
    auto screen = std::make_shared<RecordingScreen>();
    auto m = manager();
    m->registerCallBackList(screen);
    m->sendRequest(downloadOf("catalogue.pdf", 1, "PDF"));
    ASSERT_TRUE(pumpMainRunLoopUntil([&] { return !screen->replies.empty(); }, 20));
    EXPECT_EQ(screen->replies[0]->status, "200");
    EXPECT_FALSE(screen->percents.empty());
    EXPECT_TRUE(m->isExists(1));
    EXPECT_FALSE(m->isInDownloadList("catalogue.pdf"));
    EXPECT_EQ(readFile(pathOf("catalogue.pdf", "PDF")), bytes);
    ASSERT_TRUE(
        pumpMainRunLoopUntil([&] { return !server.receivedFor(FakeCompanyServer::kFileFinished).empty(); }, 10));
    EXPECT_EQ(server.receivedFor(FakeCompanyServer::kFileFinished)[0].parameters["fileIds"].stringValue(), "1");
}

TEST_F(LibraryRoad, ADownloadPausedBeforeARestartResumesWithARangeAndEndsByteIdentical)
{
    const std::string bytes = bodyOf(200 * 1024);
    server.addFile("ACME", "library/pdf", "guide.pdf", bytes);
    addFiles({ { 1, "Guide", "guide.pdf" } });
    // What the earlier run left of the transfer when the user paused it.
    const std::string partial = DownloadRequest::partialPathFor("ACME", 5, "guide.pdf");
    NSFileManager::defaultManager().createDirectoryAtPathWithIntermediateDirectories(
        partial.substr(0, partial.rfind('/')), true);
    std::ofstream(partial, std::ios::binary) << bytes.substr(0, 70000);
    EXPECT_FALSE(manager()->isExists(1));

    auto screen = std::make_shared<RecordingScreen>();
    manager()->registerCallBackList(screen);
    manager()->sendRequest(downloadOf("guide.pdf", 1, "PDF"));
    ASSERT_TRUE(pumpMainRunLoopUntil([&] { return !screen->replies.empty(); }, 20));
    EXPECT_EQ(screen->replies[0]->status, "200");
    auto files = server.receivedFor("file");
    ASSERT_FALSE(files.empty());
    EXPECT_EQ(files[0].range, "bytes=70000-");
    EXPECT_EQ(readFile(pathOf("guide.pdf", "PDF")), bytes);
    EXPECT_TRUE(manager()->isExists(1));
}

TEST_F(LibraryRoad, AnErrorPageOrAMissingFileLeavesNothingOnTheDevice)
{
    const struct {
        const char* name;
        std::optional<int> httpStatus;
        const char* status;
    } cases[] = {
        { "broken.pdf", 500, "999" },
        { "moved.pdf", 302, "999" },
        { "missing.pdf", 404, "404" },
    };
    int id = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ++id;
        server.addFile("ACME", "library/pdf", c.name, "<html>error</html>");
        server.setFileStatus(c.name, c.httpStatus);
        addFiles({ { id, c.name, c.name } });
        auto screen = std::make_shared<RecordingScreen>();
        manager()->registerCallBackList(screen);
        manager()->sendRequest(downloadOf(c.name, id, "PDF"));
        ASSERT_TRUE(pumpMainRunLoopUntil([&] { return !screen->replies.empty(); }, 30));
        EXPECT_EQ(screen->replies[0]->status, c.status);
        EXPECT_FALSE(manager()->isExists(id));
        EXPECT_FALSE(manager()->isInDownloadList(c.name));
        EXPECT_FALSE(onDisk(c.name, "PDF"));
        manager()->loadExistsFiles();
        EXPECT_FALSE(manager()->isExists(id));
        manager()->removeFromCallBackList(screen.get());
    }
    EXPECT_TRUE(server.receivedFor(FakeCompanyServer::kFileFinished).empty());
}
