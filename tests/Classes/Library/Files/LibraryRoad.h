#pragma once

// The library fixture over real sockets: the fake front door is taken away,
// the server settings point at the fake company server on the loopback, and
// downloads go through the real front door, transport and HTTP engine.
// Everything in flight is cancelled at the end.

#include "LibraryFixture.h"

#include "Network/Protocol/NetworkModel.h"
#include "support/FakeCompanyServer.h"
#include "support/ServerSettings.h"

class LibraryRoad : public LibraryFixture {
protected:
    void SetUp() override
    {
        LibraryFixture::SetUp();
        frontDoor.reset();
        ASSERT_TRUE(server.start());
        pointSettingsAtServer(server);
        HttpNetworkCtrl::sharedInstance()->shouldReportChunk = [] { return true; };
    }

    void TearDown() override
    {
        auto transport = HttpNetworkCtrl::sharedInstance();
        NetworkModel::sharedInstance()->cancelAllRequests();
        pumpMainRunLoopUntil(
            [&] {
                return transport->messageQueue().requestsCount() == 0 && transport->downloadQueue().requestsCount() == 0
                    && transport->currentDownloadQueue().requestsCount() == 0;
            },
            10);
        drainMainRunLoop();
        server.stop();
        transport->shouldReportChunk = nullptr;
        LibraryFixture::TearDown();
    }

    FakeCompanyServer server;
};
