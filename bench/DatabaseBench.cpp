// The product tables of a synchronisation reply of 20,000 products (attributes,
// prices, images, category links, tags) saved through the table models, the
// same rows inserted by a bare prepared-statement loop (the limit), and the
// catalogue reads on the saved data.

#include "Database/DataAccessManager.h"
#include "Database/SQLiteLayer/SQLDatabase.h"
#include "Network/Protocol/LoginMode.h"
#include "Platform/Foundation/AppEnvironment.h"
#include "Platform/Foundation/NSLog.h"
#include "Platform/Foundation/NSUserDefaults.h"

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

constexpr int kProducts = 20000;
constexpr int kCategories = 200;
constexpr int kTags = 300;

struct Reply {
    EntityList<corvelle_product_Entity> products;
    EntityList<corvelle_product_attribute_Entity> attributes;
    EntityList<corvelle_product_category_xref_Entity> links;
    EntityList<corvelle_product_price_Entity> prices;
    EntityList<corvelle_image_Entity> images;
    EntityList<corvelle_tag_entity> tags;
    EntityList<corvelle_product_related_tag_Entity> tagLinks;
    size_t rows() const
    {
        return products.size() + attributes.size() + links.size() + prices.size() + images.size() + tags.size() + tagLinks.size();
    }
};

const Reply& reply()
{
    static const Reply r = [] {
        Reply r;
        for (int i = 1; i <= kProducts; ++i) {
            auto p = std::make_shared<corvelle_product_Entity>();
            p->product_id = i;
            p->product_sku = "SKU-" + std::to_string(i);
            p->product_name = "Product " + std::to_string(i);
            p->product_s_desc = "A short description of product " + std::to_string(i);
            p->product_l_desc = std::string(200, 'x');
            p->product_publish = 1;
            p->product_ordering = i;
            p->product_stock = i % 50;
            p->product_tags = "tag" + std::to_string(i % kTags) + ",tag" + std::to_string((i + 7) % kTags);
            r.products.push_back(p);
            for (int a = 0; a < 2; ++a) {
                auto attr = std::make_shared<corvelle_product_attribute_Entity>();
                attr->attribute_id = i * 2 + a;
                attr->product_id = i;
                attr->attribute_fields_id = a + 1;
                attr->attribute_value = "Red,Green,Blue";
                attr->default_value = "Red";
                r.attributes.push_back(attr);
            }
            auto link = std::make_shared<corvelle_product_category_xref_Entity>();
            link->category_id = 1 + i % kCategories;
            link->product_id = i;
            r.links.push_back(link);
            auto price = std::make_shared<corvelle_product_price_Entity>();
            price->price_id = i;
            price->product_id = i;
            price->price = 10 + i % 90;
            price->discount_price = 9 + i % 80;
            price->currency = "USD";
            price->discount_start_date = Date { 1.7e9 };
            price->discount_end_date = Date { 1.9e9 };
            price->discontRat = 90;
            r.prices.push_back(price);
            for (int k = 0; k < 2; ++k) {
                auto image = std::make_shared<corvelle_image_Entity>();
                image->image_id = i * 2 + k;
                image->key_id = i;
                image->key_type = "product";
                image->image_thumb_address = "thumb_" + std::to_string(i) + "_" + std::to_string(k) + ".png";
                image->image_full_address = "full_" + std::to_string(i) + "_" + std::to_string(k) + ".jpg";
                image->image_isdault = k == 0;
                image->image_publis = 1;
                r.images.push_back(image);
            }
            auto tagLink = std::make_shared<corvelle_product_related_tag_Entity>();
            tagLink->product_id = i;
            tagLink->tag_id = 1 + i % kTags;
            r.tagLinks.push_back(tagLink);
        }
        for (int t = 1; t <= kTags; ++t) {
            auto tag = std::make_shared<corvelle_tag_entity>();
            tag->tag_id = t;
            tag->tag_name = "tag" + std::to_string(t);
            r.tags.push_back(tag);
        }
        return r;
    }();
    return r;
}

