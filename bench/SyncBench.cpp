// A full synchronisation of a generated company (2,000, 20,000 and 100,000
// products: the tables, two pictures a product and the covers) from the fake
// company server, run as a program of its own on the loopback, through the
// session, the engine, the front door, the transport and the database; beside
// it, in the same rounds, its floor: the same table replies and files fetched
// with the command-line curl (three transfers at a time, as the transport runs
// them), then the same rows parsed and inserted with bare prepared statements
// in one transaction. Rounds alternate which goes first; each figure is given
// as the median and the minimum over the rounds, with the machine's load.
// Peak memory is this process's resident peak during the run (the server and
// curl are processes of their own and are not counted).
//
// CORVELLE_SYNCBENCH_ROUNDS sets the rounds of the two smaller sizes (3 by
// default); the 100,000 size runs CORVELLE_SYNCBENCH_BIG_ROUNDS (1 by default).
// Run it with TMPDIR on a memory-backed folder (TMPDIR=/dev/shm): both sides
// write every picture into the temporary folder, and on a disk the
// writeback's stalls swing either side's rounds by a factor of two or more.
//
// The synchronisation waits 0.1 s on the main run loop once the product
// pictures are in, before it asks for the next kind of picture (and again
// after the icons, which the generated company has none of): a pause of its
// design, not work. `app_less_pause_to_floor_median` gives the ratio without
// it, beside the whole one.
//
// CORVELLE_SYNCBENCH_TRACE=1 prints the resident set every 50 ms while the
// application synchronises, timestamped like its log, to see which phase
// holds the peak.

#include "ChildProcess.h"
#include "ClockFixture.h"
#include "RunLoopPump.h"
#include "ServerSettings.h"
#include "TemporaryHome.h"
#include "Database/ConfigManager.h"
#include "Database/DataAccessManager.h"
#include "Network/Protocol/HttpNetworkCtrl.h"
#include "Network/Protocol/LoginMode.h"
#include "Network/Protocol/NetworkModel.h"
#include "Network/Protocol/SyncModel.h"
#include "Platform/Foundation/Clock.h"
#include "bench/support/Rounds.h"

#include <benchmark/benchmark.h>
#include <rapidjson/document.h>
#include <sqlite3.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <malloc.h>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#ifndef CORVELLE_BENCH_COMPANY_ROOT
#define CORVELLE_BENCH_COMPANY_ROOT ""
#endif
#ifndef CORVELLE_FAKE_SERVER
#define CORVELLE_FAKE_SERVER "corvelle-fake-server"
#endif

namespace fs = std::filesystem;

namespace {

using BenchRounds::median;

// The fake company server of one generated company, as a program of its own.
struct Server {
    explicit Server(const std::string& company)
        : folder(company)
        , process({ CORVELLE_FAKE_SERVER, "--company", company, "0" })
    {
        std::string line;
        // "fake company server on 127.0.0.1:<port> with ..."
        if (process.readLine(line, 600)) {
            size_t colon = line.find("127.0.0.1:");
            if (colon != std::string::npos)
                port = std::atoi(line.c_str() + colon + 10);
        }
    }
    std::string folder;
    ChildProcess process;
    int port = 0;
    std::string messagePath = "CorvelleSaas";
    std::string imagePath = "corvelle_saas";
};

std::string companyFolder(long products)
{
    return std::string(CORVELLE_BENCH_COMPANY_ROOT) + "/sample-company-" + std::to_string(products);
}

// The peak resident set since the last reset, in kilobytes.
long peakKilobytes()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0)
            return std::atol(line.c_str() + 6);
    }
    return -1;
}

// Starts a peak measure from what the process holds now, with the heap an
// earlier round freed given back first.
void resetPeak()
{
    malloc_trim(0);
    std::ofstream("/proc/self/clear_refs") << "5";
}

long residentKilobytes()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0)
            return std::atol(line.c_str() + 6);
    }
    return -1;
}

// Prints the resident set while it lives, when the trace is asked for.
class ResidentTrace {
public:
    ResidentTrace()
    {
        const char* setting = std::getenv("CORVELLE_SYNCBENCH_TRACE");
        if (!setting || std::atoi(setting) <= 0)
            return;
        m_thread = std::thread([this] {
            while (!m_stop.load()) {
                const auto now = std::chrono::system_clock::now();
                const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
                const long millis = static_cast<long>(
                    std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000);
                char stamp[32];
                std::strftime(stamp, sizeof stamp, "%H:%M:%S", std::localtime(&seconds));
                std::fprintf(stderr, "resident %s.%03ld %ld MB\n", stamp, millis, residentKilobytes() / 1024);
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
            }
        });
    }
    ~ResidentTrace()
    {
        m_stop = true;
        if (m_thread.joinable())
            m_thread.join();
    }

private:
    std::atomic<bool> m_stop { false };
    std::thread m_thread;
};

