#pragma once

// The library fixture over real sockets: the fake front door is taken away,
// the server settings point at the fake company server on the loopback, and
// downloads go through the real front door, transport and HTTP engine.
// Everything in flight is cancelled at the end.

#include "LibraryFixture.h"

#include "support/FakeCompanyServer.h"
#include "support/RequestsDrain.h"
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
        cancelAllRequestsAndDrainTransport();
        drainMainRunLoop();
        server.stop();
        HttpNetworkCtrl::sharedInstance()->shouldReportChunk = nullptr;
        LibraryFixture::TearDown();
    }

    FakeCompanyServer server;
};
