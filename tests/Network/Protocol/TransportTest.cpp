#include "ProtocolRoad.h"

#include "Network/Protocol/LoginMode.h"
#include "Network/Protocol/MsgRequest.h"
#include "Network/Protocol/SessionCommands.h"
#include "Network/Protocol/SyncCommands.h"
#include "Platform/Foundation/NSFileManager.h"
#include "Platform/Foundation/NSLog.h"
#include "Platform/Foundation/NSNotificationCenter.h"
#include "Platform/Foundation/NSPathUtilities.h"
#include "Platform/Foundation/NSUserDefaults.h"
#include "support/ClockFixture.h"

#include <set>
#include <thread>

namespace {

std::shared_ptr<RequestDownload> downloadOf(
    std::vector<std::string> names, int type, int progressType, const std::shared_ptr<NetworkRecDelegate>& receiver)
{
    auto message = std::make_shared<RequestDownload>();
    message->fileNameList = std::move(names);
    message->imgType = type;
    message->progressType = progressType;
    message->fileId = 42;
    message->setReceiveDelegete(receiver);
    return message;
}

std::shared_ptr<DownloadRst> downloadReply(
    const std::vector<std::shared_ptr<NetBaseRst>>& replies, const std::string& name)
{
    for (const auto& reply : replies) {
        auto download = std::dynamic_pointer_cast<DownloadRst>(reply);
        if (download && download->fileName == name)
            return download;
    }
    return nullptr;
}

}  // namespace

TEST(HttpNetworkCtrlTags, CommandInTheHighBitsAndASequenceThatSkipsZeroAndAllOnes)
{
    auto transport = HttpNetworkCtrl::sharedInstance();
    const int first = transport->getTagCode(0x102);
    EXPECT_EQ(HttpNetworkCtrl::getCmdcode(first), 0x102);
    const int second = transport->getTagCode(0x301);
    EXPECT_EQ(HttpNetworkCtrl::getCmdcode(second), 0x301);
    EXPECT_EQ(second & 0xFFFF, (first & 0xFFFF) == 0xFFFE ? 1 : (first & 0xFFFF) + 1);
    std::set<int> sequences;
    int last = 0;
    for (int i = 0; i < 65534; ++i) {
        last = transport->getTagCode(0x201);
        sequences.insert(last & 0xFFFF);
    }
    EXPECT_EQ(sequences.size(), 65534u);
    EXPECT_FALSE(sequences.count(0));
    EXPECT_FALSE(sequences.count(0xFFFF));
    // A whole turn of the sequence later, it stands where it stood.
    EXPECT_EQ(last & 0xFFFF, second & 0xFFFF);
}

TEST_F(ProtocolRoad, MessageGoesOutAsTheEnvelopeAndItsReplyReachesTheReceiver)
{
    Value login = server.content(FakeCompanyServer::kLogin);
    Value vendor = login["vendor"];
    vendor.set("password", Value("vendor-secret"));
    login.set("vendor", vendor);
    server.setContent(FakeCompanyServer::kLogin, login);
    std::vector<std::string> logged;
    NSLogSetCapture([&](const std::string& line) { logged.push_back(line); });
    auto message = std::make_shared<RequestLogin>();
    message->setReceiveDelegete(receiver);
    const int tag = model->sendRequest(message);
    EXPECT_EQ(HttpNetworkCtrl::getCmdcode(tag), 0x102);
    const bool replied = waitForReplies(1);
    NSLogSetCapture(nullptr);
    ASSERT_TRUE(replied);

    auto seen = server.receivedFor(FakeCompanyServer::kLogin);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].path, "/CorvelleSaas/Vendor");
    EXPECT_EQ(seen[0].contentType, "applicatioin/bin;charset=UTF-8");
    EXPECT_EQ(seen[0].parameters["password"].stringValue(), "md5(secret)");
    EXPECT_EQ(seen[0].parameters["accountId"].stringValue(), "Sales1");

    auto reply = std::dynamic_pointer_cast<LoginRst>(receiver->replies[0]);
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->status, "200");
    EXPECT_EQ(reply->message, "Done");
    EXPECT_EQ(reply->requestCode, tag);
    EXPECT_EQ(reply->cmdCode, 0x102);
    EXPECT_EQ(reply->httpRsp, 0);
    EXPECT_EQ(reply->sessionId, server.lastSessionId());

    EXPECT_EQ(reply->password, "vendor-secret");

    // The body and the reply are logged, their passwords are not.
    bool bodyLogged = false;
    bool replyLogged = false;
    for (const auto& line : logged) {
        EXPECT_EQ(line.find("md5(secret)"), std::string::npos) << line;
        EXPECT_EQ(line.find("vendor-secret"), std::string::npos) << line;
        bodyLogged = bodyLogged || line.find("the request body is") != std::string::npos;
        replyLogged = replyLogged || line.find("Corvelle Test Company") != std::string::npos;
    }
    EXPECT_TRUE(bodyLogged);
    EXPECT_TRUE(replyLogged);
}

