#include "FakeCompanyServer.h"

#include "Network/Protocol/QDJsonParser.h"
#include "Network/Protocol/QDJsonWriter.h"
#include "Platform/Foundation/Hashing.h"

// The gzip coder of the HTTP library is compiled in only on request.
#ifndef CPPHTTPLIB_ZLIB_SUPPORT
#define CPPHTTPLIB_ZLIB_SUPPORT 1
#endif
#include <httplib.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

namespace {

std::string lowercase(std::string text)
{
    for (char& ch : text) {
        if (ch >= 'A' && ch <= 'Z')
            ch = static_cast<char>(ch - 'A' + 'a');
    }
    return text;
}

// The accepted connection from this client port: the HTTP library does not
// hand it to the handlers, so it is looked up among the process's descriptors.
// -1 when it is not found.
int connectionFrom(int serverPort, int clientPort)
{
    for (int fd = 3; fd < 4096; ++fd) {
        sockaddr_in local {};
        sockaddr_in peer {};
        socklen_t localSize = sizeof local;
        socklen_t peerSize = sizeof peer;
        if (::getsockname(fd, reinterpret_cast<sockaddr*>(&local), &localSize) != 0 || local.sin_family != AF_INET
            || ntohs(local.sin_port) != serverPort)
            continue;
        if (::getpeername(fd, reinterpret_cast<sockaddr*>(&peer), &peerSize) == 0 && ntohs(peer.sin_port) == clientPort)
            return fd;
    }
    return -1;
}

// Whether the client has closed its end: a read that would not wait finds the end of the stream.
bool clientHungUp(int fd)
{
    char byte;
    ssize_t n = ::recv(fd, &byte, 1, MSG_PEEK | MSG_DONTWAIT);
    return n == 0 || (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR);
}

std::string gzip(const std::string& bytes)
{
    std::string out;
    httplib::detail::gzip_compressor compressor;
    compressor.compress(bytes.data(), bytes.size(), true, [&](const char* data, size_t size) {
        out.append(data, size);
        return true;
    });
    return out;
}

// Heads that carry the session id after their ';'.
bool carriesSession(const std::string& head) { return !head.empty() && head.back() == ';'; }

Value object(std::initializer_list<std::pair<std::string, Value>> items) { return Value::dictionary(items); }

}  // namespace

FakeCompanyServer::FakeCompanyServer() { installDefaults(); }

FakeCompanyServer::~FakeCompanyServer() { stop(); }

std::string FakeCompanyServer::replyText(const Value& content, const std::string& status, const std::string& message)
{
    Value reply = object({ { "content", content },
        { "results", Value::array({ object({ { "detail", "" }, { "message", message }, { "status", status } }) }) } });
    return QDJsonWriter().stringWithObject(reply).value_or("");
}