void freshClient()
{
    static std::string home;
    if (home.empty()) {
        char pattern[] = "/tmp/corvelle-bench-XXXXXX";
        home = mkdtemp(pattern);
        AppEnvironment::setHomeDirectory(home);
        AppEnvironment::setBundleDirectory(CORVELLE_BUNDLE_DIR);
        NSLogSetCapture([](const std::string&) {});
        LoginMode::sharedInstance()->setClientID(std::string("Bench"));
    }
    DataAccessManager::releaseDataModel();
    std::filesystem::remove(DataAccessManager::dataFilePath());
}

void saveThroughModels(DataAccessManager& m, const Reply& r)
{
    m.saveToDatabaseProduct(r.products);
    m.saveToDatabaseProductAttribute(r.attributes);
    m.saveToDatabasePxrefC(r.links);
    m.saveToDatabasePrice(r.prices);
    m.saveToDatabaseImage(r.images);
    m.saveToDatabaseProductTag(r.tags);
    m.saveToDatabaseProductRelatedTag(r.tagLinks);
}

void BM_SaveProductTablesThroughModels(benchmark::State& state)
{
    const Reply& r = reply();
    for (auto _ : state) {
        state.PauseTiming();
        freshClient();
        auto m = DataAccessManager::sharedDataModel();
        state.ResumeTiming();
        saveThroughModels(*m, r);
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * r.rows()));
}