TEST_F(ProtocolRoad, MessageBytesReachTheFrontDoorWithATrailingZero)
{
    auto hearer = std::make_shared<RecordingTransportReceiver>();
    auto info = std::make_shared<RequestInfoBase>();
    info->requestType = 0;
    info->cmdCode = 0x108;
    info->requestHeader = "Vendor?";
    info->requestUrlBody = R"({"root":{"parameters":{"methodName":"getuserinfo"}}})";
    info->delegate = hearer;
    const int tag = transport->SendHttpRequest(info);
    ASSERT_TRUE(pumpMainRunLoopUntil([&] { return !hearer->replies.empty(); }, 10));
    const auto& reply = *hearer->replies[0];
    const std::string expected
        = FakeCompanyServer::replyText(server.content(FakeCompanyServer::kUserInfo), "200", "Success");
    ASSERT_EQ(reply.recData.size(), expected.size() + 1);
    EXPECT_EQ(std::string(reply.recData.begin(), reply.recData.end() - 1), expected);
    EXPECT_EQ(reply.recData.back(), 0);
    // The zero went into room kept for it: a reply of tens of megabytes is
    // not copied into a buffer twice its size for one byte.
    EXPECT_EQ(reply.recData.capacity(), reply.recData.size());
    EXPECT_EQ(reply.requestCode, tag);
    EXPECT_EQ(reply.cmdCode, 0x108);
    EXPECT_EQ(transport->SendHttpRequest(nullptr), -1);
}

TEST_F(ProtocolRoad, UploadPostsItsFormToTheUploadServiceAndFailsWithoutARetry)
{
    ScopedManualClock clock;
    EXPECT_EQ(transport->GetUploadFileURL(), "http://127.0.0.1:8080/CorvelleSaas");
    // The fake server stands in for the upload service's fixed port.
    transport->uploadPort = server.port();
    auto upload = [&](const std::shared_ptr<RecordingTransportReceiver>& hearer) {
        auto info = std::make_shared<UploadRequestInfo>();
        info->requestType = 1;
        info->cmdCode = 0x206;
        info->setPostValueForKey(Value("ACME"), "clientId");
        const std::string bytes = "the orders";
        info->postData = ::Data(bytes.begin(), bytes.end());
        info->delegate = hearer;
        const int tag = transport->SendHttpRequest(info);
        return pumpMainRunLoopUntil([&] { return !hearer->replies.empty(); }, 10) ? tag : -1;
    };
    auto hearer = std::make_shared<RecordingTransportReceiver>();
    const int tag = upload(hearer);
    server.setFault(FakeCompanyServer::kFormUpload, FakeCompanyServer::Fault::Drop);
    auto failed = std::make_shared<RecordingTransportReceiver>();
    const double failedSent = Clock::now();
    const int failedTag = upload(failed);
    const double failedAnswered = Clock::now();
    const size_t tries = server.receivedFor(FakeCompanyServer::kFormUpload).size();
    transport->uploadPort = 8080;
    ASSERT_NE(tag, -1);
    ASSERT_NE(failedTag, -1);

    auto seen = server.receivedFor(FakeCompanyServer::kFormUpload);
    ASSERT_GE(seen.size(), 2u);
    EXPECT_EQ(seen[0].path, "/CorvelleSaas");
    EXPECT_EQ(seen[0].contentType.rfind("multipart/form-data", 0), 0u) << seen[0].contentType;
    EXPECT_EQ(seen[0].parameters["clientId"].stringValue(), "ACME");
    EXPECT_EQ(seen[0].parameters["data"].stringValue(), "the orders");
    const auto& reply = *hearer->replies[0];
    const std::string expected = FakeCompanyServer::replyText(Value(""), "200", "Success");
    ASSERT_EQ(reply.recData.size(), expected.size() + 1);
    EXPECT_EQ(std::string(reply.recData.begin(), reply.recData.end() - 1), expected);
    EXPECT_EQ(reply.requestType, 1);
    EXPECT_EQ(reply.requestCode, tag);
    EXPECT_EQ(reply.cmdCode, 0x206);
    EXPECT_EQ(reply.httpRsp, 0);

    // A failed upload is answered at once with the network-error reply, not
    // after the three seconds a failed message waits to go again.
    EXPECT_LT(failedAnswered - failedSent, 3.0);
    const auto& failure = *failed->replies[0];
    EXPECT_EQ(std::string(failure.recData.begin(), failure.recData.end()), HttpNetworkCtrl::kNetworkErrorReply);
    EXPECT_EQ(failure.requestCode, failedTag);
    EXPECT_NE(failure.httpRsp, 0);
    // A failed message goes again three seconds later; well past that, no
    // upload is waiting to go again, has gone again or has answered again.
    advanceClock(10);
    EXPECT_EQ(transport->messageQueue().requestsCount(), 0);
    EXPECT_EQ(server.receivedFor(FakeCompanyServer::kFormUpload).size(), tries);
    EXPECT_EQ(failed->replies.size(), 1u);
}

