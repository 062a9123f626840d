// The catalogue tab on a client of 2,000 to 20,000 published products in one
// tenth as many categories (a hundredth of them at the top level, each with
// nine leaf categories; every tenth product is also filed under the first
// leaf, which makes the first top category a large one): the category pane's
// counts, the grid's first screen for ALL and for the large category, a
// search, and a sort by price. Beside them runs the floor of the same size:
// reading every published product once, the least any screen listing the
// whole catalogue must do, and for the price sort one price read per product.
// The price sort also runs at 20,000 and 100,000 products in rounds
// interleaved with its floor read with SQLite alone: one join reading each
// published product's price row, kept, then a sort by the price sold at.
// The complexity fits report how each grows.

#include "Classes/Catalog/DetailViewController.h"
#include "Classes/Catalog/MasterViewController.h"
#include "Database/DataAccessManager.h"
#include "Database/SQLiteLayer/SQLDatabase.h"
#include "Network/Protocol/LoginMode.h"
#include "Platform/UIKit/UIWindow.h"
#include "support/TemporaryHome.h"
#include "bench/support/Rounds.h"
#include "bench/support/SqliteRows.h"

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

namespace {

using BenchRounds::median;
using BenchRounds::secondsSince;

struct Catalogue {
    std::shared_ptr<MasterViewController> pane;
    std::shared_ptr<DetailViewController> grid;
};

void fill(SQLDatabase& db, int products)
{
    const int categories = products / 10;
    const int tops = categories / 10;
    db.beginTransaction();
    for (int c = 1; c <= categories; ++c) {
        const int parent = c <= tops ? 0 : (c - tops - 1) / 9 + 1;
        db.executeUpdate("insert into corvelle_category (category_id, category_name, category_type, category_publish, "
                         "category_ordering, category_parent_id) values (?, ?, 'category', 1, 0, ?)",
            c, "Category " + std::to_string(c), parent);
    }
    const int leaves = categories - tops;
    for (int p = 1; p <= products; ++p) {
        db.executeUpdate("insert into corvelle_product (product_id, product_sku, product_name, product_s_desc, "
                         "product_publish, product_tags) values (?, ?, ?, ?, 1, ?)",
            p, "SKU-" + std::to_string(p * 7919 % 100003), "Product " + std::to_string(p * 104729 % 1000003),
            "A product", "tag" + std::to_string(p % 50));
        db.executeUpdate("insert into corvelle_product_price (price_id, product_id, price, currency, discount_price, "
                         "discount_start_date, discount_end_date) values (?, ?, ?, 'USD', ?, 0, ?)",
            p, p, 10.0 + p % 997, 5.0 + p % 13, p % 4 == 0 ? 4.0e9 : 1.0);
        db.executeUpdate("insert into corvelle_product_category_xref (category_id, product_id) values (?, ?)",
            tops + 1 + (p % leaves), p);
        if (p % 10 == 0 && p % leaves != 0)
            db.executeUpdate(
                "insert or ignore into corvelle_product_category_xref (category_id, product_id) values (?, ?)",
                tops + 1, p);
    }
    db.commit();
}

// One client per size, filled once; switching sizes reopens that client's
// database. main() lets go of them in order before the process ends.
std::unique_ptr<TemporaryHome> g_home;
std::map<int, Catalogue> g_made;

Catalogue& catalogueOf(int products)
{
    auto& made = g_made;
    static int open = 0;
    if (!g_home)
        g_home = std::make_unique<TemporaryHome>();
    auto session = LoginMode::sharedInstance();
    if (open != products) {
        DataAccessManager::releaseDataModel();
        session->setClientID("Bench" + std::to_string(products));
        session->setAcountID(std::string("bench01"));
        open = products;
    }
    auto data = DataAccessManager::sharedDataModel();
    auto found = made.find(products);
    if (found != made.end())
        return found->second;
    fill(*SQLDatabase::sharedDataBase(), products);
    Catalogue c;
    c.pane = std::make_shared<MasterViewController>();
    c.pane->view();
    c.grid = std::make_shared<DetailViewController>();
    c.grid->view();
    return made.emplace(products, c).first->second;
}

void BM_FloorReadAllProducts(benchmark::State& state)
{
    catalogueOf(static_cast<int>(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(DataAccessManager::sharedDataModel()->getAllProducts());
    state.SetComplexityN(state.range(0));
}

void BM_CategoryPaneCounts(benchmark::State& state)
{
    auto& c = catalogueOf(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        c.pane->calculateProductNumber();
        benchmark::DoNotOptimize(c.pane->getTotalNumberOfProductsUnderCategory());
    }
    state.SetComplexityN(state.range(0));
}

void BM_GridAllProducts(benchmark::State& state)
{
    auto& c = catalogueOf(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        c.grid->getImgShowData(0);
        benchmark::DoNotOptimize(c.grid->productArray().data());
    }
    state.SetComplexityN(state.range(0));
}

void BM_GridLargeCategory(benchmark::State& state)
{
    auto& c = catalogueOf(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        c.grid->getImgShowData(1);
        benchmark::DoNotOptimize(c.grid->productArray().data());
    }
    state.counters["shown"] = static_cast<double>(c.grid->productArray().size());
    state.SetComplexityN(state.range(0));
}

void BM_Search(benchmark::State& state)
{
    catalogueOf(static_cast<int>(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(
            DataAccessManager::sharedDataModel()->getProductsBySearchString(std::string("Product 12")));
    state.SetComplexityN(state.range(0));
}

void BM_SortByPrice(benchmark::State& state)
{
    auto& c = catalogueOf(static_cast<int>(state.range(0)));
    c.grid->getImgShowData(0);
    for (auto _ : state) {
        c.grid->sorteProductArryBy(2);
        benchmark::DoNotOptimize(c.grid->productArray().data());
    }
    state.SetComplexityN(state.range(0));
}

// The peer of the price sort: one price read per product, which any sort on
// the price records must do before it compares.
void BM_FloorReadEveryPrice(benchmark::State& state)
{
    const int products = static_cast<int>(state.range(0));
    catalogueOf(products);
    auto data = DataAccessManager::sharedDataModel();
    for (auto _ : state)
        for (int p = 1; p <= products; ++p)
            benchmark::DoNotOptimize(data->getPriceEntityByProductId(p));
    state.SetComplexityN(state.range(0));
}

// The least a price sort of the whole catalogue must do: each published
// product's price row read with SQLite alone in one statement (a join), kept
// with its columns read as their types, and the products ordered by the price
// they sell at (the discount's while it runs), ties in their listed order, as
// the grid orders them (ties in the order read).
size_t floorSortByPrice(sqlite3* handle)
{
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(handle,
            "SELECT p.product_id, r.* FROM corvelle_product p LEFT JOIN corvelle_product_price r ON r.product_id = "
            "p.product_id "
            "WHERE p.product_publish = 1",
            -1, &statement, nullptr)
        != SQLITE_OK)
        return 0;
    const int price = BenchRows::columnIndex(statement, "price"),
              discount = BenchRows::columnIndex(statement, "discount_price"),
              start = BenchRows::columnIndex(statement, "discount_start_date"),
              end = BenchRows::columnIndex(statement, "discount_end_date");
    const double now = static_cast<double>(std::time(nullptr));
    std::vector<std::pair<double, int>> keyed;
    std::unordered_map<int, BenchRows::Row> rows;
    while (sqlite3_step(statement) == SQLITE_ROW) {
        const int product = sqlite3_column_int(statement, 0);
        const double listed = sqlite3_column_double(statement, price);
        const bool discounted = listed >= 0 && now >= sqlite3_column_double(statement, start)
            && now <= sqlite3_column_double(statement, end);
        keyed.emplace_back(discounted ? sqlite3_column_double(statement, discount) : listed, product);
        rows[product] = BenchRows::readRow(statement, 1);
    }
    sqlite3_finalize(statement);
    std::stable_sort(keyed.begin(), keyed.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    return rows.size() + keyed.size();
}

// The grid's sort by price beside its floor in interleaved rounds, each round
// taking the two in the other order from the last; reports the median and
// minimum of each and the ratio of the medians.
void BM_SortByPriceBesideFloor(benchmark::State& state)
{
    constexpr int kRounds = 21;
    auto& c = catalogueOf(static_cast<int>(state.range(0)));
    c.grid->getImgShowData(0);
    sqlite3* handle = SQLDatabase::sharedDataBase()->sqliteHandle();
    BenchRounds::runBesideFloor(
        state, kRounds,
        [&] {
            c.grid->sorteProductArryBy(2);
            benchmark::DoNotOptimize(c.grid->productArray().data());
        },
        [&] { benchmark::DoNotOptimize(floorSortByPrice(handle)); });
    state.counters["listed"] = static_cast<double>(c.grid->productArray().size());
}

#define CATALOGUE_SIZES ->Arg(2000)->Arg(20000)->Unit(benchmark::kMillisecond)->Complexity()

BENCHMARK(BM_FloorReadAllProducts) CATALOGUE_SIZES;
BENCHMARK(BM_CategoryPaneCounts) CATALOGUE_SIZES;
BENCHMARK(BM_GridAllProducts) CATALOGUE_SIZES;
BENCHMARK(BM_GridLargeCategory) CATALOGUE_SIZES;
BENCHMARK(BM_Search) CATALOGUE_SIZES;
BENCHMARK(BM_FloorReadEveryPrice) CATALOGUE_SIZES;
BENCHMARK(BM_SortByPrice) CATALOGUE_SIZES;
BENCHMARK(BM_SortByPriceBesideFloor)
    ->Arg(20000)
    ->Arg(100000)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    // Screens and the data layer go before the home folder they live in.
    g_made.clear();
    DataAccessManager::releaseDataModel();
    g_home.reset();
    return 0;
}
