// File downloads over kept connections, from a loopback file server that
// counts the connections it accepts.

#include "ProtocolRoad.h"

#include "Network/Protocol/MsgRequest.h"
#include "Platform/Foundation/NSFileManager.h"
#include "Platform/Foundation/NSUserDefaults.h"
#include "support/ScriptedHttpServer.h"

#include <cstdlib>
#include <set>

namespace {

std::string contentOf(const std::string& name) { return "the bytes of " + name; }

// Serves every file by its name; a "Range" gets the rest from its start.
Script answerFile(const ScriptedRequest& request, bool closeAfterEach)
{
    const std::string line = request.requestLine();
    const size_t slash = line.rfind('/', line.rfind(' '));
    const std::string name = line.substr(slash + 1, line.rfind(' ') - slash - 1);
    const std::string whole = contentOf(name);
    const std::string range = request.header("Range");
    std::string answer;
    if (range.rfind("bytes=", 0) == 0) {
        const size_t start = std::strtoul(range.c_str() + 6, nullptr, 10);
        answer = ScriptedHttpServer::response(206, whole.substr(start),
            "Content-Range: bytes " + std::to_string(start) + "-" + std::to_string(whole.size() - 1) + "/"
                + std::to_string(whole.size()) + "\r\n");
    } else {
        answer = ScriptedHttpServer::response(200, whole);
    }
    // The bad day: the server says nothing of closing, then closes anyway.
    if (closeAfterEach)
        return { ScriptStep::send(answer), ScriptStep::close() };
    return { ScriptStep::send(answer) };
}

}  // namespace

TEST_F(ProtocolRoad, BatchDownloadsReuseKeptConnectionsAndResumeOverThem)
{
    const std::vector<std::string> names { "a.png", "b.png", "c.png", "d.png", "e.png", "f.png", "g.png", "h.png",
        "i.png" };
    const struct {
        bool closeAfterEach;
        bool fewerConnectionsThanFiles;
    } cases[] = { { false, true }, { true, false } };
    for (const auto& c : cases) {
        SCOPED_TRACE(
            c.closeAfterEach ? "the server closes each connection unannounced" : "the server keeps connections");
        receiver->replies.clear();
        ScriptedHttpServer files([&c](const ScriptedRequest& r) { return answerFile(r, c.closeAfterEach); });
        NSUserDefaults::standardUserDefaults()->setIntegerForKey(files.port(), "ImagePort");
        for (const auto& name : names)
            NSFileManager::defaultManager().removeItemAtPath(documentsFile("acme/ProductImages/" + name));
        // Half of one file is already here from an earlier, interrupted run.
        writeFile(DownloadRequest::partialPathFor("ACME", 1, "e.png"), contentOf("e.png").substr(0, 7));

        auto message = std::make_shared<RequestDownload>();
        message->fileNameList = names;
        message->imgType = 1;
        message->progressType = 2;
        message->setReceiveDelegete(receiver);
        model->sendRequest(message);
        ASSERT_TRUE(waitForReplies(names.size(), 20));

        for (const auto& name : names) {
            auto reply = std::find_if(receiver->replies.begin(), receiver->replies.end(), [&](const auto& r) {
                auto download = std::dynamic_pointer_cast<DownloadRst>(r);
                return download && download->fileName == name;
            });
            ASSERT_NE(reply, receiver->replies.end()) << name;
            EXPECT_EQ((*reply)->status, "200") << name;
            EXPECT_EQ(readFile(documentsFile("acme/ProductImages/" + name)), contentOf(name)) << name;
        }
        const auto seen = files.requests();
        std::set<int> connections;
        size_t resumed = 0;
        for (const auto& r : seen) {
            connections.insert(r.connection);
            EXPECT_TRUE(r.body.empty());
            if (r.requestLine().find("/e.png ") != std::string::npos && r.header("Range") == "bytes=7-")
                ++resumed;
        }
        EXPECT_EQ(resumed, 1u);
        // Each file goes out once when the connection holds; a connection the
        // server closed meanwhile costs one more try on a new one, no more.
        EXPECT_GE(seen.size(), names.size());
        EXPECT_LE(seen.size(), 2 * names.size());
        if (c.fewerConnectionsThanFiles) {
            EXPECT_EQ(seen.size(), names.size());
            EXPECT_LE(files.connectionCount(), 3);
        }
        files.stop();
    }
}