TEST_F(ProtocolRoad, DownloadMessageFetchesEachNameUnderItsOwnTag)
{
    server.addFile("ACME", "library/pdf", "guide.pdf", "0123456789");
    server.addFile("ACME", "library/pdf", "price list.pdf", "prices");
    auto message = downloadOf({ "guide.pdf", "price list.pdf", "gone.pdf" }, 5, 1, receiver);
    EXPECT_EQ(model->sendRequest(message), message->downloadId);
    ASSERT_TRUE(waitForReplies(3));

    std::set<int> tags;
    for (const auto& reply : receiver->replies) {
        auto download = std::dynamic_pointer_cast<DownloadRst>(reply);
        ASSERT_TRUE(download);
        EXPECT_EQ(download->downloadId, message->downloadId);
        EXPECT_EQ(download->fileId, 42);
        EXPECT_EQ(download->type, 5);
        EXPECT_EQ(download->cmdCode, 0x301);
        tags.insert(download->requestCode);
    }
    EXPECT_EQ(downloadReply(receiver->replies, "guide.pdf")->status, "200");
    EXPECT_EQ(downloadReply(receiver->replies, "price list.pdf")->status, "200");
    EXPECT_EQ(downloadReply(receiver->replies, "gone.pdf")->status, "404");
    EXPECT_EQ(readFile(documentsFile("acme/Pdf/guide.pdf")), "0123456789");
    EXPECT_EQ(readFile(documentsFile("acme/Pdf/price list.pdf")), "prices");
    EXPECT_FALSE(NSFileManager::defaultManager().fileExistsAtPath(documentsFile("acme/Pdf/gone.pdf")));

    auto seen = server.receivedFor("file");
    std::set<std::string> paths;
    for (const auto& r : seen) {
        paths.insert(r.path);
        EXPECT_EQ(r.contentType, "applicatioin/bin;charset=UTF-8");
    }
    EXPECT_EQ(paths,
        (std::set<std::string> { "/corvelle_saas/images/ACME/library/pdf/guide.pdf",
            "/corvelle_saas/images/ACME/library/pdf/price list.pdf",
            "/corvelle_saas/images/ACME/library/pdf/gone.pdf" }));
}

