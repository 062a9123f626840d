#pragma once

// A signed-in device talking to the fake company server on the loopback: a
// fresh home whose server settings point at the server, a session for client
// "ACME", the protocol's test services, and a receiver that records what the
// front door hands it. Everything in flight is cancelled at the end.

#include "Network/Protocol/HttpNetworkCtrl.h"
#include "Network/Protocol/NetworkModel.h"
#include "Network/Protocol/RequestDownload.h"
#include "ProtocolTestServices.h"
#include "support/FakeCompanyServer.h"
#include "support/RunLoopPump.h"
#include "support/TemporaryHome.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

class RecordingReceiver : public NetworkRecDelegate {
public:
    void ReciveHttpRespondInfo(const std::shared_ptr<NetBaseRst>& reply) override { replies.push_back(reply); }
    void ReciveDownloadPercent(const std::shared_ptr<DownLoadRequestInfo>& info) override { percents.push_back(info); }
    bool setProgress(float value) override
    {
        progress.push_back(value);
        return true;
    }

    std::vector<std::shared_ptr<NetBaseRst>> replies;
    std::vector<std::shared_ptr<DownLoadRequestInfo>> percents;
    std::vector<float> progress;
};

// Hears the transport directly, below the front door.
class RecordingTransportReceiver : public HTTP_REC_RESPOND {
public:
    void ReciveHttpRespond(const std::shared_ptr<RequestInfoBase>& info) override { replies.push_back(info); }
    std::vector<std::shared_ptr<RequestInfoBase>> replies;
};

class ProtocolRoad : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Pumps the main loop until the receiver holds `count` replies.
    bool waitForReplies(size_t count, double seconds = 10);
    std::string documentsFile(const std::string& relative) const { return home.documents() + "/" + relative; }
    static std::string readFile(const std::string& path);
    static void writeFile(const std::string& path, const std::string& bytes);

    TemporaryHome home;
    FakeCompanyServer server;
    ProtocolTestServices services;
    std::shared_ptr<RecordingReceiver> receiver = std::make_shared<RecordingReceiver>();
    std::shared_ptr<NetworkModel> model = NetworkModel::sharedInstance();
    std::shared_ptr<HttpNetworkCtrl> transport = HttpNetworkCtrl::sharedInstance();
};
