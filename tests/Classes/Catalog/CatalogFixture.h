#pragma once

// A signed-in client "Acme" whose catalogue the test fills row by row with
// the helpers below, on the screen kit.

#include "Classes/Catalog/AddToOrderController.h"
#include "Classes/Catalog/ProductAttributeView.h"
#include "Classes/Frame/IconButton.h"
#include "Classes/Frame/QuoteOrderStore.h"
#include "Classes/Frame/UIToast.h"
#include "Database/ConfigManager.h"
#include "Database/DataAccessManager.h"
#include "Platform/UIKit/UITextView.h"
#include "Database/SQLiteLayer/SQLDatabase.h"
#include "Network/Protocol/LoginMode.h"
#include "support/ScreenTest.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

class CatalogTest : public ScreenTest {
protected:
    void SetUp() override
    {
        ScreenTest::SetUp();
        auto session = LoginMode::sharedInstance();
        session->setClientID(std::string("Acme"));
        session->setAcountID(std::string("sales01"));
        // Every module on, the quote orders included, so tiles offer their add buttons.
        ConfigManager::sharedInstance()->setModelDescArray(std::vector<std::string>(7, "1"));
        data = DataAccessManager::sharedDataModel();
        db = SQLDatabase::sharedDataBase();
        ASSERT_TRUE(db);
    }

    void addProduct(int id, const std::string& name, std::optional<std::string> sku = std::nullopt, int publish = 1,
        std::optional<std::string> tags = std::nullopt)
    {
        ASSERT_TRUE(db->executeUpdate("insert into corvelle_product (product_id, product_sku, product_name, "
                                      "product_s_desc, product_publish, product_tags) values (?, ?, ?, ?, ?, ?)",
            id, sku ? *sku : "SKU-" + std::to_string(id), name, "About " + name, publish, tags));
    }

    // A discount price in force when `discounted`, else one that ended long ago.
    void addPrice(
        int productId, double price, const std::string& currency = "USD", std::optional<double> discount = std::nullopt)
    {
        static int priceId = 0;
        ASSERT_TRUE(
            db->executeUpdate("insert into corvelle_product_price (price_id, product_id, price, currency, "
                              "discount_price, discount_start_date, discount_end_date) values (?, ?, ?, ?, ?, ?, ?)",
                ++priceId, productId, price, currency, discount.value_or(0.0), 0.0, discount ? 4.0e9 : 1.0));
    }

    // The value list is stored in the column named selection_list of the product's row.
    void addAttribute(int productId, int fieldId, const std::string& fieldName, std::optional<std::string> values)
    {
        db->executeUpdate("insert or ignore into corvelle_fields_product_attribute (field_id, field_name, display, "
                          "published) values (?, ?, 1, 1)",
            fieldId, fieldName);
        ASSERT_TRUE(db->executeUpdate(
            "insert into corvelle_product_attribute (product_id, attribute_fields_id, selection_list) values (?, ?, ?)",
            productId, fieldId, values));
    }

    void addCategory(int id, const std::string& name, int parent, int publish = 1)
    {
        ASSERT_TRUE(db->executeUpdate(
            "insert into corvelle_category (category_id, category_name, category_type, category_publish, "
            "category_ordering, category_parent_id) values (?, ?, 'category', ?, 0, ?)",
            id, name, publish, parent));
    }

    void file(int productId, int categoryId)
    {
        ASSERT_TRUE(
            db->executeUpdate("insert into corvelle_product_category_xref (category_id, product_id) values (?, ?)",
                categoryId, productId));
    }

    void addCompare(int productId, const std::string& name)
    {
        ASSERT_TRUE(data->saveToDatabaseCompareSkuName(productId, "SKU-" + std::to_string(productId), name));
    }

    std::shared_ptr<corvelle_product_Entity> product(int id) { return data->getProductByProductId(id); }

    // The pieces of `productId` over the current order's lines.
    unsigned piecesInOrder(int productId)
    {
        corvelle_product_Entity p;
        p.product_id = productId;
        QuoteOrderStore::sharedQuoteOrderStore()->getItemNumberInOrder(p);
        return p.itemNumberInOrder;
    }

    // Chooses value `row` of the picker's first attribute and presses its add
    // button; the last line the current order holds, afterwards.
    static std::shared_ptr<QuoteOrderItemEntity> chooseAndAdd(UIDriver& by, AddToOrderController& picker, long row)
    {
        by.tap(picker.attributeView()->viewWithTag(ProductAttributeView::kButtonTagBase));
        by.advance(0.5);
        EXPECT_TRUE(by.tapRow(picker.attributeView()->attributeListView(), row));
        by.tap(picker.addToOrderBtn());
        auto order = QuoteOrderStore::sharedQuoteOrderStore()->curQuoteOrder;
        return order && !order->items.empty() ? order->items.back() : nullptr;
    }

    // Whether a toast with `text` is on the window.
    bool toastShowing(const std::string& text) const
    {
        for (const auto& view : window->subviews()) {
            if (!std::dynamic_pointer_cast<UIToast>(view))
                continue;
            for (const auto& inner : view->subviews())
                if (auto t = std::dynamic_pointer_cast<UITextView>(inner); t && t->text() == text)
                    return true;
        }
        return false;
    }

    std::shared_ptr<DataAccessManager> data;
    std::shared_ptr<SQLDatabase> db;
};