TEST_F(ProtocolRoad, DownloadLandsOnlyOnAGoodStatusAndOtherwiseLeavesTheDestinationAlone)
{
    const struct {
        const char* name;
        std::optional<int> status;  // what the server answers; nothing: the file
        const char* replyStatus;
        std::optional<std::string> destination;  // afterwards; nothing: no file
        size_t tries;
    } cases[] = {
        { "fresh.png", std::nullopt, "200", "new bytes", 1 },
        { "busy.png", 503, "999", "old bytes", 4 },
        { "refused.png", 403, "999", "old bytes", 4 },
        { "moved.png", 302, "999", "old bytes", 4 },
        { "removed.png", 404, "404", std::nullopt, 0 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        receiver->replies.clear();
        server.clearReceived();
        server.addFile("ACME", "product", c.name, "new bytes");
        server.setFileStatus(c.name, c.status);
        const std::string destination = documentsFile(std::string("acme/ProductImages/") + c.name);
        writeFile(destination, "old bytes");
        model->sendRequest(downloadOf({ c.name }, 1, 0, receiver));
        ASSERT_TRUE(waitForReplies(1));
        EXPECT_EQ(receiver->replies[0]->status, c.replyStatus);
        EXPECT_EQ(receiver->replies[0]->httpRsp != 0, std::string(c.replyStatus) == "999");
        if (c.destination) {
            EXPECT_EQ(readFile(destination), *c.destination);
        } else {
            EXPECT_FALSE(NSFileManager::defaultManager().fileExistsAtPath(destination));
        }
        if (c.tries) {
            EXPECT_EQ(server.receivedFor("file").size(), c.tries);
        }
        // Nothing is left half-way in the temporary folder.
        EXPECT_FALSE(
            NSFileManager::defaultManager().fileExistsAtPath(DownloadRequest::stagingPathFor("ACME", 1, c.name)));
    }
}

// A transfer cut half-way never puts its half file where the picture belongs:
// the destination keeps the old picture (or stays empty) unless the whole
// file came, and the next download lands the whole file.
TEST_F(ProtocolRoad, ACutDownloadNeverLeavesAHalfFileInPlace)
{
    const std::string whole = "0123456789abcdefghijklmnopqrstuv";
    const struct {
        const char* name;
        int progressType;
        std::optional<std::string> before;
    } cases[] = {
        { "alone.png", 0, std::nullopt },
        { "alone-old.png", 0, "old bytes" },
        { "batch.png", 2, std::nullopt },
        { "batch-old.png", 2, "old bytes" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        receiver->replies.clear();
        server.addFile("ACME", "product", c.name, whole);
        server.setFileFault(c.name, FakeCompanyServer::Fault::CutBody);
        const std::string destination = documentsFile(std::string("acme/ProductImages/") + c.name);
        if (c.before)
            writeFile(destination, *c.before);
        model->sendRequest(downloadOf({ c.name }, 1, c.progressType, receiver));
        ASSERT_TRUE(waitForReplies(1));
        drainMainRunLoop();
        auto reply = downloadReply(receiver->replies, c.name);
        ASSERT_TRUE(reply);
        auto& files = NSFileManager::defaultManager();
        if (reply->status == std::optional<std::string>("200")) {
            // Resumed from what came, on the engine's own second try.
            EXPECT_EQ(readFile(destination), whole);
        } else if (c.before) {
            EXPECT_EQ(readFile(destination), *c.before);
        } else {
            EXPECT_FALSE(files.fileExistsAtPath(destination));
        }
        EXPECT_FALSE(files.fileExistsAtPath(DownloadRequest::stagingPathFor("ACME", 1, c.name)));
        // No stray file beside the pictures either.
        for (const auto& name :
            files.contentsOfDirectoryAtPath(documentsFile("acme/ProductImages")).value_or(std::vector<std::string>())) {
            EXPECT_TRUE(std::string(name).find(".partial") == std::string::npos) << name;
        }

        // The server mended: the next download lands the whole file.
        receiver->replies.clear();
        server.setFileFault(c.name, FakeCompanyServer::Fault::None);
        model->sendRequest(downloadOf({ c.name }, 1, c.progressType, receiver));
        ASSERT_TRUE(waitForReplies(1));
        drainMainRunLoop();
        EXPECT_EQ(downloadReply(receiver->replies, c.name)->status, "200");
        EXPECT_EQ(readFile(destination), whole);
        EXPECT_FALSE(files.fileExistsAtPath(DownloadRequest::partialPathFor("ACME", 1, c.name)));
    }
}

TEST_F(ProtocolRoad, ResumeAsksForTheRestAndARefusedRangeStartsAfresh)
{
    const struct {
        const char* partial;
        const char* firstRange;
    } cases[] = {
        { "0123", "bytes=4-" },
        // Longer than the server's file: the range is refused (416) and the partial file dropped.
        { "0123456789AB", "bytes=12-" },
    };
    server.addFile("ACME", "library/pdf", "guide.pdf", "0123456789");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.partial);
        receiver->replies.clear();
        server.clearReceived();
        const std::string partial = DownloadRequest::partialPathFor("ACME", 5, "guide.pdf");
        writeFile(partial, c.partial);
        model->sendRequest(downloadOf({ "guide.pdf" }, 5, 1, receiver));
        ASSERT_TRUE(waitForReplies(1));
        EXPECT_EQ(receiver->replies[0]->status, "200");
        EXPECT_EQ(readFile(documentsFile("acme/Pdf/guide.pdf")), "0123456789");
        EXPECT_FALSE(NSFileManager::defaultManager().fileExistsAtPath(partial));
        auto seen = server.receivedFor("file");
        ASSERT_FALSE(seen.empty());
        EXPECT_EQ(seen[0].range, c.firstRange);
        EXPECT_EQ(seen.back().range, seen.size() == 1 ? c.firstRange : "");
    }
}

