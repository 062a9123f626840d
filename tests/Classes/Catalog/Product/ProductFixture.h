#pragma once

// The screen fixture with a signed-in client "Acme" (account "sales01") and
// its open database with every module switched on, for the product screens.

#include "ProductSeed.h"

#include "Classes/Frame/QuoteOrderStore.h"
#include "Database/ConfigManager.h"

#include "Network/Protocol/LoginMode.h"
#include "support/ScreenTest.h"

class ProductFixture : public ScreenTest {
protected:
    void SetUp() override
    {
        ScreenTest::SetUp();
        auto session = LoginMode::sharedInstance();
        session->setClientID("Acme");
        session->setAcountID("sales01");
        ProductSeed::db();
        // Every module on, the quote orders among them, as the sign-in's configuration gives it.
        auto row = std::make_shared<ConfigEntity>();
        row->configType = std::string("configuration");
        row->desc = std::string("1,1,1,1,1,1,1,1");
        ASSERT_TRUE(ConfigManager::sharedInstance()->syncConfigData(EntityList<ConfigEntity> { row }));
        QuoteOrderStore::sharedQuoteOrderStore()->loadByConfig();
    }
};