std::string loadAverage()
{
    std::ifstream in("/proc/loadavg");
    std::string one, five, fifteen;
    in >> one >> five >> fifteen;
    return one + " " + five + " " + fifteen;
}

class Finished : public SyncModelDelegate {
public:
    void finishedSync() override { done = true; }
    void breakSync(const std::string& message) override
    {
        done = true;
        broken = true;
    }
    bool done = false;
    bool broken = false;
};

class Signed : public LoginModelDelegate {
public:
    bool implementsLoginSuccess() const override { return true; }
    void loginSuccess() override { done = true; }
    bool implementsLoginErroWithMessage() const override { return true; }
    void loginErroWithMessage(const std::string&) override { failed = true; }
    bool done = false;
    bool failed = false;
};

void pointAtServer(const Server& server)
{
    pointMessageSettingsAt(server.port, server.messagePath);
    pointImageSettingsAt(server.port, server.imagePath);
    keepMainRunLoopWaiting();
}

// Signs in (not timed), then times the synchronisation; -1 on a failure.
double applicationSync(const Server& server, long& peak)
{
    TemporaryHome home;
    pointAtServer(server);
    auto session = LoginMode::sharedInstance();
    auto signedIn = std::make_shared<Signed>();
    session->setDelegate(signedIn);
    auto info = std::make_shared<LoginInfo>();
    info->accountId = "sales1";
    info->passWord = "secret";
    info->clientId = "ACME";
    info->deviceId = "BENCH";
    session->loginIsFromInputIsAutoLogin(info, true, false);
    pumpMainRunLoopUntil([&] { return signedIn->done || signedIn->failed; }, 60);
    double took = -1;
    if (signedIn->done) {
        auto finished = std::make_shared<Finished>();
        auto sync = SyncModel::sharedInstance();
        sync->setDelegate(finished);
        resetPeak();
        ResidentTrace trace;
        double began = Clock::now();
        sync->startSync();
        pumpMainRunLoopUntil([&] { return finished->done; }, 3600);
        took = finished->broken || !finished->done ? -1 : Clock::now() - began;
        peak = peakKilobytes();
    }
    NetworkModel::sharedInstance()->cancelAllRequests();
    drainMainRunLoop();
    SyncModel::freeInstance();
    LoginMode::freeInstance();
    ConfigManager::freeInstance();
    DataAccessManager::releaseDataModel();
    return took;
}

std::string readFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

struct Statement {
    Statement(sqlite3* db, const char* sql) { sqlite3_prepare_v2(db, sql, -1, &statement, nullptr); }
    ~Statement() { sqlite3_finalize(statement); }
    Statement& text(int i, const rapidjson::Value& object, const char* key)
    {
        auto it = object.FindMember(key);
        if (it != object.MemberEnd() && it->value.IsString())
            sqlite3_bind_text(
                statement, i, it->value.GetString(), static_cast<int>(it->value.GetStringLength()), SQLITE_TRANSIENT);
        else if (it != object.MemberEnd() && it->value.IsNumber())
            sqlite3_bind_double(statement, i, it->value.GetDouble());
        else
            sqlite3_bind_null(statement, i);
        return *this;
    }
    Statement& integer(int i, long value)
    {
        sqlite3_bind_int64(statement, i, value);
        return *this;
    }
    bool run()
    {
        bool ok = sqlite3_step(statement) == SQLITE_DONE;
        sqlite3_reset(statement);
        return ok;
    }
    sqlite3_stmt* statement = nullptr;
};

long number(const rapidjson::Value& object, const char* key)
{
    auto it = object.FindMember(key);
    if (it == object.MemberEnd())
        return 0;
    return it->value.IsString() ? std::atol(it->value.GetString())
        : it->value.IsNumber()  ? static_cast<long>(it->value.GetDouble())
                                : 0;
}