TEST_F(ProtocolRoad, PartialFilesAreKeptApartByClientAndType)
{
    server.addFile("ACME", "library/pdf", "guide.pdf", "0123456789");
    // Another client's partial file of the same name, and one of another type.
    writeFile(DownloadRequest::partialPathFor("OTHER", 5, "guide.pdf"), "xxxxx");
    writeFile(DownloadRequest::partialPathFor("ACME", 1, "guide.pdf"), "yyyyy");
    model->sendRequest(downloadOf({ "guide.pdf" }, 5, 1, receiver));
    ASSERT_TRUE(waitForReplies(1));
    EXPECT_EQ(server.receivedFor("file").at(0).range, "");
    EXPECT_EQ(readFile(documentsFile("acme/Pdf/guide.pdf")), "0123456789");
    EXPECT_EQ(readFile(DownloadRequest::partialPathFor("OTHER", 5, "guide.pdf")), "xxxxx");
}

TEST_F(ProtocolRoad, UnsafeNamesAreAnsweredAsMissingWithoutATransfer)
{
    auto message = downloadOf({ "", ".", "..", "../escape.png", "a\\b.png", std::string("a\0b", 3) }, 1, 0, receiver);
    model->sendRequest(message);
    ASSERT_TRUE(waitForReplies(6));
    for (const auto& reply : receiver->replies)
        EXPECT_EQ(reply->status, "404");

    // A client id from the server that would leave the Documents folder.
    receiver->replies.clear();
    LoginMode::sharedInstance()->setClientID(std::string(".."));
    server.addFile("..", "product", "chair.png", "bytes");
    model->sendRequest(downloadOf({ "chair.png" }, 1, 0, receiver));
    ASSERT_TRUE(waitForReplies(1));
    EXPECT_EQ(receiver->replies[0]->status, "404");
    EXPECT_TRUE(server.receivedFor("file").empty());
    EXPECT_FALSE(NSFileManager::defaultManager().fileExistsAtPath(home.path() + "/ProductImages"));
}

TEST_F(ProtocolRoad, PercentagesOnlyFromAKnownLength)
{
    transport->shouldReportChunk = [] { return true; };
    std::string big(300 * 1024, 'x');
    server.addFile("ACME", "library/pdf", "known.pdf", big);
    server.addFile("ACME", "library/pdf", "unknown.pdf", big);
    model->sendRequest(downloadOf({ "known.pdf" }, 5, 1, receiver));
    ASSERT_TRUE(waitForReplies(1));
    ASSERT_FALSE(receiver->percents.empty());
    float previous = 0;
    for (const auto& info : receiver->percents) {
        EXPECT_EQ(info->fileName, "known.pdf");
        EXPECT_GT(info->downloadPercent, 0.0f);
        EXPECT_LE(info->downloadPercent, 1.0f);
        EXPECT_GE(info->downloadPercent, previous);
        previous = info->downloadPercent;
    }
    EXPECT_FLOAT_EQ(previous, 1.0f);

    receiver->percents.clear();
    server.setChunkedFiles(true);
    model->sendRequest(downloadOf({ "unknown.pdf" }, 5, 1, receiver));
    ASSERT_TRUE(waitForReplies(2));
    EXPECT_EQ(receiver->replies[1]->status, "200");
    EXPECT_TRUE(receiver->percents.empty());
    EXPECT_EQ(readFile(documentsFile("acme/Pdf/unknown.pdf")), big);
}

TEST_F(ProtocolRoad, ABatchReportsItsEndHoweverItsDownloadsEnd)
{
    server.addFile("ACME", "product", "a.png", "a");
    server.addFile("ACME", "product", "slow.png", "s");
    server.setFileFault("slow.png", FakeCompanyServer::Fault::Stall);
    model->sendRequest(downloadOf({ "a.png", "missing.png", "../bad.png", "slow.png" }, 1, 2, receiver));
    ASSERT_TRUE(waitForReplies(3));
    EXPECT_TRUE(receiver->progress.empty() || receiver->progress.back() < 1.0f);
    // Cancelling the last one by name ends the batch without a reply for it.
    model->cancelDownloadReuest("slow.png");
    ASSERT_TRUE(pumpMainRunLoopUntil([&] { return !receiver->progress.empty() && receiver->progress.back() == 1.0f; }));
    drainMainRunLoop();
    EXPECT_EQ(receiver->replies.size(), 3u);
    EXPECT_EQ(downloadReply(receiver->replies, "a.png")->status, "200");
    EXPECT_EQ(downloadReply(receiver->replies, "missing.png")->status, "404");
    EXPECT_EQ(downloadReply(receiver->replies, "../bad.png")->status, "404");

    // A name that is not downloading changes nothing.
    model->cancelDownloadReuest("nothing.png");
    EXPECT_EQ(transport->CancelDownLoadWithName("nothing.png"), 0);
}

