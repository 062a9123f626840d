// The product tables of a synchronisation reply of 20,000 products (attributes,
// prices, images, category links, tags) saved through the table models beside
// a bare loop of the models' own statements (the limit), in interleaved rounds,
// and the catalogue reads on the saved data.

#include "Database/DataAccessManager.h"
#include "Database/SQLiteLayer/SQLDatabase.h"
#include "Network/Protocol/LoginMode.h"
#include "Platform/Foundation/AppEnvironment.h"
#include "Platform/Foundation/NSLog.h"
#include "Platform/Foundation/NSUserDefaults.h"
#include "support/TemporaryHome.h"
#include "bench/support/Rounds.h"

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace {

// A seed the database refused would time empty tables.
void mustSave(bool saved, const char* what)
{
    if (saved)
        return;
    std::fprintf(stderr, "%s was not saved\n", what);
    std::abort();
}

using BenchRounds::median;
using BenchRounds::secondsSince;

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
        return products.size() + attributes.size() + links.size() + prices.size() + images.size() + tags.size()
            + tagLinks.size();
    }
};

const Reply& reply()
{
    static const Reply r = [] {
        Reply built;
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
            built.products.push_back(p);
            for (int a = 0; a < 2; ++a) {
                auto attr = std::make_shared<corvelle_product_attribute_Entity>();
                attr->attribute_id = i * 2 + a;
                attr->product_id = i;
                attr->attribute_fields_id = a + 1;
                attr->attribute_value = "Red,Green,Blue";
                attr->default_value = "Red";
                built.attributes.push_back(attr);
            }
            auto link = std::make_shared<corvelle_product_category_xref_Entity>();
            link->category_id = 1 + i % kCategories;
            link->product_id = i;
            built.links.push_back(link);
            auto price = std::make_shared<corvelle_product_price_Entity>();
            price->price_id = i;
            price->product_id = i;
            price->price = 10 + i % 90;
            price->discount_price = 9 + i % 80;
            price->currency = "USD";
            price->discount_start_date = Date { 1.7e9 };
            price->discount_end_date = Date { 1.9e9 };
            price->discontRat = 90;
            built.prices.push_back(price);
            for (int k = 0; k < 2; ++k) {
                auto image = std::make_shared<corvelle_image_Entity>();
                image->image_id = i * 2 + k;
                image->key_id = i;
                image->key_type = "product";
                image->image_thumb_address = "thumb_" + std::to_string(i) + "_" + std::to_string(k) + ".png";
                image->image_full_address = "full_" + std::to_string(i) + "_" + std::to_string(k) + ".jpg";
                image->image_isdault = k == 0;
                image->image_publis = 1;
                built.images.push_back(image);
            }
            auto tagLink = std::make_shared<corvelle_product_related_tag_Entity>();
            tagLink->product_id = i;
            tagLink->tag_id = 1 + i % kTags;
            built.tagLinks.push_back(tagLink);
        }
        for (int t = 1; t <= kTags; ++t) {
            auto tag = std::make_shared<corvelle_tag_entity>();
            tag->tag_id = t;
            tag->tag_name = "tag" + std::to_string(t);
            built.tags.push_back(tag);
        }
        return built;
    }();
    return r;
}

void freshClient()
{
    // A plain static: what the home sets up is made during its construction,
    // so the home goes first when the run ends.
    static TemporaryHome home;
    static bool signedIn = false;
    if (!signedIn) {
        signedIn = true;
        NSLogSetCapture([](const std::string&) {});
        LoginMode::sharedInstance()->setClientID(std::string("Bench"));
    }
    DataAccessManager::releaseDataModel();
    std::filesystem::remove(DataAccessManager::dataFilePath());
}

