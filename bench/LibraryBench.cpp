// The sales library's bulk paths, with their growth and their floors:
//
// - The grid's shown list, built from the database and the download manager
//   with 500 to 5,000 files in one category per ten files, three levels deep:
//   for each of the four sorts in both tabs (as the sort menu does it, grid
//   reload included), a search and its clearing, and the restriction to a
//   category (the walk up the parents for every file). Compare us_per_file
//   across the sizes for the growth.
// - Scrolling the library grid through the whole list one screen at a time,
//   cells filled as the grid asks for them; us_per_screen across the sizes.
// - 200 library files of 256 KB downloaded through the download manager from
//   the fake company server on the loopback (front door, transport and HTTP
//   engine, three transfers at a time), beside the command-line curl fetching
//   the same 200 files three at a time in the same run; manager_to_curl is
//   curl's time over ours (1.0: as fast as curl).

#include "ClockFixture.h"
#include "FakeCompanyServer.h"
#include "RunLoopPump.h"
#include "ServerSettings.h"
#include "TemporaryHome.h"
#include "Classes/Frame/OrderingController.h"
#include "Classes/Frame/PublicFunction.h"
#include "Classes/Library/LibraryDetailController.h"
#include "Classes/Library/SaleslibraryModel.h"
#include "Database/DataAccessManager.h"
#include "Network/Protocol/HttpNetworkCtrl.h"
#include "Network/Protocol/LoginMode.h"
#include "Network/Protocol/NetworkModel.h"
#include "Network/Protocol/RequestDownload.h"
#include "Platform/Foundation/Clock.h"
#include "Platform/Foundation/NSFileManager.h"
#include "Platform/UIKit/UISearchBar.h"
#include "Platform/UIKit/UIWindow.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
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

// A signed-in client whose library holds `files` files in files/10 categories.
struct Library {
    explicit Library(int files)
    {
        auto session = LoginMode::sharedInstance();
        session->setClientID(std::string("BENCH"));
        session->setAcountID(std::string("sales1"));
        session->setLoginType(LoginMode::kLoginTypeOnline);
        auto data = DataAccessManager::sharedDataModel();
        EntityList<corvelle_library_category_Entity> categories;
        const int count = files / 10;
        for (int id = 1; id <= count; ++id) {
            auto c = std::make_shared<corvelle_library_category_Entity>();
            c->categoryID = id;
            c->name = "Category " + std::to_string(id);
            c->published = 1;
            c->ordering = id;
            // 1..9 at the top, 10..99 their children, the rest grandchildren.
            c->parent_id = id <= 9 ? 0 : id / 10;
            categories.push_back(c);
        }
        mustSave(data->saveToDatabaseLibraryCategory(categories), "the library categories");
        EntityList<corvelle_library_files_Entity> list;
        const char* types[] = { "PDF", "VEDIO", "WORD", "EXCEL", "KEYNOTE" };
        for (int id = 1; id <= files; ++id) {
            auto f = std::make_shared<corvelle_library_files_Entity>();
            f->file_id = id;
            f->title = "Document " + std::to_string((id * 7919) % files);
            f->file_name = "doc" + std::to_string(id) + ".pdf";
            f->category = 1 + id % count;
            f->type = types[id % 5];
            f->date = "2026-01-" + std::to_string(10 + id % 18) + " 10:00:00";
            f->info = "PDF/1.5 M";
            f->published = 1;
            f->isNew = id % 7 == 0;
            list.push_back(f);
        }
        mustSave(data->saveToDatabaseLibraryFiles(list), "the library files");
        for (int id = 1; id <= files; id += 3)
            mustSave(data->saveToDatabaseLibraryFavoriteName(id, "doc" + std::to_string(id) + ".pdf"), "a favourite");
        for (int id = 2; id <= files; id += 5) {
            auto u = std::make_shared<corvelle_library_files_update_Entity>();
            u->fileID = id;
            u->oldFileName = "old" + std::to_string(id) + ".pdf";
            u->oldFileType = "PDF";
            mustSave(data->saveToDatabaseLibraryUpdate(u), "a file update");
        }
        // A tenth of the files on the device, as the manager would have found them.
        std::vector<int> present;
        for (int id = 1; id <= files; id += 10)
            present.push_back(id);
        SaleslibraryModel::sharedInstance()->setExistsFiles(present);
    }
    ~Library()
    {
        SaleslibraryModel::freeInstance();
        DataAccessManager::releaseDataModel();
        LoginMode::freeInstance();
    }
};