TEST_F(ProtocolRoad, LostNetworkCancelsOnlyTheBatchDownloads)
{
    server.addFile("ACME", "product", "batch.png", "b");
    server.addFile("ACME", "product", "single.png", "s");
    server.setFileFault("batch.png", FakeCompanyServer::Fault::Stall);
    // The single download is answered after a while, unless it is cancelled.
    server.setFileFault("single.png", FakeCompanyServer::Fault::Stall, 5);
    model->sendRequest(downloadOf({ "batch.png" }, 1, 2, receiver));
    model->sendRequest(downloadOf({ "single.png" }, 1, 1, receiver));
    ASSERT_TRUE(pumpMainRunLoopUntil([&] { return server.received().size() >= 2; }));
    NSNotificationCenter::defaultCenter().postNotificationName("netUnconnect");
    ASSERT_TRUE(waitForReplies(1));
    auto reply = std::dynamic_pointer_cast<DownloadRst>(receiver->replies[0]);
    EXPECT_EQ(reply->fileName, "batch.png");
    EXPECT_EQ(reply->status, "999");
    EXPECT_EQ(reply->httpRsp, 1);
    EXPECT_EQ(transport->currentDownloadQueue().requestsCount(), 1);
    // The single download went on: the next and last reply is its file.
    ASSERT_TRUE(waitForReplies(2, 20));
    drainMainRunLoop();
    ASSERT_EQ(receiver->replies.size(), 2u);
    auto single = std::dynamic_pointer_cast<DownloadRst>(receiver->replies[1]);
    EXPECT_EQ(single->fileName, "single.png");
    EXPECT_EQ(single->status, "200");
}

TEST_F(ProtocolRoad, LostNetworkAnswersEveryBatchDownloadOnceRunningOrWaiting)
{
    // Three run at a time: two of these five are still waiting in the queue
    // when the network goes, and their requester must hear of them too.
    const std::vector<std::string> names { "b1.png", "b2.png", "b3.png", "b4.png", "b5.png" };
    for (const auto& name : names) {
        server.addFile("ACME", "product", name, "b");
        server.setFileFault(name, FakeCompanyServer::Fault::Stall);
    }
    model->sendRequest(downloadOf(names, 1, 2, receiver));
    ASSERT_TRUE(pumpMainRunLoopUntil([&] { return server.received().size() >= 3; }));
    NSNotificationCenter::defaultCenter().postNotificationName("netUnconnect");
    ASSERT_TRUE(waitForReplies(names.size()));
    drainMainRunLoop();
    EXPECT_EQ(receiver->replies.size(), names.size());
    for (const auto& name : names) {
        auto reply = downloadReply(receiver->replies, name);
        ASSERT_TRUE(reply) << name;
        EXPECT_EQ(reply->status, "999") << name;
        EXPECT_EQ(reply->httpRsp, 1) << name;
    }
    EXPECT_EQ(transport->downloadQueue().requestsCount(), 0);
}

TEST_F(ProtocolRoad, FailedMessageIsSentOnceMoreThreeSecondsLaterThenAnsweredAsANetworkError)
{
    ScopedManualClock clock;
    server.setFault(FakeCompanyServer::kUserInfo, FakeCompanyServer::Fault::Drop);
    auto message = std::make_shared<RequestGetUserinfo>();
    message->setReceiveDelegete(receiver);
    const int tag = model->sendRequest(message);
    // The engine may already have tried the dropped connection again by the time the pump looks.
    ASSERT_TRUE(pumpMainRunLoopUntil([&] { return !server.received().empty(); }, 10));
    const double firstFailure = Clock::now();
    ASSERT_TRUE(waitForReplies(1, 20));
    EXPECT_GE(Clock::now() - firstFailure, 3.0);
    // The engine may itself try a dropped connection again; the transport's own retry makes it at least two.
    EXPECT_GE(server.receivedFor(FakeCompanyServer::kUserInfo).size(), 2u);
    drainMainRunLoop();
    EXPECT_EQ(receiver->replies.size(), 1u);
    EXPECT_EQ(receiver->replies[0]->status, "999");
    EXPECT_EQ(receiver->replies[0]->message, "Network error");
    EXPECT_EQ(receiver->replies[0]->requestCode, tag);
    EXPECT_NE(receiver->replies[0]->httpRsp, 0);
}