void FakeCompanyServer::installDefaults()
{
    m_contents[kLogin] = object({ { "sessionId", "" }, { "dataUpdated", "0" }, { "skinUpdated", "0" },
        { "syncAll", "0" }, { "email", "sales@example.test" }, { "company_name", "Corvelle Test Company" },
        { "link", "http://example.test" }, { "user_access", "1" },
        { "vendor",
            object({ { "account", "" }, { "clientId", "" }, { "device_id", "" }, { "device_token", "" },
                { "discount", "0" }, { "is_locked", "0" }, { "password", "" }, { "phone", "555-0100" },
                { "username", "" }, { "vendor_group_id", "1" }, { "vendor_id", "7" },
                { "vendor_state_id", "2" } }) } });
    m_contents[kConfig]
        = object({ { "configuration",
                       object({ { "home", "1" }, { "category", "1" }, { "customer", "1" }, { "inventory", "1" },
                           { "library", "1" }, { "order", "1" }, { "sync", "1" } }) },
            { "appConfiguration", object({ { "dateformat", "MM/dd/yy" }, { "modifyprice", "1" } }) },
            { "settings", object({ { "view_type", "normal" }, { "order_method", "1" } }) } });
    m_contents[kRuntimeConfig]
        = object({ { "appConfiguration", object({ { "dateformat", "MM/dd/yy" }, { "modifyprice", "1" } }) } });
    m_contents[kDeviceStatus] = Value("");
    m_contents[kVersion] = object({ { "update_status", "0" }, { "latest_version", "1.0" }, { "app_url", "" },
        { "messages", object({ { "en", "A new version is available." }, { "zh", "有新版本。" } }) } });
    m_contents[kUserInfo] = object({ { "email", "sales@example.test" }, { "company_name", "Corvelle Test Company" },
        { "link", "http://example.test" }, { "user_access", "1" } });
    m_contents[kOrderHistory] = object({ { "orders", Value::array() }, { "items", Value::array() } });
    m_contents[kSyncProduct] = Value::array(
        { Value::array({ object({ { "productID", "1" }, { "productName", "Oak chair" }, { "productSKU", "CH-1" },
                             { "productStock", "12" }, { "publish", "1" },
                             { "productParentList", Value::array({ Value(10) }) }, { "priceID", "1" },
                             { "price", "120.5" }, { "currency", "USD" },
                             { "images",
                                 Value::array({ object({ { "imageID", "1" }, { "keyID", "1" }, { "keyType", "product" },
                                     { "thumbAddress", "chair_t.png" }, { "fullAddress", "chair.png" },
                                     { "isDefault", "1" }, { "imagePublish", "1" } }) }) } }),
              object({ { "productID", "2" }, { "productName", "Pine table" }, { "productSKU", "TB-2" },
                  { "productStock", "3" }, { "publish", "1" }, { "productParentList", Value::array({ Value("10") }) },
                  { "priceID", "2" }, { "price", "340" }, { "currency", "USD" } }) }),
            Value::array({ object({ { "categoryID", "10" }, { "categoryName", "Furniture" }, { "categoryPublish", "1" },
                { "categoryParentID", "0" } }) }),
            Value::array(), Value::array(), Value::array({ object({ { "id", "1" }, { "tagName", "New" } }) }),
            Value::array({ object({ { "tagId", "1" }, { "productId", "1" } }) }) });
    m_contents[kSyncIcon] = Value::array({ object({ { "iconID", "1" }, { "iconTitle", "Logo" },
        { "iconName", "logo.png" }, { "iconWidth", "40" }, { "iconHeight", "40" }, { "iconPublish", "1" } }) });
    m_contents[kSyncFile]
        = Value::array({ Value::array({ object({ { "id", "5" }, { "title", "Catalogue 2014" },
                             { "fileName", "catalogue.pdf" }, { "category", "1" }, { "type", "PDF" },
                             { "date", "2014-05-01 08:30:00" }, { "description", "The catalogue" }, { "ordering", "1" },
                             { "publish", "1" }, { "coverImage", "catalogue.png" }, { "info", "PDF/1.2 M" } }) }),
            Value::array({ object({ { "cateID", "1" }, { "cateName", "Brochures" }, { "cateOrdering", "1" },
                { "catePublished", "1" }, { "parentId", "0" } }) }),
            object({ { "keyIDS", "" } }) });
    m_contents[kSyncCustomer] = Value::array({ Value::array(
                                                   { object({ { "customerId", "100" }, { "customerName", "Anna Berg" },
                                                       { "customerPublish", "1" }, { "customerDiscount", "5" } }) }),
        Value::array(),
        Value::array(
            { object({ { "id", "1" }, { "customer_id", "100" }, { "address", "1 Main St" }, { "city", "Oslo" } }) }),
        Value::array({ object(
            { { "customerId", "100" }, { "contactId", "1" }, { "firstName", "Anna" }, { "lastName", "Berg" } }) }) });
    const Value& product = m_contents[kSyncProduct];
    m_contents[std::string(kSyncProduct) + kChanges] = Value::array(
        { Value::array(), Value::array(), Value::array(), product[size_t(3)], product[size_t(4)], product[size_t(5)] });
    m_contents[std::string(kSyncFile) + kChanges]
        = Value::array({ Value::array(), Value::array(), object({ { "keyIDS", "" } }) });
    m_contents[std::string(kSyncCustomer) + kChanges]
        = Value::array({ Value::array(), Value::array(), Value::array(), Value::array() });
    m_contents[kFormUpload] = Value("");
    m_contents[kSyncFinished] = Value("");
    m_contents[kFileFinished] = Value("");
    m_contents[kUpload] = object({ { "orders", Value::array() }, { "corvelle_customer", Value::array() },
        { "corvelle_customer_address", Value::array() }, { "corvelle_customer_attribute", Value::array() },
        { "corvelle_customer_contact", Value::array() } });
}