// The rows a synchronisation stores, inserted bare; the number of rows, or -1.
long insertRows(
    const std::string& database, const std::string& products, const std::string& files, const std::string& customers)
{
    rapidjson::Document p, f, c;
    p.Parse(products.c_str());
    f.Parse(files.c_str());
    c.Parse(customers.c_str());
    if (!p.IsObject() || !f.IsObject() || !c.IsObject())
        return -1;
    sqlite3* db = nullptr;
    if (sqlite3_open(database.c_str(), &db) != SQLITE_OK)
        return -1;
    long rows = 0;
    bool ok = sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr) == SQLITE_OK;
    {
        Statement product(db,
            "INSERT OR REPLACE INTO "
            "corvelle_product(product_id,product_sku,product_name,product_s_desc,product_l_desc,product_publish,"
            "product_ordering,product_stock,product_tags) VALUES(?,?,?,?,?,?,?,?,?)");
        Statement attribute(db,
            "INSERT OR REPLACE INTO "
            "corvelle_product_attribute(attribute_id,product_id,attribute_fields_id,attribute_value) VALUES(?,?,?,?)");
        Statement link(db, "INSERT OR REPLACE INTO corvelle_product_category_xref(category_id,product_id) VALUES(?,?)");
        Statement price(db,
            "INSERT OR REPLACE INTO "
            "corvelle_product_price(price_id,product_id,price,currency,discount_price,discount_identifier,discount_"
            "start_date,discount_end_date) VALUES(?,?,?,?,?,?,?,?)");
        Statement related(
            db, "INSERT OR REPLACE INTO corvelle_product_related(product_id,related_product_sku) VALUES(?,?)");
        Statement image(db,
            "INSERT OR REPLACE INTO "
            "corvelle_image(image_id,key_id,key_type,image_thumb_address,image_full_address,image_isdault,image_publis,"
            "image_ordering) VALUES(?,?,?,?,?,?,?,?)");
        Statement category(db,
            "INSERT OR REPLACE INTO "
            "corvelle_category(category_id,category_name,category_code,category_publish,category_ordering,category_"
            "parent_id) VALUES(?,?,?,?,?,?)");
        Statement libraryFile(db,
            "INSERT OR REPLACE INTO "
            "corvelle_library_files(id,title,file_name,category,type,date,description,ordering,published,cover_image,"
            "info) VALUES(?,?,?,?,?,?,?,?,?,?,?)");
        Statement customer(db,
            "INSERT OR REPLACE INTO "
            "corvelle_customer(customer_id,customer_name,customer_publish,customer_ordering,discount) "
            "VALUES(?,?,?,?,?)");
        Statement address(db,
            "INSERT OR REPLACE INTO corvelle_customer_address(id,customer_id,address,city,state,zip_code) "
            "VALUES(?,?,?,?,?,?)");
        Statement contact(db,
            "INSERT OR REPLACE INTO "
            "corvelle_customer_contact(contact_id,customer_id,first_name,last_name,job_title,email) "
            "VALUES(?,?,?,?,?,?)");
        const auto& pc = p["content"];
        for (const auto& item : pc[0].GetArray()) {
            long id = number(item, "productID");
            ok = product.integer(1, id)
                     .text(2, item, "productSKU")
                     .text(3, item, "productName")
                     .text(4, item, "productShortDesc")
                     .text(5, item, "productDesc")
                     .integer(6, number(item, "publish"))
                     .integer(7, number(item, "productOrdering"))
                     .integer(8, number(item, "productStock"))
                     .text(9, item, "productTag")
                     .run()
                && ok;
            for (const auto& a : item["attributes"].GetArray())
                ok = attribute.integer(1, number(a, "attributeId"))
                         .integer(2, id)
                         .integer(3, number(a, "attributeFieldsId"))
                         .text(4, a, "attributeValue")
                         .run()
                    && ok;
            for (const auto& parent : item["productParentList"].GetArray())
                ok = link.integer(1, parent.IsNumber() ? parent.GetInt() : std::atoi(parent.GetString()))
                         .integer(2, id)
                         .run()
                    && ok;
            ok = price.integer(1, number(item, "priceID"))
                     .integer(2, id)
                     .text(3, item, "price")
                     .text(4, item, "currency")
                     .text(5, item, "discountPrice")
                     .text(6, item, "discountIdentifier")
                     .text(7, item, "discountStartDate")
                     .text(8, item, "discountEndDate")
                     .run()
                && ok;
            ok = related.integer(1, id).text(2, item, "relatedSKUList").run() && ok;
            rows += 4 + item["attributes"].Size() + item["productParentList"].Size();
            if (item.HasMember("images")) {
                for (const auto& i : item["images"].GetArray()) {
                    ok = image.integer(1, number(i, "imageID"))
                             .integer(2, number(i, "keyID"))
                             .text(3, i, "keyType")
                             .text(4, i, "thumbAddress")
                             .text(5, i, "fullAddress")
                             .integer(6, number(i, "isDefault"))
                             .integer(7, number(i, "imagePublish"))
                             .integer(8, number(i, "imageOrdering"))
                             .run()
                        && ok;
                    ++rows;
                }
            }
        }
        for (const auto& item : pc[1].GetArray()) {
            ok = category.integer(1, number(item, "categoryID"))
                     .text(2, item, "categoryName")
                     .text(3, item, "categoryCode")
                     .integer(4, number(item, "categoryPublish"))
                     .integer(5, number(item, "categoryOrdering"))
                     .integer(6, number(item, "categoryParentID"))
                     .run()
                && ok;
            ++rows;
        }
        for (const auto& item : f["content"][0].GetArray()) {
            ok = libraryFile.integer(1, number(item, "id"))
                     .text(2, item, "title")
                     .text(3, item, "fileName")
                     .integer(4, number(item, "category"))
                     .text(5, item, "type")
                     .text(6, item, "date")
                     .text(7, item, "description")
                     .integer(8, number(item, "ordering"))
                     .integer(9, number(item, "publish"))
                     .text(10, item, "coverImage")
                     .text(11, item, "info")
                     .run()
                && ok;
            ++rows;
        }
        const auto& cc = c["content"];
        for (const auto& item : cc[0].GetArray()) {
            ok = customer.integer(1, number(item, "customerId"))
                     .text(2, item, "customerName")
                     .integer(3, number(item, "customerPublish"))
                     .integer(4, number(item, "customerOrdering"))
                     .text(5, item, "customerDiscount")
                     .run()
                && ok;
            ++rows;
        }
        for (const auto& item : cc[2].GetArray()) {
            ok = address.integer(1, number(item, "id"))
                     .integer(2, number(item, "customer_id"))
                     .text(3, item, "address")
                     .text(4, item, "city")
                     .text(5, item, "state")
                     .text(6, item, "zip_code")
                     .run()
                && ok;
            ++rows;
        }
        for (const auto& item : cc[3].GetArray()) {
            ok = contact.integer(1, number(item, "contactId"))
                     .integer(2, number(item, "customerId"))
                     .text(3, item, "firstName")
                     .text(4, item, "lastName")
                     .text(5, item, "jobTitle")
                     .text(6, item, "email")
                     .run()
                && ok;
            ++rows;
        }
    }
    ok = sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr) == SQLITE_OK && ok;
    sqlite3_close(db);
    return ok ? rows : -1;
}