TEST_F(ProtocolRoad, CancelledRequestsAreNeverRetried)
{
    ScopedManualClock clock;
    server.setFault(FakeCompanyServer::kUserInfo, FakeCompanyServer::Fault::Stall);
    server.addFile("ACME", "product", "slow.png", "s");
    server.setFileFault("slow.png", FakeCompanyServer::Fault::Stall);
    auto message = std::make_shared<RequestGetUserinfo>();
    message->setReceiveDelegete(receiver);
    model->sendRequest(message);
    model->sendRequest(downloadOf({ "slow.png" }, 1, 1, receiver));
    // Cancelled while under way: the message has started, the download has reached the server.
    ASSERT_TRUE(pumpMainRunLoopUntil([&] {
        auto messages = transport->messageQueue().operations();
        return !messages.empty() && messages.front()->isExecuting() && !server.receivedFor("file").empty();
    }));
    transport->messageQueue().cancelAllOperations();
    transport->currentDownloadQueue().cancelAllOperations();
    ASSERT_TRUE(waitForReplies(2));
    for (const auto& reply : receiver->replies) {
        EXPECT_EQ(reply->status, "999");
        EXPECT_EQ(reply->httpRsp, 1);
    }
    advanceClock(10);
    EXPECT_EQ(transport->messageQueue().requestsCount(), 0);
    EXPECT_EQ(transport->currentDownloadQueue().requestsCount(), 0);
    EXPECT_EQ(receiver->replies.size(), 2u);
}

TEST_F(ProtocolRoad, LockedUserStatusGoesToTheApplicationNotTheReceiver)
{
    server.setStatus(FakeCompanyServer::kUserInfo, "114");
    auto message = std::make_shared<RequestGetUserinfo>();
    message->setReceiveDelegete(receiver);
    model->sendRequest(message);
    ASSERT_TRUE(pumpMainRunLoopUntil([&] { return !services.lockedUserCalls.empty(); }));
    drainMainRunLoop();
    ASSERT_EQ(services.lockedUserCalls.size(), 1u);
    EXPECT_EQ(services.lockedUserCalls[0].first, "114");
    EXPECT_EQ(services.lockedUserCalls[0].second, "No status");  // "114" has no text of its own here
    EXPECT_TRUE(receiver->replies.empty());
}

TEST_F(ProtocolRoad, RepliesForForgottenTagsAreDropped)
{
    server.setFault(FakeCompanyServer::kUserInfo, FakeCompanyServer::Fault::Stall);
    const std::function<void(NetworkModel&)> forgetters[] = {
        [](NetworkModel& m) { m.cancelAllRequests(); },
        [this](NetworkModel& m) { m.removeAllReuest(receiver.get()); },
    };
    for (const auto& forget : forgetters) {
        auto message = std::make_shared<RequestGetUserinfo>();
        message->setReceiveDelegete(receiver);
        const int tag = model->sendRequest(message);
        forget(*model);
        auto late = std::make_shared<RequestInfoBase>();
        late->requestType = 0;
        late->requestCode = tag;
        late->cmdCode = 0x108;
        const std::string text = FakeCompanyServer::replyText(Value(""), "200");
        late->recData = ::Data(text.begin(), text.end());
        model->ReciveHttpRespond(late);
        EXPECT_TRUE(receiver->replies.empty());
    }
}

TEST_F(ProtocolRoad, CancellingByDownloadIdStopsEveryFileOfThatMessageQuietly)
{
    for (const char* name : { "s1.png", "s2.png", "s3.png" }) {
        server.addFile("ACME", "product", name, "s");
        server.setFileFault(name, FakeCompanyServer::Fault::Stall);
    }
    // The other message's file is answered after a while.
    server.setFileFault("s3.png", FakeCompanyServer::Fault::Stall, 5);
    auto first = downloadOf({ "s1.png", "s2.png" }, 1, 1, receiver);
    auto second = downloadOf({ "s3.png" }, 1, 1, receiver);
    model->sendRequest(first);
    model->sendRequest(second);
    ASSERT_TRUE(pumpMainRunLoopUntil([&] { return server.received().size() >= 3; }));
    transport->CancelDownLoadRequest(first->downloadId);
    EXPECT_TRUE(pumpMainRunLoopUntil([&] { return transport->currentDownloadQueue().requestsCount() == 1; }, 10));
    EXPECT_TRUE(receiver->replies.empty());
    // The cancelled files stay quiet: the only reply, when it comes, is the other message's.
    ASSERT_TRUE(waitForReplies(1, 20));
    drainMainRunLoop();
    ASSERT_EQ(receiver->replies.size(), 1u);
    auto reply = std::dynamic_pointer_cast<DownloadRst>(receiver->replies[0]);
    EXPECT_EQ(reply->fileName, "s3.png");
    EXPECT_EQ(reply->status, "200");
}