std::shared_ptr<LibraryDetailController> gridOfTab(int tab, const std::shared_ptr<UIWindow>& window)
{
    auto grid = std::make_shared<LibraryDetailController>();
    grid->setLibraryTab(tab);
    grid->view()->setFrame(CGRectMake(0, 64, 1024, 638));
    window->addSubview(grid->view());
    return grid;
}

void ShownList(benchmark::State& state)
{
    ScopedManualClock clock;
    TemporaryHome home;
    const int files = static_cast<int>(state.range(0));
    Library library(files);
    auto window = std::make_shared<UIWindow>(CGRectMake(0, 0, 1024, 768));
    std::vector<std::shared_ptr<LibraryDetailController>> grids { gridOfTab(0, window), gridOfTab(1, window) };
    size_t passes = 0;
    for (auto _ : state) {
        for (const auto& g : grids) {
            for (unsigned sort = 0; sort < 4; ++sort) {
                g->orderingDidSelectedSelectedIndex(*g->orderController(), sort);
                ++passes;
            }
            g->searchBarTextDidChange(*g->searchBar(), "Document 1");
            g->searchBarTextDidChange(*g->searchBar(), "");
            passes += 2;
            size_t inCategory = 0;
            for (const auto& f : g->catalogDisplayFileArray())
                inCategory += g->fileIsInCategoryCategoryID(*f, 1);
            benchmark::DoNotOptimize(inCategory);
            ++passes;
        }
    }
    state.counters["files"] = files;
    state.counters["us_per_file"]
        = benchmark::Counter(static_cast<double>(passes) * files / static_cast<double>(state.iterations()),
            benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert, benchmark::Counter::kIs1000);
    drainMainRunLoop();
}

void Scrolling(benchmark::State& state)
{
    ScopedManualClock clock;
    TemporaryHome home;
    const int files = static_cast<int>(state.range(0));
    Library library(files);
    auto window = std::make_shared<UIWindow>(CGRectMake(0, 0, 1024, 768));
    auto grid = gridOfTab(0, window);
    auto view = grid->productShowView();
    view->layoutIfNeeded();
    const CGFloat height = view->contentSize().height;
    const CGFloat screen = view->bounds().size.height;
    size_t screens = 0;
    for (auto _ : state) {
        for (CGFloat y = 0; y < height; y += screen) {
            view->setContentOffset(CGPointMake(0, y));
            view->layoutIfNeeded();
            ++screens;
        }
        view->setContentOffset(CGPointMake(0, 0));
        view->layoutIfNeeded();
        drainMainRunLoop();
    }
    state.counters["files"] = files;
    state.counters["screens"] = static_cast<double>(screens) / static_cast<double>(state.iterations());
    state.counters["us_per_screen"]
        = benchmark::Counter(static_cast<double>(screens) / static_cast<double>(state.iterations()),
            benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert, benchmark::Counter::kIs1000);
}

constexpr int kDownloadFiles = 200;
constexpr size_t kDownloadBytes = 256 * 1024;

std::string fileBody(int id)
{
    std::string bytes(kDownloadBytes, '\0');
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<char>((i * 31 + static_cast<size_t>(id)) & 0xff);
    return bytes;
}

class Counting : public NetworkRecDelegate {
public:
    void ReciveHttpRespondInfo(const std::shared_ptr<NetBaseRst>& reply) override
    {
        ++replies;
        good += reply->status == std::optional<std::string>("200");
    }
    int replies = 0;
    int good = 0;
};