// The lists as the sync hands them to the models: each made once, from the
// parsed reply, before the clock starts.
struct HandedLists {
    explicit HandedLists(const Reply& r)
        : products(r.products)
        , attributes(r.attributes)
        , links(r.links)
        , prices(r.prices)
        , images(r.images)
        , tags(r.tags)
        , tagLinks(r.tagLinks)
    {
    }
    OptionalEntityList<corvelle_product_Entity> products;
    OptionalEntityList<corvelle_product_attribute_Entity> attributes;
    OptionalEntityList<corvelle_product_category_xref_Entity> links;
    OptionalEntityList<corvelle_product_price_Entity> prices;
    OptionalEntityList<corvelle_image_Entity> images;
    OptionalEntityList<corvelle_tag_entity> tags;
    OptionalEntityList<corvelle_product_related_tag_Entity> tagLinks;
};

void saveThroughModels(DataAccessManager& m, const HandedLists& r)
{
    mustSave(m.saveToDatabaseProduct(r.products), "the products");
    mustSave(m.saveToDatabaseProductAttribute(r.attributes), "the product attributes");
    mustSave(m.saveToDatabasePxrefC(r.links), "the category links");
    mustSave(m.saveToDatabasePrice(r.prices), "the prices");
    mustSave(m.saveToDatabaseImage(r.images), "the images");
    mustSave(m.saveToDatabaseProductTag(r.tags), "the tags");
    mustSave(m.saveToDatabaseProductRelatedTag(r.tagLinks), "the tag links");
}

double minimum(std::vector<double> v) { return *std::min_element(v.begin(), v.end()); }

// The seven saves through the table models on a fresh client database.
double modelsRound(const Reply& r)
{
    freshClient();
    auto m = DataAccessManager::sharedDataModel();
    const HandedLists lists(r);
    const auto began = std::chrono::steady_clock::now();
    saveThroughModels(*m, lists);
    return secondsSince(began);
}

// The limit: the models' own statements (the same SQL texts, in the same
// order, bound in the same order and kinds, one exclusive transaction per
// save) run straight on SQLite, each prepared once per save. Every text it
// runs goes into `ran`, so the run can show they are the models' texts.
class BareLoop {
public:
    explicit BareLoop(sqlite3* db, std::set<std::string>* ran = nullptr)
        : m_db(db)
        , m_ran(ran)
    {
    }
    bool failed() const { return m_failed; }

