// The session and the data layer belong to the main thread: a worker that
// reaches for them (rather than being handed what it needs) stops a debug
// build at once, naming the call.

#include "Database/DataAccessManager.h"
#include "Network/Protocol/LoginMode.h"
#include "support/TemporaryHome.h"

#include <gtest/gtest.h>

#include <functional>
#include <thread>

namespace {

#ifndef NDEBUG
TEST(SessionThreadDeathTest, TheSessionAndTheDataLayerStopACallFromAWorker)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    TemporaryHome home;
    struct Case {
        const char* name;
        std::function<void()> call;
    };
    // Made on the main thread, so that only the call itself is off it.
    auto session = LoginMode::sharedInstance();
    const Case cases[] = {
        { "sharedInstance", [] { LoginMode::sharedInstance(); } },
        { "freeInstance", [] { LoginMode::freeInstance(); } },
        { "clientID", [session] { (void)session->clientID(); } },
        { "setClientID", [session] { session->setClientID(std::string("acme")); } },
        { "sharedDataModel", [] { DataAccessManager::sharedDataModel(); } },
        { "releaseDataModel", [] { DataAccessManager::releaseDataModel(); } },
        { "destoryDataModel", [] { DataAccessManager::destoryDataModel(); } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_DEATH({ std::thread(c.call).join(); }, std::string(c.name) + " called off the main thread");
    }
    LoginMode::freeInstance();
}
#endif

}  // namespace