double managerDownloads(FakeCompanyServer& server)
{
    auto counting = std::make_shared<Counting>();
    auto manager = SaleslibraryModel::sharedInstance();
    manager->registerCallBackList(counting);
    const double began = Clock::now();
    for (int id = 1; id <= kDownloadFiles; ++id) {
        auto message = std::make_shared<RequestDownload>();
        message->fileId = id;
        message->imgType = 5;
        message->progressType = 1;
        message->fileNameList = { "file" + std::to_string(id) + ".pdf" };
        manager->sendRequest(message);
    }
    pumpMainRunLoopUntil([&] { return counting->replies >= kDownloadFiles; }, 600);
    const double took = Clock::now() - began;
    manager->removeFromCallBackList(counting.get());
    return counting->good == kDownloadFiles ? took : -1;
}

double curlDownloads(FakeCompanyServer& server, const std::string& folder)
{
    std::string command = "curl -s --parallel --parallel-max 3";
    for (int id = 1; id <= kDownloadFiles; ++id) {
        const std::string name = "file" + std::to_string(id) + ".pdf";
        command += " -o '" + folder + "/" + name + "' 'http://127.0.0.1:" + std::to_string(server.port()) + "/"
            + server.imagePath + "/images/BENCH/library/pdf/" + name + "'";
    }
    const double began = Clock::now();
    const int rc = std::system(command.c_str());
    const double took = Clock::now() - began;
    for (int id = 1; id <= kDownloadFiles; ++id) {
        std::error_code error;
        if (std::filesystem::file_size(folder + "/file" + std::to_string(id) + ".pdf", error) != kDownloadBytes)
            return -1;
    }
    return rc == 0 ? took : -1;
}

void DownloadsThroughTheManagerBesideCurl(benchmark::State& state)
{
    FakeCompanyServer server;
    for (int id = 1; id <= kDownloadFiles; ++id)
        server.addFile("BENCH", "library/pdf", "file" + std::to_string(id) + ".pdf", fileBody(id));
    server.start();
    keepMainRunLoopWaiting();
    HttpNetworkCtrl::sharedInstance()->shouldReportChunk = [] { return false; };
    double ours = 0, theirs = 0;
    for (auto _ : state) {
        TemporaryHome home;
        pointImageSettingsAt(server.port(), server.imagePath);
        auto session = LoginMode::sharedInstance();
        session->setClientID(std::string("BENCH"));
        session->setAcountID(std::string("sales1"));
        session->setLoginType(LoginMode::kLoginTypeOnline);
        const double m = managerDownloads(server);
        const double c = curlDownloads(server, home.scratch());
        SaleslibraryModel::freeInstance();
        NetworkModel::sharedInstance()->cancelAllRequests();
        drainMainRunLoop();
        DataAccessManager::releaseDataModel();
        LoginMode::freeInstance();
        if (m < 0 || c < 0) {
            state.SkipWithError("a download failed");
            break;
        }
        ours += m;
        theirs += c;
        state.SetIterationTime(m);
    }
    if (ours > 0 && theirs > 0) {
        const double megabytes = static_cast<double>(kDownloadBytes) * kDownloadFiles / (1024.0 * 1024.0)
            * static_cast<double>(state.iterations());
        state.counters["manager_MB_per_s"] = megabytes / ours;
        state.counters["curl_MB_per_s"] = megabytes / theirs;
        state.counters["manager_to_curl"] = theirs / ours;
    }
    server.stop();
}

}  // namespace

BENCHMARK(ShownList)->Arg(500)->Arg(1000)->Arg(2000)->Arg(5000)->Unit(benchmark::kMillisecond);
BENCHMARK(Scrolling)->Arg(500)->Arg(1000)->Arg(2000)->Arg(5000)->Unit(benchmark::kMillisecond);
BENCHMARK(DownloadsThroughTheManagerBesideCurl)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);