    void save(const Reply& r)
    {
        batch([&] {
            auto insert
                = prepare("INSERT or REPLACE INTO "
                          "corvelle_product(product_id,product_sku,product_name,product_s_desc,product_l_desc,product_"
                          "publish,product_ordering,"
                          "product_stock,product_sale,product_buy,product_tags) VALUES(?,?,?,?,?,?,?,?,?,?,?);");
            auto clear = prepare("delete from corvelle_product_attribute where product_id = ?;");
            for (const auto& p : r.products) {
                run(insert, p->product_id, p->product_sku, p->product_name, p->product_s_desc, p->product_l_desc,
                    p->product_publish, p->product_ordering, p->product_stock, p->product_sale, p->product_buy,
                    p->product_tags);
                run(clear, p->product_id);
            }
        });
        batch([&] {
            auto insert = prepare("INSERT or REPLACE INTO "
                                  "corvelle_product_attribute(attribute_id,product_id,attribute_fields_id,attribute_"
                                  "value,selection_list) VALUES(?,?,?,?,?);");
            for (const auto& a : r.attributes)
                run(insert, a->attribute_id, a->product_id, a->attribute_fields_id, a->default_value,
                    a->attribute_value);
        });
        batch([&] {
            auto clear = prepare("DELETE FROM corvelle_product_category_xref WHERE product_id = ?;");
            auto insert
                = prepare("INSERT or REPLACE INTO corvelle_product_category_xref(category_id,product_id) VALUES(?,?);");
            std::set<int> cleared;
            for (const auto& x : r.links) {
                if (cleared.insert(x->product_id).second)
                    run(clear, x->product_id);
                run(insert, x->category_id, x->product_id);
            }
        });
        batch([&] {
            auto insert = prepare(
                "INSERT or REPLACE INTO "
                "corvelle_product_price(price_id,product_id,vendor_group_id_list,vendor_state_id_list,vendor_id_list,"
                "customer_id_list,"
                "price,currency,discount_price,discount_identifier,discount_start_date,discount_end_date,discount_"
                "publish,tier_start_date,tier_end_date,"
                "tier_quantity_price,tier_publish,discount_rat) VALUES(?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?);");
            for (const auto& p : r.prices)
                run(insert, p->price_id, p->product_id, p->vendor_group_id_list, p->vendor_state_id_list,
                    p->vendor_id_list, p->customer_id_list, p->price, p->currency, p->discount_price,
                    p->discount_identifier, p->discount_start_date, p->discount_end_date, p->discount_publish,
                    p->tier_start_date, p->tier_end_date, p->tier_quantity_price, p->tier_publish, p->discontRat);
        });
        batch([&] {
            auto insert = prepare("INSERT or REPLACE INTO "
                                  "corvelle_image(image_id,key_id,key_type,image_thumb_address,image_full_address,"
                                  "image_isdault,image_s_desc,"
                                  "image_l_desc,image_publis,image_ordering) VALUES(?,?,?,?,?,?,?,?,?,?);");
            for (const auto& i : r.images)
                run(insert, i->image_id, i->key_id, i->key_type, i->image_thumb_address, i->image_full_address,
                    i->image_isdault, i->image_s_desc, i->image_l_desc, i->image_publis, i->image_ordering);
        });
        batch([&] {
            auto clear = prepare("delete from corvelle_product_tag;");
            run(clear);
            auto insert = prepare("INSERT or REPLACE INTO corvelle_product_tag(tag_id,tag_name) VALUES(?,?);");
            for (const auto& t : r.tags)
                run(insert, t->tag_id, t->tag_name);
        });
        batch([&] {
            auto clear = prepare("delete from corvelle_product_related_tag;");
            run(clear);
            auto insert
                = prepare("INSERT or REPLACE INTO corvelle_product_related_tag(tag_id,product_id) VALUES(?,?);");
            for (const auto& t : r.tagLinks)
                run(insert, t->tag_id, t->product_id);
        });
    }

private:
    using Statement = std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)>;

    Statement prepare(const char* sql)
    {
        if (m_ran)
            m_ran->insert(sql);
        sqlite3_stmt* stmt = nullptr;
        if (sqlite3_prepare_v2(m_db, sql, -1, &stmt, nullptr) != SQLITE_OK)
            m_failed = true;
        return Statement(stmt, sqlite3_finalize);
    }

    template <typename Body> void batch(Body body)
    {
        run(prepare("begin exclusive transaction"));
        body();
        run(prepare("commit transaction"));
    }

    // The kinds the models' values bind as: whole numbers as 64-bit integers,
    // flags as 0/1, dates as seconds, absent texts and dates as NULL.
    void bind(sqlite3_stmt* s, int i, int v) { sqlite3_bind_int64(s, i, v); }
    void bind(sqlite3_stmt* s, int i, bool v) { sqlite3_bind_int(s, i, v ? 1 : 0); }
    void bind(sqlite3_stmt* s, int i, double v) { sqlite3_bind_double(s, i, v); }
    void bind(sqlite3_stmt* s, int i, const std::optional<std::string>& t)
    {
        if (t)
            sqlite3_bind_text(s, i, t->data(), static_cast<int>(t->size()), SQLITE_STATIC);
        else
            sqlite3_bind_null(s, i);
    }
    void bind(sqlite3_stmt* s, int i, const std::optional<Date>& d)
    {
        if (d)
            sqlite3_bind_double(s, i, d->secondsSince1970);
        else
            sqlite3_bind_null(s, i);
    }

    template <typename... Args> void run(const Statement& stmt, const Args&... args)
    {
        sqlite3_stmt* s = stmt.get();
        if (!s) {
            m_failed = true;
            return;
        }
        int index = 0;
        (bind(s, ++index, args), ...);
        if (sqlite3_step(s) != SQLITE_DONE)
            m_failed = true;
        sqlite3_reset(s);
    }

    sqlite3* m_db;
    std::set<std::string>* m_ran;
    bool m_failed = false;
};