// The same bytes with curl, then the same rows bare; -1 on a failure.
double floorSync(const Server& server, long& peak, long& rows)
{
    fs::path scratch = fs::temp_directory_path() / ("corvelle-syncbench-" + std::to_string(::getpid()));
    fs::remove_all(scratch);
    fs::create_directories(scratch / "files");
    std::string base = "http://127.0.0.1:" + std::to_string(server.port);
    // The server takes table commands of any session unless told otherwise.
    std::string messages = base + "/" + server.messagePath + "/SyncServer;floor?";
    // Three curl processes, each fetching a third of the files over one
    // connection: three transfers at a time, as the transport runs them.
    std::ofstream configs[3] = { std::ofstream(scratch / "files0.cfg"), std::ofstream(scratch / "files1.cfg"),
        std::ofstream(scratch / "files2.cfg") };
    size_t n = 0;
    for (const char* type : { "product", "file", "customer" }) {
        std::string body = std::string("{\"root\":{\"parameters\":{\"methodName\":\"syncData\",\"syncType\":\"") + type
            + "\",\"isFull\":\"true\"}}}";
        std::ofstream(scratch / (std::string(type) + ".body")) << body;
    }
    for (const auto& entry : fs::directory_iterator(fs::path(server.folder) / "files" / "ACME" / "product")) {
        configs[n % 3] << "url = \"" << base << "/" << server.imagePath << "/images/ACME/product/"
                       << entry.path().filename().string() << "\"\n"
                       << "output = \"" << (scratch / "files" / std::to_string(n)).string() << "\"\n";
        ++n;
    }
    for (const auto& entry :
        fs::directory_iterator(fs::path(server.folder) / "files" / "ACME" / "library" / "cover_image")) {
        configs[n % 3] << "url = \"" << base << "/" << server.imagePath << "/images/ACME/library/cover_image/"
                       << entry.path().filename().string() << "\"\n"
                       << "output = \"" << (scratch / "files" / std::to_string(n)).string() << "\"\n";
        ++n;
    }
    for (auto& config : configs)
        config.close();
    fs::copy_file(fs::path(CORVELLE_BUNDLE_DIR) / "corvelle_lite.sqlite", scratch / "floor.sqlite");

    resetPeak();
    double began = Clock::now();
    bool ok = true;
    for (const char* type : { "product", "file", "customer" }) {
        std::string command = "curl -s -f -X POST -H 'Content-Type: applicatioin/bin;charset=UTF-8' --data-binary @'"
            + (scratch / (std::string(type) + ".body")).string() + "' -o '"
            + (scratch / (std::string(type) + ".json")).string() + "' '" + messages + "'";
        ok = std::system(command.c_str()) == 0 && ok;
    }
    std::string files = "(";
    for (int i = 0; i < 3; ++i)
        files += "curl -s -f --data-binary '' -K '" + (scratch / ("files" + std::to_string(i) + ".cfg")).string()
            + "' & ";
    files += "wait)";
    ok = std::system(files.c_str()) == 0 && ok;
    rows = insertRows((scratch / "floor.sqlite").string(), readFile(scratch / "product.json"),
        readFile(scratch / "file.json"), readFile(scratch / "customer.json"));
    double took = Clock::now() - began;
    peak = peakKilobytes();
    size_t fetched = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(scratch / "files"))
        ++fetched;
    fs::remove_all(scratch);
    return ok && rows > 0 && fetched == n ? took : -1;
}

