#pragma once

// A signed-in client "Acme" (account "sales01") with three priced products, the
// quote-order store, and a delegate that records what the store tells it.

#include "Classes/Frame/QuoteOrderStore.h"
#include "Database/DataAccessManager.h"
#include "Database/SQLiteLayer/SQLDatabase.h"
#include "Network/Protocol/LoginMode.h"
#include "support/ScreenTest.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

class RecordingDelegate : public QuoteOrderStoreDelegate {
public:
    void finishedUploadQuoteOrdersMessage(
        const std::optional<std::string>& status, const std::optional<std::string>& message) override
    {
        uploads.emplace_back(status, message);
    }
    void finishedSyncHistoryQuoteOrdersMessage(
        const std::optional<std::string>& status, const std::optional<std::string>& message) override
    {
        histories.emplace_back(status, message);
    }
    void popSelfView() override
    {
        ++pops;
        hadCurrentOrderAtPop = QuoteOrderStore::sharedQuoteOrderStore()->curQuoteOrder != nullptr;
    }
    void updateCustomerIdNewId(int oldId, int newId) override { customerIds.emplace_back(oldId, newId); }

    using Told = std::vector<std::pair<std::optional<std::string>, std::optional<std::string>>>;
    Told uploads;
    Told histories;
    int pops = 0;
    bool hadCurrentOrderAtPop = false;
    std::vector<std::pair<int, int>> customerIds;
};

// Product 7 sells at a discount (10, now 8) in CNY, product 8 at 20 USD,
// product 9 has no price row.
class QuoteOrderStoreTest : public ScreenTest {
protected:
    void SetUp() override
    {
        ScreenTest::SetUp();
        auto session = LoginMode::sharedInstance();
        session->setClientID(std::string("Acme"));
        session->setAcountID(std::string("sales01"));
        data = DataAccessManager::sharedDataModel();
        db = SQLDatabase::sharedDataBase();
        ASSERT_TRUE(db);
        const char* insert = "insert into corvelle_product_price (price_id, product_id, price, currency, "
                             "discount_price, discount_start_date, discount_end_date) values (?, ?, ?, ?, ?, ?, ?)";
        ASSERT_TRUE(db->executeUpdate(insert, 1, 7, 10.0, "CNY", 8.0, 0.0, 4.0e9));
        ASSERT_TRUE(db->executeUpdate(insert, 2, 8, 20.0, "USD", 15.0, 0.0, 1.0));
        store = QuoteOrderStore::sharedQuoteOrderStore();
    }

    static std::shared_ptr<corvelle_product_Entity> product(
        int id, int count, std::optional<std::string> attributes = std::nullopt)
    {
        auto p = std::make_shared<corvelle_product_Entity>();
        p->product_id = id;
        p->product_sku = "SKU-" + std::to_string(id);
        p->product_name = "Product " + std::to_string(id);
        p->count = count;
        p->attributes = std::move(attributes);
        return p;
    }

    std::vector<int> quantities() const
    {
        std::vector<int> q;
        for (const auto& item : store->curQuoteOrder->items)
            q.push_back(item->quantity);
        return q;
    }

    int count(const std::string& sql)
    {
        auto rs = db->executeQuery(sql);
        return rs && rs->next() ? rs->intForColumnIndex(0) : -1;
    }

    std::shared_ptr<DataAccessManager> data;
    std::shared_ptr<SQLDatabase> db;
    std::shared_ptr<QuoteOrderStore> store;
};
