// The order list's data paths for 500 to 5,000 stored orders of 20 lines each:
// loading a segment (all, submitted, unsubmitted) with every order's lines
// and their products, and searching by customer name or order number. Beside
// them runs the floor of the same size: reading every order row and every
// line row through the database layer; and the whole list runs in rounds
// interleaved with the same rows read with SQLite alone in one transaction,
// the least any load of the same orders, lines and products must do.
// The complexity fits report how each grows with the number of orders.
//
// The editor with one order of 500 lines, each product with a thumbnail file
// of its own: making the screen and bringing it on screen (lines reloaded,
// totals computed), a full pass of its line table from top to bottom once the
// pictures have been read (as when the salesperson scrolls back and forth),
// the same pass with nothing kept yet (the first look: the main thread's part,
// while the files are read in the background), and one quantity change with
// the totals recomputed. Beside them run their floors: the same pass over a
// plain table of 500 rows of the same height, and summing the 500 subtotals.

#include "Classes/QuoteOrder/QuoteOrderItemsTableViewCell.h"
#include "Classes/Frame/QuoteOrderStore.h"
#include "Classes/QuoteOrder/QuoteOrderThumbnailCache.h"
#include "Classes/QuoteOrder/QuoteOrderViewController.h"
#include "Classes/Frame/PublicFunction.h"
#include "Classes/Frame/RKTextField.h"
#include "Database/DataAccessManager.h"
#include "Database/SQLiteLayer/SQLDatabase.h"
#include "Network/Protocol/LoginMode.h"
#include "Platform/UIKit/UIButton.h"
#include "Platform/UIKit/UIColor.h"
#include "Platform/UIKit/UIGraphics.h"
#include "Platform/UIKit/UIImage.h"
#include "support/RunLoopPump.h"
#include "support/TemporaryHome.h"
#include "bench/support/Rounds.h"
#include "bench/support/SqliteRows.h"

#include <benchmark/benchmark.h>
#include <malloc.h>
#include <sqlite3.h>
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unordered_map>
#include <utility>
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

constexpr int kLinesPerOrder = 20;

constexpr int kEditorLines = 500;

// A thumbnail a little larger than the cell's box for each editor product, as
// the synchronisation leaves them.
void seedThumbnails()
{
    auto db = SQLDatabase::sharedDataBase();
    UIGraphicsBeginImageContext(CGSizeMake(200, 104));
    UIColor::orangeColor()->setFill();
    UIRectFill(CGRectMake(0, 0, 200, 104));
    auto png = UIImagePNGRepresentation(UIGraphicsGetImageFromCurrentImageContext());
    UIGraphicsEndImageContext();
    for (int product = 1; product <= kEditorLines; ++product) {
        const std::string name = "thumb" + std::to_string(product) + ".png";
        db->executeUpdate("insert into corvelle_image(image_id, key_id, key_type, image_thumb_address, "
                          "image_full_address, image_isdault, "
                          "image_publis, image_ordering) values (?, ?, 'product', ?, ?, 1, 1, 0)",
            product, product, name, name);
        const std::string path = PublicFunction::filePathWithNameFiletype(name, 1);
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(png->data()), static_cast<std::streamsize>(png->size()));
    }
}

// A signed-in client whose database holds `orders` orders, every third one
// submitted, each with 20 lines; reseeded only when the size changes.
void seed(int orders)
{
    static TemporaryHome home;
    static int seeded = -1;
    if (seeded == orders)
        return;
    auto session = LoginMode::sharedInstance();
    session->setClientID(std::string("Bench"));
    session->setAcountID(std::string("bench01"));
    auto data = DataAccessManager::sharedDataModel();
    auto db = SQLDatabase::sharedDataBase();
    db->executeUpdate("delete from corvelle_quote_order");
    db->executeUpdate("delete from corvelle_quote_order_item");
    db->beginTransaction();
    // The lines' products, so that each line of the list carries its record.
    for (int p = 1; p <= kLinesPerOrder; ++p)
        db->executeUpdate("insert or replace into corvelle_product (product_id, product_sku, product_name, "
                          "product_s_desc, product_publish) values (?, ?, ?, ?, 1)",
            p, "SKU-" + std::to_string(p - 1), "Product " + std::to_string(p - 1), "A product sold by the dozen");
    int lineId = 1;
    for (int i = 0; i < orders; ++i) {
        auto order = std::make_shared<QuoteOrderEntity>();
        order->serial = i + 1;
        order->number = "bench01_" + std::to_string(100000 + i);
        order->customerName = (i % 2 ? "Trading House " : "贸易公司 ") + std::to_string(i);
        order->currency = std::string("CNY");
        order->uploaded = i % 3 == 0;
        order->discountRat = 100;
        for (int l = 0; l < kLinesPerOrder; ++l) {
            auto item = std::make_shared<QuoteOrderItemEntity>();
            item->serial = lineId++;
            item->product = std::make_shared<corvelle_product_Entity>();
            item->product->product_id = l + 1;
            item->sku = "SKU-" + std::to_string(l);
            item->name = "Product " + std::to_string(l);
            item->quantity = 1 + l % 5;
            item->price = 10 + l;
            item->finalPrice = 9 + l;
            item->currency = std::string("CNY");
            order->items.push_back(item);
        }
        mustSave(data->saveQuoteOrder(order) != 0, "an order");
    }
    db->commit();
    if (seeded == -1)
        seedThumbnails();
    seeded = orders;
}

