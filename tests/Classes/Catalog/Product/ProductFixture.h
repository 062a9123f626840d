#pragma once

// The screen fixture with a signed-in client "Acme" (account "sales01") and
// its open database, for the product screens.

#include "ProductSeed.h"

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
    }
};