// The same seven saves by the bare loop on a fresh client database, run on
// the very connection the data-access object opens (which also copies the
// template in and reads the schema before the clock starts, as it does for
// the models).
double bareRound(const Reply& r, std::set<std::string>* ran = nullptr)
{
    freshClient();
    DataAccessManager::sharedDataModel();
    const auto connection = SQLDatabase::sharedDataBase();
    if (!connection || !connection->sqliteHandle())
        return -1;
    BareLoop loop(connection->sqliteHandle(), ran);
    const auto began = std::chrono::steady_clock::now();
    loop.save(r);
    const double took = secondsSince(began);
    return loop.failed() ? -1 : took;
}

// The texts the models run for a small reply, read from the connection's trace.
std::set<std::string> modelTexts()
{
    Reply small;
    const Reply& r = reply();
    small.products.assign(r.products.begin(), r.products.begin() + 3);
    small.attributes.assign(r.attributes.begin(), r.attributes.begin() + 3);
    small.links.assign(r.links.begin(), r.links.begin() + 3);
    small.prices.assign(r.prices.begin(), r.prices.begin() + 3);
    small.images.assign(r.images.begin(), r.images.begin() + 3);
    small.tags.assign(r.tags.begin(), r.tags.begin() + 3);
    small.tagLinks.assign(r.tagLinks.begin(), r.tagLinks.begin() + 3);
    freshClient();
    auto m = DataAccessManager::sharedDataModel();
    std::set<std::string> texts;
    const std::string update = "executeUpdate: ", query = "executeQuery: ";
    NSLogSetCapture([&](const std::string& line) {
        if (auto at = line.find(update); at != std::string::npos)
            texts.insert(line.substr(at + update.size()));
        else if (line.find(query) != std::string::npos)
            texts.insert(line);  // a read the bare loop does not make
    });
    SQLDatabase::sharedDataBase()->setTraceExecution(true);
    saveThroughModels(*m, HandedLists(small));
    SQLDatabase::sharedDataBase()->setTraceExecution(false);
    NSLogSetCapture([](const std::string&) {});
    return texts;
}

constexpr int kRounds = 7;

// Both paths in interleaved rounds of the same run; the iteration time is the
// models' median, and the counters give both paths' minimum and median and
// the models' speed as a share of the bare loop's (1 is as fast).
void SaveProductTablesBesideBareLoop(benchmark::State& state)
{
    const Reply& r = reply();
    std::set<std::string> bareTexts;
    if (bareRound(r, &bareTexts) < 0 || bareTexts != modelTexts()) {
        state.SkipWithError("the bare loop does not run the models' statements");
        return;
    }
    std::vector<double> models, bare;
    for (auto _ : state) {
        for (int round = 0; round < kRounds; ++round) {
            const double m = modelsRound(r), b = bareRound(r);
            if (m < 0 || b < 0) {
                state.SkipWithError("a save failed");
                return;
            }
            models.push_back(m);
            bare.push_back(b);
        }
        state.SetIterationTime(median(models));
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(r.rows()));
    state.counters["models_min_ms"] = minimum(models) * 1e3;
    state.counters["models_median_ms"] = median(models) * 1e3;
    state.counters["bare_min_ms"] = minimum(bare) * 1e3;
    state.counters["bare_median_ms"] = median(bare) * 1e3;
    state.counters["models_to_bare_min"] = minimum(bare) / minimum(models);
    state.counters["models_to_bare_median"] = median(bare) / median(models);
}

DataAccessManager& savedCatalogue()
{
    static bool saved = false;
    if (!saved) {
        freshClient();
        saveThroughModels(*DataAccessManager::sharedDataModel(), HandedLists(reply()));
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

BENCHMARK(SaveProductTablesBesideBareLoop)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CategoryProductsWithPrices)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ProductSearch)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