bool FakeCompanyServer::start(int port)
{
    if (m_server)
        return true;
    m_stopping = false;
    if (tlsCertificateFile.empty()) {
        m_server = std::make_unique<httplib::Server>();
    } else {
        auto tls = std::make_unique<httplib::SSLServer>(tlsCertificateFile.c_str(), tlsKeyFile.c_str());
        if (!tls->is_valid())
            return false;
        m_server = std::move(tls);
    }
    m_server->set_keep_alive_max_count(keptConnectionRequests);
    // Answers go out at once: a head and a body written apart would otherwise
    // wait on the client's delayed acknowledgement on every reused connection.
    m_server->set_tcp_nodelay(true);
    auto messages = [this](const httplib::Request& q, httplib::Response& r) { handleMessage(q, r); };
    auto files = [this](const httplib::Request& q, httplib::Response& r) { handleFile(q, r); };
    std::string filePattern = (imagePath.empty() ? std::string() : "/" + imagePath) + "/images/(.+)";
    m_server->Post(filePattern, files);
    m_server->Get(filePattern, files);
    m_server->Post("/" + messagePath + "/(.*)", messages);
    // Form uploads go to a fixed path whatever the message path.
    m_server->Post(
        "/CorvelleSaas", [this](const httplib::Request& q, httplib::Response& r) { handleFormUpload(q, r); });
    if (port == 0)
        m_port = m_server->bind_to_any_port("127.0.0.1");
    else
        m_port = m_server->bind_to_port("127.0.0.1", port) ? port : -1;
    if (m_port <= 0) {
        m_server.reset();
        return false;
    }
    m_thread = std::thread([this] { m_server->listen_after_bind(); });
    for (int i = 0; i < 500 && !m_server->is_running(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    return true;
}

void FakeCompanyServer::stop()
{
    if (!m_server)
        return;
    m_stopping = true;
    m_changed.notify_all();
    m_server->stop();
    if (m_thread.joinable())
        m_thread.join();
    m_server.reset();
}

bool FakeCompanyServer::loadCompany(const std::string& folder)
{
    namespace fs = std::filesystem;
    auto read = [](const fs::path& path) {
        std::ifstream in(path, std::ios::binary);
        std::stringstream bytes;
        bytes << in.rdbuf();
        return bytes.str();
    };
    std::error_code error;
    if (!fs::is_directory(fs::path(folder) / "content", error))
        return false;
    QDJsonParser parser;
    for (const auto& entry : fs::directory_iterator(fs::path(folder) / "content", error)) {
        std::string command = entry.path().stem().string();
        std::replace(command.begin(), command.end(), '@', ':');
        auto content = parser.objectWithString(read(entry.path()));
        if (!content)
            return false;
        setContent(command, *content);
    }
    if (auto accounts = parser.objectWithString(read(fs::path(folder) / "accounts.json"));
        accounts && accounts->isDictionary()) {
        for (const auto& [name, password] : accounts->dictionaryValue()) {
            const std::string key = name.str();
            auto slash = key.find('/');
            if (slash != std::string::npos)
                setAccount(key.substr(0, slash), key.substr(slash + 1), { password.stringValue() });
        }
    }
    fs::path files = fs::path(folder) / "files";
    for (auto it = fs::recursive_directory_iterator(files, error); !error && it != fs::recursive_directory_iterator();
         it.increment(error)) {
        if (!it->is_regular_file())
            continue;
        fs::path relative = fs::relative(it->path(), files);
        std::string client = relative.begin()->string();
        std::string serverFolder = relative.parent_path().lexically_relative(client).string();
        if (serverFolder == ".")
            serverFolder.clear();
        addFile(client, serverFolder, relative.filename().string(), read(it->path()));
    }
    return true;
}

void FakeCompanyServer::setAccount(const std::string& clientId, const std::string& accountId, Account account)
{
    std::lock_guard guard(m_mutex);
    m_accounts[lowercase(clientId) + "/" + lowercase(accountId)] = std::move(account);
}

void FakeCompanyServer::setContent(const std::string& command, Value content)
{
    std::lock_guard guard(m_mutex);
    m_contents[command] = std::move(content);
}

Value FakeCompanyServer::content(const std::string& command) const
{
    std::lock_guard guard(m_mutex);
    auto it = m_contents.find(command);
    return it == m_contents.end() ? Value() : it->second;
}

void FakeCompanyServer::setStatus(const std::string& command, std::optional<std::string> status)
{
    std::lock_guard guard(m_mutex);
    if (status)
        m_statuses[command] = *status;
    else
        m_statuses.erase(command);
}

void FakeCompanyServer::setFault(const std::string& command, Fault fault, double stallSeconds)
{
    std::lock_guard guard(m_mutex);
    m_faults[command] = { fault, stallSeconds };
}

void FakeCompanyServer::setFaultFor(const std::string& command, Fault fault, int times, double stallSeconds)
{
    std::lock_guard guard(m_mutex);
    m_faults[command] = { fault, stallSeconds, times };
}

std::map<std::string, int> FakeCompanyServer::takenOrders() const
{
    std::lock_guard guard(m_mutex);
    return m_takenOrders;
}

Value FakeCompanyServer::takeOrders(const Value& parameters)
{
    Value entries = Value::array();
    QDJsonParser parser;
    auto data = parser.objectWithString(parameters["syncData"].stringValue());
    if (!data || !(*data)["order"].isArray())
        return entries;
    std::lock_guard guard(m_mutex);
    for (const Value& order : (*data)["order"].arrayValue()) {
        const Value& number = order["order_number"];
        if (!number.isString() || number.stringValue().empty())
            continue;
        auto [it, fresh] = m_takenOrders.try_emplace(number.stringValue(), 0);
        if (fresh)
            it->second = ++m_lastOrderId;
        entries.append(object({ { "id", number }, { "generateId", Value(it->second) } }));
    }
    return entries;
}

void FakeCompanyServer::setRawReply(const std::string& command, std::optional<std::string> body)
{
    std::lock_guard guard(m_mutex);
    if (body)
        m_rawReplies[command] = std::move(*body);
    else
        m_rawReplies.erase(command);
}

void FakeCompanyServer::setRequireSession(bool on)
{
    std::lock_guard guard(m_mutex);
    m_requireSession = on;
}

void FakeCompanyServer::addFile(
    const std::string& clientId, const std::string& folder, const std::string& name, std::string bytes)
{
    std::lock_guard guard(m_mutex);
    m_files[clientId + "/" + (folder.empty() ? name : folder + "/" + name)] = std::move(bytes);
}

void FakeCompanyServer::setFileFault(const std::string& name, Fault fault, double stallSeconds)
{
    std::lock_guard guard(m_mutex);
    m_fileFaults[name] = { fault, stallSeconds };
}

void FakeCompanyServer::setFileStatus(const std::string& name, std::optional<int> status)
{
    std::lock_guard guard(m_mutex);
    if (status)
        m_fileStatuses[name] = *status;
    else
        m_fileStatuses.erase(name);
}

void FakeCompanyServer::setGzipFiles(bool on)
{
    std::lock_guard guard(m_mutex);
    m_gzipFiles = on;
}

void FakeCompanyServer::setChunkedFiles(bool on)
{
    std::lock_guard guard(m_mutex);
    m_chunkedFiles = on;
}

void FakeCompanyServer::setGzipReplies(bool on)
{
    std::lock_guard guard(m_mutex);
    m_gzipReplies = on;
}

std::vector<FakeCompanyServer::Received> FakeCompanyServer::received() const
{
    std::lock_guard guard(m_mutex);
    return m_received;
}

std::vector<FakeCompanyServer::Received> FakeCompanyServer::receivedFor(const std::string& command) const
{
    std::lock_guard guard(m_mutex);
    std::vector<Received> out;
    for (const auto& r : m_received) {
        if (r.command == command)
            out.push_back(r);
    }
    return out;
}

std::vector<FakeCompanyServer::Received> FakeCompanyServer::receivedFrom(size_t first) const
{
    std::lock_guard guard(m_mutex);
    if (first >= m_received.size())
        return {};
    return std::vector<Received>(m_received.begin() + static_cast<std::ptrdiff_t>(first), m_received.end());
}

void FakeCompanyServer::clearReceived()
{
    std::lock_guard guard(m_mutex);
    m_received.clear();
}

bool FakeCompanyServer::waitForRequests(size_t count, double seconds) const
{
    std::unique_lock lock(m_mutex);
    return m_changed.wait_for(lock, std::chrono::duration<double>(seconds), [&] { return m_received.size() >= count; });
}

void FakeCompanyServer::record(Received received)
{
    {
        std::lock_guard guard(m_mutex);
        m_received.push_back(std::move(received));
    }
    m_changed.notify_all();
}

bool FakeCompanyServer::stall(double seconds, int clientPort)
{
    // The stall lasts its time whatever the client does; it counts as held
    // only while the client still waits for it.
    const int fd = connectionFrom(m_port, clientPort);
    bool held = true;
    ++m_heldRequests;
    const auto until = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    std::unique_lock lock(m_mutex);
    while (!m_stopping && std::chrono::steady_clock::now() < until) {
        if (held && fd >= 0 && clientHungUp(fd)) {
            held = false;
            --m_heldRequests;
        }
        m_changed.wait_for(lock, std::chrono::milliseconds(held ? 2 : 50));
    }
    if (held)
        --m_heldRequests;
    return !m_stopping;
}

// True when the fault has answered (or dropped) the request itself.
bool FakeCompanyServer::applyFault(
    const FaultSetting& fault, const httplib::Request& request, httplib::Response& response)
{
    switch (fault.fault) {
    case Fault::None:
    case Fault::HttpError:
    case Fault::CutBody:
        return false;
    case Fault::Stall:
        stall(fault.stallSeconds, request.remote_port);
        return false;
    case Fault::Drop:
        response.set_content_provider(64, "text/plain", [](size_t, size_t, httplib::DataSink&) { return false; });
        return true;
    case Fault::NotJson:
        response.status = 200;
        response.set_content("<html><body>Service unavailable</body></html>", "text/html");
        return true;
    }
    return false;
}

void FakeCompanyServer::handleMessage(const httplib::Request& request, httplib::Response& response)
{
    Received r;
    r.path = request.path;
    r.body = request.body;
    r.contentType = request.get_header_value("Content-Type");
    std::string segment = request.matches.size() > 1 ? std::string(request.matches[1]) : std::string();
    auto semicolon = segment.find(';');
    if (semicolon != std::string::npos) {
        r.head = segment.substr(0, semicolon + 1);
        r.sessionId = segment.substr(semicolon + 1);
    } else {
        r.head = segment;
    }
    QDJsonParser parser;
    auto envelope = parser.objectWithString(request.body);
    r.parameters = envelope ? (*envelope)["root"]["parameters"] : Value();
    std::string method = r.parameters["methodName"].stringValue();
    if (method == "syncData")
        r.command = r.head.rfind("SyncClient", 0) == 0 ? kUpload : "syncData:" + r.parameters["syncType"].stringValue();
    else
        r.command = method;

    CommandSettings settings = method == kSyncFinished
        ? settingsFor(r.command, r.command + ":" + r.parameters["tableType"].stringValue())
        : settingsFor(r.command);
    if (method == "syncData" && r.parameters["isFull"].stringValue() == "false") {
        std::lock_guard guard(m_mutex);
        if (auto it = m_contents.find(r.command + kChanges); it != m_contents.end())
            settings.content = it->second;
    }
    Value& content = settings.content;
    bool requireSession;
    {
        std::lock_guard guard(m_mutex);
        requireSession = m_requireSession;
    }

    std::string status = "200";
    if (!envelope || method.empty()) {
        status = "115";
        content = Value("");
    } else if (r.command == kLogin) {
        std::string client = r.parameters["clientId"].stringValue();
        std::string account = r.parameters["accountId"].stringValue();
        std::lock_guard guard(m_mutex);
        if (!m_accounts.empty()) {
            auto it = m_accounts.find(lowercase(client) + "/" + lowercase(account));
            if (it == m_accounts.end()
                || Hashing::md5HexLower(it->second.password) != r.parameters["password"].stringValue())
                status = "402";
            else
                status = it->second.status;
        }
        if (status == "200") {
            m_lastSessionId = "S" + std::to_string(++m_sessionCounter) + "X" + std::to_string(m_port);
            m_sessions.push_back(m_lastSessionId);
            content.set("sessionId", Value(m_lastSessionId));
            Value vendor = content["vendor"];
            if (vendor.isDictionary()) {
                vendor.set("account", Value(account));
                vendor.set("username", Value(account));
                vendor.set("clientId", Value(client));
                vendor.set("device_id", r.parameters["deviceId"]);
                content.set("vendor", vendor);
            }
        }
    } else if (carriesSession(r.head) && requireSession) {
        std::lock_guard guard(m_mutex);
        bool known = r.sessionId && std::find(m_sessions.begin(), m_sessions.end(), *r.sessionId) != m_sessions.end();
        if (!known)
            status = "101";
    }
    if (r.command == kUpload && status == "200") {
        // Taken before any fault: a dropped or stalled answer loses the
        // reply, not the order.
        Value taken = takeOrders(r.parameters);
        if (!taken.arrayValue().empty() && content.isDictionary()) {
            Value orders = content["orders"].isArray() ? content["orders"] : Value::array();
            for (const Value& entry : taken.arrayValue())
                orders.append(entry);
            content.set("orders", orders);
        }
    }
    answer(settings, status, request, response);
    record(std::move(r));
}

FakeCompanyServer::CommandSettings FakeCompanyServer::settingsFor(
    const std::string& command, const std::string& narrower)
{
    CommandSettings settings;
    std::lock_guard guard(m_mutex);
    // The narrower key first, then the command's.
    auto find = [&](auto& map) {
        auto it = narrower.empty() ? map.end() : map.find(narrower);
        return it != map.end() ? it : map.find(command);
    };
    if (auto it = find(m_faults); it != m_faults.end()) {
        settings.fault = it->second;
        if (it->second.times > 0 && --it->second.times == 0)
            m_faults.erase(it);
    }
    if (auto it = find(m_statuses); it != m_statuses.end())
        settings.forcedStatus = it->second;
    if (auto it = find(m_contents); it != m_contents.end())
        settings.content = it->second;
    if (auto it = find(m_rawReplies); it != m_rawReplies.end())
        settings.raw = it->second;
    settings.gzip = m_gzipReplies;
    return settings;
}

void FakeCompanyServer::answer(
    const CommandSettings& settings, std::string status, const httplib::Request& request, httplib::Response& response)
{
    if (settings.forcedStatus)
        status = *settings.forcedStatus;
    if (applyFault(settings.fault, request, response))
        return;
    if (settings.raw) {
        response.status = 200;
        response.set_content(*settings.raw, "application/octet-stream");
        return;
    }
    std::string text = replyText(settings.content, status, status == "200" ? "Success" : "Refused");
    response.status = settings.fault.fault == Fault::HttpError ? 500 : 200;
    if (settings.fault.fault == Fault::CutBody) {
        // The length of the whole answer is announced; half of it comes.
        auto body = std::make_shared<std::string>(std::move(text));
        response.set_content_provider(
            body->size(), "application/json;charset=UTF-8", [body](size_t offset, size_t, httplib::DataSink& sink) {
                if (offset >= body->size() / 2)
                    return false;
                sink.write(body->data() + offset, body->size() / 2 - offset);
                return true;
            });
        return;
    }
    if (settings.gzip) {
        response.set_header("Content-Encoding", "gzip");
        text = gzip(text);
    }
    response.set_content(text, "application/json;charset=UTF-8");
}

void FakeCompanyServer::handleFormUpload(const httplib::Request& request, httplib::Response& response)
{
    Received r;
    r.path = request.path;
    r.body = request.body;
    r.contentType = request.get_header_value("Content-Type");
    r.command = kFormUpload;
    // The form's fields by name: text values and the bytes of file fields alike.
    r.parameters = Value::dictionary();
    for (const auto& [name, field] : request.files)
        r.parameters.set(name, Value(field.content));
    for (const auto& [name, value] : request.params)
        r.parameters.set(name, Value(value));
    answer(settingsFor(kFormUpload), "200", request, response);
    record(std::move(r));
}

void FakeCompanyServer::handleFile(const httplib::Request& request, httplib::Response& response)
{
    Received r;
    r.path = request.path;
    r.command = "file";
    r.range = request.get_header_value("Range");
    r.contentType = request.get_header_value("Content-Type");
    std::string key = request.matches.size() > 1 ? std::string(request.matches[1]) : std::string();
    std::string name = key.substr(key.rfind('/') == std::string::npos ? 0 : key.rfind('/') + 1);

    FaultSetting fault;
    std::optional<int> forcedStatus;
    std::optional<std::string> bytes;
    bool gzipFile;
    bool chunked;
    {
        std::lock_guard guard(m_mutex);
        if (auto it = m_fileFaults.find(name); it != m_fileFaults.end())
            fault = it->second;
        if (auto it = m_fileStatuses.find(name); it != m_fileStatuses.end())
            forcedStatus = it->second;
        if (auto it = m_files.find(key); it != m_files.end())
            bytes = it->second;
        gzipFile = m_gzipFiles;
        chunked = m_chunkedFiles;
    }
    record(r);
    if (applyFault(fault, request, response))
        return;
    if (forcedStatus) {
        response.status = *forcedStatus;
        response.set_content("status " + std::to_string(*forcedStatus), "text/plain");
        return;
    }
    if (!bytes || fault.fault == Fault::HttpError) {
        response.status = bytes ? 500 : 404;
        response.set_content(bytes ? "server error" : "not found", "text/plain");
        return;
    }
    size_t from = 0;
    if (r.range.rfind("bytes=", 0) == 0) {
        from = static_cast<size_t>(std::strtoull(r.range.c_str() + 6, nullptr, 10));
        if (from >= bytes->size()) {
            response.status = 416;
            response.set_header("Content-Range", "bytes */" + std::to_string(bytes->size()));
            return;
        }
        // The HTTP layer cuts the range and adds its Content-Range.
        response.status = 206;
        response.set_content(*bytes, "application/octet-stream");
        return;
    }
    response.status = 200;
    if (fault.fault == Fault::CutBody) {
        auto body = std::make_shared<std::string>(*bytes);
        response.set_content_provider(
            body->size(), "application/octet-stream", [body](size_t offset, size_t, httplib::DataSink& sink) {
                if (offset >= body->size() / 2)
                    return false;
                sink.write(body->data() + offset, body->size() / 2 - offset);
                return true;
            });
    } else if (chunked) {
        auto body = std::make_shared<std::string>(*bytes);
        response.set_chunked_content_provider(
            "application/octet-stream", [body](size_t offset, httplib::DataSink& sink) {
                if (offset < body->size()) {
                    size_t n = std::min<size_t>(4096, body->size() - offset);
                    sink.write(body->data() + offset, n);
                } else {
                    sink.done();
                }
                return true;
            });
    } else if (gzipFile) {
        response.set_header("Content-Encoding", "gzip");
        response.set_content(gzip(*bytes), "application/octet-stream");
    } else {
        response.set_content(*bytes, "application/octet-stream");
    }
}
