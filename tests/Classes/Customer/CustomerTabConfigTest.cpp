// The customers tab answers the tab bar's configuration call: the module
// switch of the customers decides whether the order screens may pick one.

#include "Classes/Frame/CorvelleAppDelegate.h"
#include "Classes/Frame/QuoteOrderStore.h"
#include "Database/ConfigManager.h"
#include "Network/Protocol/LoginMode.h"
#include "Platform/UIKit/UIApplication.h"
#include "Platform/UIKit/UIWindow.h"
#include "support/ScreenTest.h"

#include <gtest/gtest.h>

namespace {

using CustomerTabConfigTest = ScreenTest;

std::vector<std::string> modules(bool customers) { return { "1", "1", customers ? "1" : "0", "0", "1", "1", "1" }; }

TEST_F(CustomerTabConfigTest, TheMainScreenTellsTheOrderStoreWhetherCustomersArePicked)
{
    for (bool customers : { false, true }) {
        auto session = LoginMode::sharedInstance();
        session->setClientID(std::string("acme"));
        session->setAcountID(std::string("ann"));
        session->setLoginType(LoginMode::kLoginTypeOffline);
        // The store is made under the opposite switch; the tab bar's call brings it in step.
        ConfigManager::sharedInstance()->setModelDescArray(modules(!customers));
        auto store = QuoteOrderStore::sharedQuoteOrderStore();
        ASSERT_EQ(store->isCustomerOnShow, !customers);
        ConfigManager::sharedInstance()->setModelDescArray(modules(customers));

        auto app = std::make_shared<CorvelleAppDelegate>();
        UIApplication::sharedApplication()->setDelegate(app);
        UIApplication::sharedApplication()->launch();
        app->showMainController();
        driver->settle();
        driver->advance(0.5);
        EXPECT_EQ(store->isCustomerOnShow, customers) << customers;

        app->window()->setRootViewController(nullptr);
        resetProcessState();
    }
}

}  // namespace
