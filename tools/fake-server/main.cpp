// Runs the fake company server on 127.0.0.1 until interrupted, for trying the
// application by hand: point the server settings "IP"/"ImageIP" at 127.0.0.1
// ("https://127.0.0.1" when it serves over TLS) and "Port"/"ImagePort" at the
// printed port.

#include "FakeCompanyServer.h"

#include "Network/Protocol/QDJsonParser.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>
#include <vector>

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
    std::vector<std::string> args(argv + 1, argv + argc);
    FakeCompanyServer server;
    // --tls CERT KEY first: serve HTTPS only, with that certificate (PEM,
    // its chain after it) and key.
    if (args.size() > 2 && args[0] == "--tls") {
        server.tlsCertificateFile = args[1];
        server.tlsKeyFile = args[2];
        args.erase(args.begin(), args.begin() + 3);
    }
    const std::string address = (server.scheme() == "https" ? "https://" : "") + std::string("127.0.0.1");
    auto start = [&](int port) {
        if (server.start(port))
            return true;
        std::fprintf(stderr, "cannot serve on %s:%d%s\n", address.c_str(), port,
            server.scheme() == "https" ? " (or cannot use the certificate and key)" : "");
        return false;
    };
    // corvelle-fake-server [--tls CERT KEY] --company DIR [port]: serves a generated sample company.
    if (args.size() > 1 && args[0] == "--company") {
        if (!server.loadCompany(args[1])) {
            std::fprintf(stderr, "cannot read the company in %s\n", args[1].c_str());
            return 1;
        }
        int port = args.size() > 2 ? std::atoi(args[2].c_str()) : 48080;
        // As a web server keeps connections, so that file downloads share them.
        server.keptConnectionRequests = 100;
        if (!start(port))
            return 1;
        std::printf(
            "fake company server on %s:%d with the company of %s\n", address.c_str(), server.port(), args[1].c_str());
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
    int port = !args.empty() ? std::atoi(args[0].c_str()) : 48080;
    if (args.size() > 1)
        addFiles(server, args[1]);
    if (!start(port))
        return 1;
    std::printf("fake company server on %s:%d (messages /%s/..., files /%s/images/...)\n", address.c_str(),
        server.port(), server.messagePath.c_str(), server.imagePath.c_str());
    std::fflush(stdout);
    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);
    while (!stopRequested)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    server.stop();
    return 0;
}
