#pragma once

// A company server on 127.0.0.1 that speaks the sales protocol: message posts
// to /<path>/<head>[;<session>]? carrying {"root":{"parameters":{...}}}, each
// answered with {"content":...,"results":[{"status","message","detail"}]} from
// fixtures a test can change; and file downloads under
// /<image path>/images/<client>/<folder>/<name>, with ranges (206) and gzip.
// A test can make a command answer another status, stall, drop the connection,
// answer a non-JSON body or an HTTP error, and read back every request it got.
// The same class backs the standalone server for manual runs.

#include "Platform/Foundation/Value.h"

#include <atomic>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace httplib {
class Server;
struct Request;
struct Response;
}  // namespace httplib

class FakeCompanyServer {
public:
    // Commands by their method name; the table synchronisations by "syncData:" and
    // their sync type; both uploads (head "SyncClient;") share "upload".
    static constexpr const char* kLogin = "login";
    static constexpr const char* kConfig = "loadConfigurationData";
    static constexpr const char* kRuntimeConfig = "getRunTimeConfig";
    static constexpr const char* kDeviceStatus = "checkDeviceStatus";
    static constexpr const char* kVersion = "checkAppVersion";
    static constexpr const char* kUserInfo = "getuserinfo";
    static constexpr const char* kOrderHistory = "getorderhistory";
    static constexpr const char* kSyncProduct = "syncData:product";
    static constexpr const char* kSyncIcon = "syncData:icon";
    static constexpr const char* kSyncFile = "syncData:file";
    static constexpr const char* kSyncCustomer = "syncData:customer";
    static constexpr const char* kSyncFinished = "syncDataFinished";
    static constexpr const char* kFileFinished = "syncFileFinished";
    static constexpr const char* kUpload = "upload";
    // A multipart form posted to /CorvelleSaas; its fields by name in `parameters`.
    static constexpr const char* kFormUpload = "formUpload";

    enum class Fault {
        None,
        Stall,  // wait `stallSeconds` (or until stopped) before answering
        Drop,  // close the connection without an answer
        NotJson,  // answer 200 with a body that is not JSON
        HttpError,  // answer HTTP 500 with a JSON body
        CutBody,  // announce the whole answer, send its first half, close
    };

    // One request as the server saw it.
    struct Received {
        std::string path;
        std::string head;  // the head without its session id, as "SyncServer;" or "Vendor"
        std::optional<std::string> sessionId;
        std::string command;  // the command key above, or "file"
        Value parameters;  // the envelope's parameters (null for files)
        std::string body;
        std::string contentType;
        std::string range;
    };

    struct Account {
        std::string password;  // in clear; the client sends its MD5
        std::string status = "200";
    };

    FakeCompanyServer();
    ~FakeCompanyServer();
    FakeCompanyServer(const FakeCompanyServer&) = delete;
    FakeCompanyServer& operator=(const FakeCompanyServer&) = delete;

    // Binds 127.0.0.1 (port 0: a free one) and serves on its own thread.
    // False when the port is taken or the TLS files below cannot be used.
    bool start(int port = 0);
    void stop();
    int port() const { return m_port; }

    // With both set before `start`, the server speaks HTTPS only, presenting
    // this certificate (PEM, the chain after it) and key (PEM).
    std::string tlsCertificateFile;
    std::string tlsKeyFile;
    // "https" with the files above, else "http".
    std::string scheme() const { return tlsCertificateFile.empty() ? "http" : "https"; }

    // Requests a kept connection carries before the server closes it, as its
    // "Keep-Alive" header says; set before `start`. The client reuses a
    // connection only when this is above 5; a web server's usual is 100.
    size_t keptConnectionRequests = 5;

    // The message path and the file path, as the server settings "Path" and "ImagePath" name them.
    std::string messagePath = "CorvelleSaas";
    std::string imagePath = "corvelle_saas";

    // Fixtures. All setters may be called while the server runs. A table
    // synchronisation that asks for changes only ("isFull" "false") is
    // answered from the content of its command followed by kChanges, which
    // by default holds no changed rows (the tag and related-file tables, which
    // the client replaces whole, come in full).
    static constexpr const char* kChanges = ":changes";
    void setAccount(const std::string& clientId, const std::string& accountId, Account account);
    void setContent(const std::string& command, Value content);
    Value content(const std::string& command) const;
    // A finish report's settings may also be made for one table type alone,
    // as "syncDataFinished:file"; they come before those of the command.
    // Answer this command with a status (and its content) instead of the fixture's.
    void setStatus(const std::string& command, std::optional<std::string> status);
    void setFault(const std::string& command, Fault fault, double stallSeconds = 30);
    // The fault for the next `times` requests of this command only, then none.
    void setFaultFor(const std::string& command, Fault fault, int times, double stallSeconds = 30);
    // Answer this command with exactly these bytes (HTTP 200), whatever they are.
    void setRawReply(const std::string& command, std::optional<std::string> body);
    // Session commands with a session id the server did not issue answer this status ("101").
    void setRequireSession(bool on);
    // A copy under the lock: the server thread issues sessions while tests read.
    std::string lastSessionId() const
    {
        std::lock_guard guard(m_mutex);
        return m_lastSessionId;
    }