int roundsFor(long products)
{
    const char* setting
        = std::getenv(products >= 100000 ? "CORVELLE_SYNCBENCH_BIG_ROUNDS" : "CORVELLE_SYNCBENCH_ROUNDS");
    int rounds = setting ? std::atoi(setting) : 0;
    return rounds > 0 ? rounds : products >= 100000 ? 1 : 3;
}

// The one pause between picture kinds a run of the generated company makes.
constexpr double kDesignedPause = 0.1;

double least(const std::vector<double>& values)
{
    return values.empty() ? 0 : *std::min_element(values.begin(), values.end());
}

void FullSyncBesideTheFloor(benchmark::State& state)
{
    const long products = state.range(0);
    Server server(companyFolder(products));
    if (server.port <= 0) {
        state.SkipWithError("the fake company server did not start");
        return;
    }
    std::vector<double> app, floor, appPeak, floorPeak;
    long rows = 0;
    const std::string loadBefore = loadAverage();
    for (auto _ : state) {
        for (int round = 0; round < roundsFor(products); ++round) {
            long aPeak = 0, fPeak = 0;
            double a = -1, f = -1;
            // Alternate which goes first, so neither always meets a warm or a cold server.
            if (round % 2 == 0) {
                f = floorSync(server, fPeak, rows);
                a = applicationSync(server, aPeak);
            } else {
                a = applicationSync(server, aPeak);
                f = floorSync(server, fPeak, rows);
            }
            if (a < 0 || f < 0) {
                state.SkipWithError(a < 0 ? "the synchronisation failed" : "the floor failed");
                return;
            }
            std::fprintf(stderr, "%ld products, round %d: app %.2f s %.0f MB, floor %.2f s %.0f MB, load %s\n",
                products, round + 1, a, static_cast<double>(aPeak) / 1024.0, f, static_cast<double>(fPeak) / 1024.0,
                loadAverage().c_str());
            // The server reports what it received; read it, so its output never fills up.
            std::string line;
            while (server.process.readLine(line, 0.01)) { }
            app.push_back(a);
            floor.push_back(f);
            appPeak.push_back(static_cast<double>(aPeak) / 1024.0);
            floorPeak.push_back(static_cast<double>(fPeak) / 1024.0);
        }
        state.SetIterationTime(median(app));
    }
    state.counters["rounds"] = static_cast<double>(app.size());
    state.counters["app_s_median"] = median(app);
    state.counters["app_s_min"] = least(app);
    state.counters["floor_s_median"] = median(floor);
    state.counters["floor_s_min"] = least(floor);
    state.counters["app_to_floor_median"] = median(app) / median(floor);
    state.counters["app_to_floor_min"] = least(app) / least(floor);
    state.counters["app_less_pause_to_floor_median"] = (median(app) - kDesignedPause) / median(floor);
    state.counters["app_peak_MB_median"] = median(appPeak);
    state.counters["app_peak_MB_min"] = least(appPeak);
    state.counters["floor_peak_MB_median"] = median(floorPeak);
    state.counters["floor_rows"] = static_cast<double>(rows);
    state.SetLabel("load before " + loadBefore + ", after " + loadAverage());
}

}  // namespace

BENCHMARK(FullSyncBesideTheFloor)
    ->Arg(2000)
    ->Arg(20000)
    ->Arg(100000)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
