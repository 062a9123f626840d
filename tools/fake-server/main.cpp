// Runs the fake company server on 127.0.0.1 until interrupted, for trying the
// application by hand: point the server settings "IP"/"ImageIP" at 127.0.0.1
// and "Port"/"ImagePort" at the printed port.

#include "FakeCompanyServer.h"

#include "Network/Protocol/QDJsonParser.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

namespace {

volatile std::sig_atomic_t stopRequested = 0;

void onSignal(int) { stopRequested = 1; }

// Serves every file under root/<client>/<folder...>/<name>.
void addFiles(FakeCompanyServer& server, const std::filesystem::path& root)
{
    std::error_code error;
    for (auto it = std::filesystem::recursive_directory_iterator(root, error);
         it != std::filesystem::recursive_directory_iterator(); it.increment(error)) {
        if (error || !it->is_regular_file())
            continue;
        auto relative = std::filesystem::relative(it->path(), root);
        auto first = relative.begin();
        if (first == relative.end())
            continue;
        std::string client = first->string();
        std::string folder = relative.parent_path().lexically_relative(client).string();
        if (folder == ".")
            folder.clear();
        std::ifstream in(it->path(), std::ios::binary);
        std::stringstream bytes;
        bytes << in.rdbuf();
        server.addFile(client, folder, relative.filename().string(), bytes.str());
    }
}

// One line for what an order upload carried: each order's number, customer,
// lines, total and whether it came signed.
std::string describeUpload(const FakeCompanyServer::Received& r)
{
    QDJsonParser parser;
    auto sent = parser.objectWithString(r.parameters["syncData"].stringValue());
    if (!sent || !(*sent)["order"].isArray())
        return "an upload without orders";
    std::string text;
    for (const Value& order : (*sent)["order"].arrayValue()) {
        const Value& items = order["order_item"]["order_items"];
        char line[512];
        std::snprintf(line, sizeof line, "%sorder %s for %s, %zu lines, total %s, %s", text.empty() ? "" : "; ",
            order["order_number"].stringValue().c_str(), order["customer_name"].stringValue().c_str(),
            items.isArray() ? items.arrayValue().size() : size_t(0), order["order_total"].description().c_str(),
            order["signature"].stringValue().empty() ? "unsigned" : "signed");
        text += line;
    }
    return text.empty() ? "an upload without orders" : "an order upload: " + text;
}

// Says on the terminal what the server received since the last call: each
// message by its command, an order upload with its orders, files by count.
void reportReceived(const FakeCompanyServer& server, size_t& reported, size_t& files)
{
    for (const auto& r : server.receivedFrom(reported)) {
        ++reported;
        if (r.command == "file") {
            ++files;
            continue;
        }
        std::printf("fake company server received %s\n",
            r.command == FakeCompanyServer::kUpload ? describeUpload(r).c_str() : r.command.c_str());
    }
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv)
{
    // corvelle-fake-server --company DIR [port]: serves a generated sample company.
    if (argc > 2 && std::string(argv[1]) == "--company") {
        FakeCompanyServer server;
        if (!server.loadCompany(argv[2])) {
            std::fprintf(stderr, "cannot read the company in %s\n", argv[2]);
            return 1;
        }
        int port = argc > 3 ? std::atoi(argv[3]) : 48080;
        // As a web server keeps connections, so that file downloads share them.
        server.keptConnectionRequests = 100;
        if (!server.start(port)) {
            std::fprintf(stderr, "cannot listen on 127.0.0.1:%d\n", port);
            return 1;
        }
        std::printf("fake company server on 127.0.0.1:%d with the company of %s\n", server.port(), argv[2]);
        std::fflush(stdout);
        std::signal(SIGINT, onSignal);
        std::signal(SIGTERM, onSignal);
        size_t reported = 0, files = 0;
        while (!stopRequested) {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            reportReceived(server, reported, files);
        }
        server.stop();
        reportReceived(server, reported, files);
        std::printf("fake company server sent %zu files\n", files);
        std::fflush(stdout);
        return 0;
    }
    int port = argc > 1 ? std::atoi(argv[1]) : 48080;
    FakeCompanyServer server;
    if (argc > 2)
        addFiles(server, argv[2]);
    if (!server.start(port)) {
        std::fprintf(stderr, "cannot listen on 127.0.0.1:%d\n", port);
        return 1;
    }
    std::printf("fake company server on 127.0.0.1:%d (messages /%s/..., files /%s/images/...)\n", server.port(),
        server.messagePath.c_str(), server.imagePath.c_str());
    std::fflush(stdout);
    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);
    while (!stopRequested)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    server.stop();
    return 0;
}