void BM_FloorReadRows(benchmark::State& state)
{
    seed(static_cast<int>(state.range(0)));
    auto db = SQLDatabase::sharedDataBase();
    for (auto _ : state) {
        long sum = 0;
        for (const char* sql : { "select * from corvelle_quote_order", "select * from corvelle_quote_order_item" }) {
            auto rs = db->executeQuery(sql);
            const int columns = rs ? rs->columnCount() : 0;
            while (rs && rs->next()) {
                for (int c = 0; c < columns; ++c)
                    sum += static_cast<long>(rs->stringForColumnIndex(c).value_or(std::string()).size());
            }
        }
        benchmark::DoNotOptimize(sum);
    }
    state.SetComplexityN(state.range(0));
}

void fetch(benchmark::State& state, int type, const char* text)
{
    seed(static_cast<int>(state.range(0)));
    auto store = QuoteOrderStore::sharedQuoteOrderStore();
    for (auto _ : state)
        benchmark::DoNotOptimize(
            store->fetchQuoteOrdersCondition(type, text ? std::optional<std::string>(text) : std::nullopt));
    state.SetComplexityN(state.range(0));
}

// The least any load of the whole list must do: the same three statements
// in one transaction with SQLite alone (the orders in the list's own order,
// newest first by their dates read as dates; every line of the listed orders;
// the lines' products), each row kept with its columns read as their types,
// and every line put under its order beside its product, as the list's
// records hold them.
struct FloorOrder {
    BenchRows::Row row;
    std::vector<std::pair<BenchRows::Row, const BenchRows::Row*>> lines;
};

size_t floorReadOrderList(sqlite3* handle)
{
    static constexpr const char* kNewestFirst
        = " ORDER BY (case when substr(cdate,3,1) = '/' then substr(cdate,7,4) || '-' || substr(cdate,1,2) || '-' "
          "|| substr(cdate,4,2) || substr(cdate,11) else cdate end) DESC";
    static constexpr const char* kListed = "SELECT order_id FROM corvelle_quote_order WHERE 1 = 1 ";
    std::vector<FloorOrder> orders;
    std::unordered_map<sqlite3_int64, size_t> byId;
    std::unordered_map<sqlite3_int64, BenchRows::Row> products;
    const auto each = [handle](const std::string& sql, const auto& take) {
        sqlite3_stmt* statement = nullptr;
        if (sqlite3_prepare_v2(handle, sql.c_str(), -1, &statement, nullptr) != SQLITE_OK)
            return;
        while (sqlite3_step(statement) == SQLITE_ROW)
            take(statement);
        sqlite3_finalize(statement);
    };
    int idColumn = -1, orderColumn = -1, productColumn = -1, productIdColumn = -1;
    sqlite3_exec(handle, "BEGIN", nullptr, nullptr, nullptr);
    each(std::string("SELECT * FROM corvelle_quote_order WHERE 1 = 1 ") + kNewestFirst, [&](sqlite3_stmt* s) {
        if (idColumn < 0)
            idColumn = BenchRows::columnIndex(s, "order_id");
        byId.emplace(sqlite3_column_int64(s, idColumn), orders.size());
        orders.push_back({ BenchRows::readRow(s), {} });
    });
    each(std::string("SELECT * FROM corvelle_product WHERE product_id IN (SELECT product_id FROM "
                     "corvelle_quote_order_item WHERE order_id IN (")
            + kListed + "))",
        [&](sqlite3_stmt* s) {
            if (productIdColumn < 0)
                productIdColumn = BenchRows::columnIndex(s, "product_id");
            products.emplace(sqlite3_column_int64(s, productIdColumn), BenchRows::readRow(s));
        });
    each(std::string("SELECT * FROM corvelle_quote_order_item WHERE order_id IN (") + kListed
            + ") ORDER BY order_id, order_item_id",
        [&](sqlite3_stmt* s) {
            if (orderColumn < 0) {
                orderColumn = BenchRows::columnIndex(s, "order_id");
                productColumn = BenchRows::columnIndex(s, "product_id");
            }
            auto owner = byId.find(sqlite3_column_int64(s, orderColumn));
            if (owner == byId.end())
                return;
            auto product = products.find(sqlite3_column_int64(s, productColumn));
            orders[owner->second].lines.emplace_back(
                BenchRows::readRow(s), product == products.end() ? nullptr : &product->second);
        });
    sqlite3_exec(handle, "COMMIT", nullptr, nullptr, nullptr);
    size_t lines = 0;
    for (const auto& order : orders)
        lines += order.lines.size();
    return orders.size() + lines;
}