TEST_F(ProtocolRoad, AFailedDeliveryReachesTheReceiverEvenWithTheLockedUserStatus)
{
    server.setFault(FakeCompanyServer::kUserInfo, FakeCompanyServer::Fault::Stall);
    auto message = std::make_shared<RequestGetUserinfo>();
    message->setReceiveDelegete(receiver);
    const int tag = model->sendRequest(message);
    auto failed = std::make_shared<RequestInfoBase>();
    failed->requestType = 0;
    failed->requestCode = tag;
    failed->cmdCode = 0x108;
    failed->httpRsp = 2;
    const std::string text = FakeCompanyServer::replyText(Value(""), "114");
    failed->recData = ::Data(text.begin(), text.end());
    model->ReciveDidFailed(failed);
    ASSERT_EQ(receiver->replies.size(), 1u);
    EXPECT_EQ(receiver->replies[0]->status, "114");
    EXPECT_EQ(receiver->replies[0]->httpRsp, 2);
    EXPECT_EQ(receiver->replies[0]->requestCode, tag);
    EXPECT_TRUE(services.lockedUserCalls.empty());
    // The entry is gone: the real reply, when it comes, is dropped.
    model->ReciveHttpRespond(failed);
    EXPECT_EQ(receiver->replies.size(), 1u);
}

TEST_F(ProtocolRoad, FileAddressesJoinTheFileServerAndThePath)
{
    const std::string host = "http://127.0.0.1:" + std::to_string(server.port());
    EXPECT_EQ(transport->GetFileURL(std::string("/corvelle_saas/images/a.png")), host + "/corvelle_saas/images/a.png");
    EXPECT_EQ(transport->GetFileURL(std::nullopt), "");
    EXPECT_EQ(transport->GetMsgURLWithHeader("SyncServer;S 1?"), host + "/CorvelleSaas/SyncServer;S%201?");

    // A host setting that names https takes each server there; the scheme
    // is compared in any case and stays out of the host.
    auto defaults = NSUserDefaults::standardUserDefaults();
    defaults->setObjectForKey(Value("https://msg.example"), "IP");
    defaults->setObjectForKey(Value("HTTPS://files.example"), "ImageIP");
    const std::string port = ":" + std::to_string(server.port());
    EXPECT_EQ(transport->GetMsgURLWithHeader("Vendor"), "https://msg.example" + port + "/CorvelleSaas/Vendor");
    EXPECT_EQ(transport->GetFileURL(std::string("/a.png")), "https://files.example" + port + "/a.png");
    EXPECT_EQ(transport->GetUploadFileURL(), "https://msg.example:8080/CorvelleSaas");
    defaults->setObjectForKey(Value("http://msg.example"), "IP");
    EXPECT_EQ(transport->GetMsgURLWithHeader("Vendor"), "http://msg.example" + port + "/CorvelleSaas/Vendor");
}

TEST_F(ProtocolRoad, FileNamesWithQueryAndFragmentMarksFetchTheirOwnFile)
{
    server.addFile("ACME", "library/pdf", "what?.pdf", "question");
    server.addFile("ACME", "library/pdf", "what", "wrong file");
    server.addFile("ACME", "library/pdf", "no#1.pdf", "number");
    server.addFile("ACME", "library/pdf", "no", "wrong file");
    model->sendRequest(downloadOf({ "what?.pdf", "no#1.pdf" }, 5, 1, receiver));
    ASSERT_TRUE(waitForReplies(2));
    EXPECT_EQ(downloadReply(receiver->replies, "what?.pdf")->status, "200");
    EXPECT_EQ(downloadReply(receiver->replies, "no#1.pdf")->status, "200");
    EXPECT_EQ(readFile(documentsFile("acme/Pdf/what?.pdf")), "question");
    EXPECT_EQ(readFile(documentsFile("acme/Pdf/no#1.pdf")), "number");
}