// The limit: the same rows with one prepared statement per table, bound and
// stepped in a loop inside one transaction per table.
void BM_SaveProductTablesBareLoop(benchmark::State& state)
{
    const Reply& r = reply();
    for (auto _ : state) {
        state.PauseTiming();
        freshClient();
        // The data-access object copies the template; the loop then has the file to itself.
        DataAccessManager::sharedDataModel();
        DataAccessManager::releaseDataModel();
        sqlite3* db = nullptr;
        if (sqlite3_open_v2(DataAccessManager::dataFilePath().c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK)
            state.SkipWithError("no database");
        state.ResumeTiming();
        auto run = [&](const char* sql, auto&& rows, auto&& bind) {
            sqlite3_exec(db, "begin exclusive transaction", nullptr, nullptr, nullptr);
            sqlite3_stmt* stmt = nullptr;
            sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr);
            for (const auto& row : rows) {
                bind(stmt, *row);
                sqlite3_step(stmt);
                sqlite3_reset(stmt);
            }
            sqlite3_finalize(stmt);
            sqlite3_exec(db, "commit transaction", nullptr, nullptr, nullptr);
        };
        auto text = [](sqlite3_stmt* s, int i, const std::optional<std::string>& t) {
            if (t)
                sqlite3_bind_text(s, i, t->c_str(), static_cast<int>(t->size()), SQLITE_STATIC);
            else
                sqlite3_bind_null(s, i);
        };
        run("INSERT or REPLACE INTO corvelle_product(product_id,product_sku,product_name,product_s_desc,product_l_desc,product_publish,product_ordering,"
            "product_stock,product_sale,product_buy,product_tags) VALUES(?,?,?,?,?,?,?,?,?,?,?)",
            r.products, [&](sqlite3_stmt* s, const corvelle_product_Entity& p) {
                sqlite3_bind_int(s, 1, p.product_id);
                text(s, 2, p.product_sku);
                text(s, 3, p.product_name);
                text(s, 4, p.product_s_desc);
                text(s, 5, p.product_l_desc);
                sqlite3_bind_int(s, 6, p.product_publish);
                sqlite3_bind_int(s, 7, p.product_ordering);
                sqlite3_bind_int(s, 8, p.product_stock);
                sqlite3_bind_int(s, 9, p.product_sale);
                sqlite3_bind_int(s, 10, p.product_buy);
                text(s, 11, p.product_tags);
            });
        run("INSERT or REPLACE INTO corvelle_product_attribute(attribute_id,product_id,attribute_fields_id,attribute_value,selection_list) VALUES(?,?,?,?,?)",
            r.attributes, [&](sqlite3_stmt* s, const corvelle_product_attribute_Entity& a) {
                sqlite3_bind_int(s, 1, a.attribute_id);
                sqlite3_bind_int(s, 2, a.product_id);
                sqlite3_bind_int(s, 3, a.attribute_fields_id);
                text(s, 4, a.default_value);
                text(s, 5, a.attribute_value);
            });
        run("INSERT or REPLACE INTO corvelle_product_category_xref(category_id,product_id) VALUES(?,?)", r.links,
            [&](sqlite3_stmt* s, const corvelle_product_category_xref_Entity& x) {
                sqlite3_bind_int(s, 1, x.category_id);
                sqlite3_bind_int(s, 2, x.product_id);
            });
        run("INSERT or REPLACE INTO corvelle_product_price(price_id,product_id,price,currency,discount_price,discount_start_date,discount_end_date,discount_rat) "
            "VALUES(?,?,?,?,?,?,?,?)",
            r.prices, [&](sqlite3_stmt* s, const corvelle_product_price_Entity& p) {
                sqlite3_bind_int(s, 1, p.price_id);
                sqlite3_bind_int(s, 2, p.product_id);
                sqlite3_bind_double(s, 3, p.price);
                text(s, 4, p.currency);
                sqlite3_bind_double(s, 5, p.discount_price);
                sqlite3_bind_double(s, 6, p.discount_start_date->secondsSince1970);
                sqlite3_bind_double(s, 7, p.discount_end_date->secondsSince1970);
                sqlite3_bind_double(s, 8, p.discontRat);
            });
        run("INSERT or REPLACE INTO corvelle_image(image_id,key_id,key_type,image_thumb_address,image_full_address,image_isdault,image_publis) VALUES(?,?,?,?,?,?,?)",
            r.images, [&](sqlite3_stmt* s, const corvelle_image_Entity& i) {
                sqlite3_bind_int(s, 1, i.image_id);
                sqlite3_bind_int(s, 2, i.key_id);
                text(s, 3, i.key_type);
                text(s, 4, i.image_thumb_address);
                text(s, 5, i.image_full_address);
                sqlite3_bind_int(s, 6, i.image_isdault);
                sqlite3_bind_int(s, 7, i.image_publis);
            });
        run("INSERT or REPLACE INTO corvelle_product_tag(tag_id,tag_name) VALUES(?,?)", r.tags, [&](sqlite3_stmt* s, const corvelle_tag_entity& t) {
            sqlite3_bind_int(s, 1, t.tag_id);
            text(s, 2, t.tag_name);
        });
        run("INSERT or REPLACE INTO corvelle_product_related_tag(tag_id,product_id) VALUES(?,?)", r.tagLinks,
            [&](sqlite3_stmt* s, const corvelle_product_related_tag_Entity& t) {
                sqlite3_bind_int(s, 1, t.tag_id);
                sqlite3_bind_int(s, 2, t.product_id);
            });
        state.PauseTiming();
        sqlite3_stmt* check = nullptr;
        sqlite3_prepare_v2(db, "select count(*) from corvelle_product_price", -1, &check, nullptr);
        if (sqlite3_step(check) != SQLITE_ROW || sqlite3_column_int(check, 0) != kProducts)
            state.SkipWithError("the bare loop did not store the rows");
        sqlite3_finalize(check);
        sqlite3_close(db);
        state.ResumeTiming();
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * reply().rows()));
}

DataAccessManager& savedCatalogue()
{
    static bool saved = false;
    if (!saved) {
        freshClient();
        saveThroughModels(*DataAccessManager::sharedDataModel(), reply());
        saved = true;
    }
    return *DataAccessManager::sharedDataModel();
}

void BM_CategoryProductsWithPrices(benchmark::State& state)
{
    auto& m = savedCatalogue();
    int category = 1;
    for (auto _ : state) {
        auto products = m.getProductsByCategory_id(category);
        for (const auto& p : products)
            benchmark::DoNotOptimize(m.getPriceEntityByProductId(p->product_id)->discount_flag);
        category = 1 + category % kCategories;
    }
}

void BM_ProductSearch(benchmark::State& state)
{
    auto& m = savedCatalogue();
    for (auto _ : state)
        benchmark::DoNotOptimize(m.getProductsBySearchString(std::string("1234")).size());
}

}  // namespace

BENCHMARK(BM_SaveProductTablesThroughModels)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_SaveProductTablesBareLoop)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_CategoryProductsWithPrices)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ProductSearch)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