// The process's minor page faults so far.
long minorFaults()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_minflt;
}

// The whole list beside its floor in interleaved rounds, each round taking
// the two in the other order from the last, so both see the same machine;
// reports the median and minimum of each and the ratio of the medians.
void BM_ListBesideFloor(benchmark::State& state)
{
    constexpr int kRounds = 21;
    seed(static_cast<int>(state.range(0)));
    auto store = QuoteOrderStore::sharedQuoteOrderStore();
    sqlite3* handle = SQLDatabase::sharedDataBase()->sqliteHandle();
    // Both give the same rows: every order, each with its lines.
    size_t listed = 0;
    for (const auto& order : store->fetchQuoteOrdersCondition(0, std::nullopt))
        listed += 1 + order->items.size();
    if (listed != floorReadOrderList(handle))
        state.SkipWithError("the floor reads other rows than the list");
    // Memory the allocator gave back after one round is faulted in again by
    // the next, and what a fault costs varies with the machine's load: the
    // faults of each side say how much of its time and its spread that is.
    // Whether the allocator can give the memory back depends on where the
    // heap's last live block happens to lie, which differs from run to run
    // and from side to side; each side starts with all freed memory given
    // back, so both always pay for the memory they use.
    long oursFaults = 0, floorFaults = 0;
    BenchRounds::runBesideFloor(
        state, kRounds,
        [&] {
            const long before = minorFaults();
            benchmark::DoNotOptimize(store->fetchQuoteOrdersCondition(0, std::nullopt));
            oursFaults += minorFaults() - before;
        },
        [&] {
            const long before = minorFaults();
            benchmark::DoNotOptimize(floorReadOrderList(handle));
            floorFaults += minorFaults() - before;
        },
        [] { malloc_trim(0); });
    state.counters["ours_faults_per_round"] = static_cast<double>(oursFaults) / kRounds;
    state.counters["floor_faults_per_round"] = static_cast<double>(floorFaults) / kRounds;
}

void BM_LoadAll(benchmark::State& state) { fetch(state, 0, nullptr); }
void BM_SegmentSubmitted(benchmark::State& state) { fetch(state, 1, nullptr); }
void BM_SegmentUnsubmitted(benchmark::State& state) { fetch(state, 2, nullptr); }
void BM_SearchCustomer(benchmark::State& state) { fetch(state, 0, "house 4"); }
void BM_SearchNumber(benchmark::State& state) { fetch(state, 0, "_1002"); }

std::shared_ptr<QuoteOrderEntity> editorOrder()
{
    auto order = std::make_shared<QuoteOrderEntity>();
    order->currency = std::string("CNY");
    order->discountRat = 100;
    order->isInEdit = true;
    for (int l = 0; l < kEditorLines; ++l) {
        auto item = std::make_shared<QuoteOrderItemEntity>();
        item->product = std::make_shared<corvelle_product_Entity>();
        item->product->product_id = l + 1;
        item->product->product_name = "Product " + std::to_string(l);
        item->sku = "SKU-" + std::to_string(l);
        item->attributes = std::string("colour:red,size:large");
        item->quantity = 1 + l % 5;
        item->price = 10 + l;
        item->finalPrice = 9 + l;
        item->currency = std::string("CNY");
        order->items.push_back(item);
    }
    return order;
}

std::shared_ptr<QuoteOrderViewController> openEditor(const std::shared_ptr<QuoteOrderEntity>& order)
{
    auto editor = std::make_shared<QuoteOrderViewController>();
    editor->setState(QuoteOrderViewController::StateNew);
    editor->setQuoteOrder(order);
    editor->view();
    editor->viewWillAppear(false);
    editor->viewDidAppear(false);
    return editor;
}

// Every row of the table is shown once, a screenful at a time.
size_t tablePass(UITableView& table)
{
    size_t cells = 0;
    const CGFloat end = table.contentSize().height;
    for (CGFloat y = 0; y < end; y += table.bounds().size.height) {
        table.setContentOffset(CGPointMake(0, y));
        cells += table.visibleCells().size();
    }
    table.setContentOffset(CGPointMake(0, 0));
    return cells;
}

void BM_EditorLoad(benchmark::State& state)
{
    seed(1);
    auto order = editorOrder();
    for (auto _ : state)
        benchmark::DoNotOptimize(openEditor(order)->tableItems()->visibleCells().size());
}