    // Files, by client and server folder ("product", "library/pdf", ...), or the
    // skin archive with folder "".
    void addFile(const std::string& clientId, const std::string& folder, const std::string& name, std::string bytes);
    void setFileFault(const std::string& name, Fault fault, double stallSeconds = 30);
    // Answer a download of this file with this HTTP status and a short body.
    void setFileStatus(const std::string& name, std::optional<int> status);
    void setGzipFiles(bool on);
    // Send whole files chunked, without a "Content-Length".
    void setChunkedFiles(bool on);
    void setGzipReplies(bool on);

    // Takes a company written by the sample-company generator: its reply
    // contents (content/<command>.json, "@" for ":"), its accounts
    // (accounts.json) and its files (files/<client>/<folder>/<name>).
    bool loadCompany(const std::string& folder);

    // Orders taken by uploads, by order number, with the id the server gave
    // each. An order number is the upload's key: an order sent again is
    // stored once and answered with the id it was first given.
    std::map<std::string, int> takenOrders() const;

    std::vector<Received> received() const;
    std::vector<Received> receivedFor(const std::string& command) const;
    // The requests from the `first`-th on: a watcher of a long run reads only what is new.
    std::vector<Received> receivedFrom(size_t first) const;
    void clearReceived();
    // Waits (real time, bounded) until `count` requests have been answered or dropped.
    bool waitForRequests(size_t count, double seconds) const;
    // Requests held by a stall whose client still waits for the answer: a
    // test on the manual clock may move time past the client's time-out once
    // every request the client has out is one of these.
    int heldRequests() const { return m_heldRequests.load(); }

    // The reply envelope around a content and a status.
    static std::string replyText(const Value& content, const std::string& status, const std::string& message = "");

private:
    struct FaultSetting {
        Fault fault = Fault::None;
        double stallSeconds = 0;
        int times = -1;  // requests it still applies to; -1 for all
    };

    // What a test set for one command.
    struct CommandSettings {
        FaultSetting fault;
        std::optional<std::string> forcedStatus;
        Value content;
        std::optional<std::string> raw;
        bool gzip = false;
    };

    void handleMessage(const httplib::Request& request, httplib::Response& response);
    void handleFormUpload(const httplib::Request& request, httplib::Response& response);
    // Stores the orders an upload carries; their entries for the reply's "orders".
    Value takeOrders(const Value& parameters);
    CommandSettings settingsFor(const std::string& command, const std::string& narrower = {});
    void answer(const CommandSettings& settings, std::string status, const httplib::Request& request,
        httplib::Response& response);
    void handleFile(const httplib::Request& request, httplib::Response& response);
    void record(Received received);
    bool stall(double seconds, int clientPort);
    bool applyFault(const FaultSetting& fault, const httplib::Request& request, httplib::Response& response);
    void installDefaults();

    std::unique_ptr<httplib::Server> m_server;
    std::thread m_thread;
    int m_port = 0;

    mutable std::mutex m_mutex;
    mutable std::condition_variable m_changed;
    std::atomic<bool> m_stopping { false };
    std::atomic<int> m_heldRequests { 0 };
    std::map<std::string, Account> m_accounts;  // "client/account" in lower case
    std::map<std::string, Value> m_contents;
    std::map<std::string, std::string> m_statuses;
    std::map<std::string, FaultSetting> m_faults;
    std::map<std::string, std::string> m_rawReplies;
    std::map<std::string, std::string> m_files;  // "client/folder/name"
    std::map<std::string, FaultSetting> m_fileFaults;
    std::map<std::string, int> m_fileStatuses;
    std::vector<std::string> m_sessions;
    std::string m_lastSessionId;
    bool m_requireSession = false;
    bool m_gzipFiles = false;
    bool m_chunkedFiles = false;
    bool m_gzipReplies = false;
    int m_sessionCounter = 0;
    std::vector<Received> m_received;
    std::map<std::string, int> m_takenOrders;
    int m_lastOrderId = 8000;
};
