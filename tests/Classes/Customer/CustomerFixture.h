#pragma once

// The screen fixture with a signed-in client "Acme" (account "sales01") whose
// database holds the usual customer attribute fields, and a fresh customer
// cache for every test.

#include "CustomerSeed.h"

#include "Classes/Customer/CustomerDataModel.h"
#include "Network/Protocol/LoginMode.h"
#include "support/ScreenTest.h"

class CustomerFixture : public ScreenTest {
protected:
    void SetUp() override
    {
        ScreenTest::SetUp();
        auto session = LoginMode::sharedInstance();
        session->setClientID("Acme");
        session->setAcountID("sales01");
        CustomerSeed::standardFields();
    }

    std::shared_ptr<CustomerDataModel> model() { return CustomerDataModel::sharedInstance(); }
};