// Passes over the table while the main loop takes the pictures as they are
// read, until every row shows one.
void readAllThumbnails(UITableView& table)
{
    const auto allShown = [&table] {
        bool all = true;
        const CGFloat end = table.contentSize().height;
        for (CGFloat y = 0; y < end; y += table.bounds().size.height) {
            table.setContentOffset(CGPointMake(0, y));
            for (const auto& cell : table.visibleCells()) {
                auto line = std::dynamic_pointer_cast<QuoteOrderItemsTableViewCell>(cell);
                all = all && line && !line->imageImageView()->subviews().empty();
            }
        }
        table.setContentOffset(CGPointMake(0, 0));
        return all;
    };
    pumpMainRunLoopUntil(allShown, 60);
}

void BM_EditorTablePass(benchmark::State& state)
{
    seed(1);
    auto editor = openEditor(editorOrder());
    readAllThumbnails(*editor->tableItems());
    for (auto _ : state)
        benchmark::DoNotOptimize(tablePass(*editor->tableItems()));
}

void BM_EditorTablePassFirstLook(benchmark::State& state)
{
    seed(1);
    auto editor = openEditor(editorOrder());
    auto& cache = QuoteOrderThumbnailCache::sharedInstance();
    for (auto _ : state) {
        state.PauseTiming();
        readAllThumbnails(*editor->tableItems());
        cache.removeAllObjects();
        cache.forgetImagePaths();
        state.ResumeTiming();
        benchmark::DoNotOptimize(tablePass(*editor->tableItems()));
    }
    // What the last pass asked for is read before the next benchmark.
    readAllThumbnails(*editor->tableItems());
}

class PlainRows : public UITableViewDataSource {
public:
    long tableViewNumberOfRowsInSection(UITableView&, long) override { return kEditorLines; }
    std::shared_ptr<UITableViewCell> tableViewCellForRowAtIndexPath(
        UITableView& table, const NSIndexPath& path) override
    {
        auto cell = table.dequeueReusableCellWithIdentifier("Plain");
        if (!cell)
            cell = std::make_shared<UITableViewCell>(UITableViewCellStyleSubtitle, std::string("Plain"));
        cell->textLabel()->setText("Product " + std::to_string(path.row()));
        cell->detailTextLabel()->setText("SKU-" + std::to_string(path.row()));
        return cell;
    }
};

void BM_FloorPlainTablePass(benchmark::State& state)
{
    auto rows = std::make_shared<PlainRows>();
    auto table = std::make_shared<UITableView>(CGRectMake(0, 190, 1024, 442));
    table->setRowHeight(100);
    table->setDataSource(rows);
    table->reloadData();
    for (auto _ : state)
        benchmark::DoNotOptimize(tablePass(*table));
}

// One quantity typed into the first line: the cell writes the line, the
// editor takes it and recomputes the order's totals over every line.
void BM_EditorQuantityChange(benchmark::State& state)
{
    seed(1);
    auto editor = openEditor(editorOrder());
    auto cell = std::dynamic_pointer_cast<QuoteOrderItemsTableViewCell>(
        editor->tableItems()->cellForRowAtIndexPath(NSIndexPath::indexPathForRowInSection(0, 0)));
    int quantity = 1;
    for (auto _ : state) {
        quantity = quantity % 9 + 1;
        cell->quantityTextField()->setText(std::to_string(quantity));
        cell->textFieldDidEndEditing(*cell->quantityTextField());
        benchmark::DoNotOptimize(editor->quoteOrder()->discount());
    }
}

void BM_FloorSumSubtotals(benchmark::State& state)
{
    auto order = editorOrder();
    for (auto _ : state) {
        double sum = 0;
        for (const auto& item : order->items)
            sum += item->finalPrice * item->quantity;
        benchmark::DoNotOptimize(sum);
    }
}

}  // namespace

BENCHMARK(BM_EditorLoad)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EditorTablePass)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EditorTablePassFirstLook)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FloorPlainTablePass)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EditorQuantityChange)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FloorSumSubtotals)->Unit(benchmark::kMicrosecond);

#define ORDER_SIZES ->Arg(500)->Arg(1000)->Arg(2000)->Arg(5000)->Unit(benchmark::kMillisecond)->Complexity()
BENCHMARK(BM_ListBesideFloor)->Arg(500)->Arg(5000)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FloorReadRows) ORDER_SIZES;
BENCHMARK(BM_LoadAll) ORDER_SIZES;
BENCHMARK(BM_SegmentSubmitted) ORDER_SIZES;
BENCHMARK(BM_SegmentUnsubmitted) ORDER_SIZES;
BENCHMARK(BM_SearchCustomer) ORDER_SIZES;
BENCHMARK(BM_SearchNumber) ORDER_SIZES;
