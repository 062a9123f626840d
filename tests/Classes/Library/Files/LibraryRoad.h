#pragma once

// The library fixture over real sockets: the fake front door is taken away,
// the server settings point at the fake company server on the loopback, and
// downloads go through the real front door, transport and HTTP engine.
// Everything in flight is cancelled at the end.

#include "LibraryFixture.h"

#include "Network/Protocol/NetworkModel.h"
#include "Platform/Foundation/NSUserDefaults.h"
#include "support/FakeCompanyServer.h"

class LibraryRoad : public LibraryFixture {
protected:
    void SetUp() override
    {
        LibraryFixture::SetUp();
        frontDoor.reset();
        ASSERT_TRUE(server.start());
        auto defaults = NSUserDefaults::standardUserDefaults();
        defaults->setObjectForKey(Value("127.0.0.1"), "IP");
        defaults->setIntegerForKey(server.port(), "Port");
        defaults->setObjectForKey(Value(server.messagePath), "Path");
        defaults->setObjectForKey(Value("127.0.0.1"), "ImageIP");
        defaults->setIntegerForKey(server.port(), "ImagePort");
        defaults->setObjectForKey(Value(server.imagePath), "ImagePath");
        // Replies come from the network thread; this keeps the main loop waiting for them.
        static auto keepAlive = NSRunLoop::mainRunLoop()->addSource({}, { NSDefaultRunLoopMode });
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
