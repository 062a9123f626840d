#include "support/PrintServer.h"

#include <cups/cups.h>
#include <poppler.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

namespace {

const char* const kPdfDriver = "/usr/share/ppd/cupsfilters/Generic-PDF_Printer-PDF.ppd";

int freeLoopbackPort()
{
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0)
        return 0;
    sockaddr_in a {};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof a;
    int port = 0;
    if (bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0
        && getsockname(fd, reinterpret_cast<sockaddr*>(&a), &length) == 0)
        port = ntohs(a.sin_port);
    close(fd);
    return port;
}

bool writeFile(const std::string& path, const std::string& text)
{
    std::ofstream out(path);
    out << text;
    return static_cast<bool>(out);
}

std::string slurp(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

struct HttpCloser {
    void operator()(http_t* h) const { httpClose(h); }
};

}  // namespace

PrintServer::PrintServer()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "corvelle-cups-XXXXXX").string();
    if (!mkdtemp(pattern.data())) {
        m_error = "no temporary folder";
        return;
    }
    m_folder = pattern;
    // The filters run as the scheduler's own user and must reach the spool.
    chmod(m_folder.c_str(), 0755);
    for (const char* sub : { "conf", "spool", "spool/tmp", "cache", "state", "logs", "out" })
        std::filesystem::create_directories(m_folder + "/" + sub);
    chmod((m_folder + "/out").c_str(), 0777);
    int port = freeLoopbackPort();
    if (port <= 0) {
        m_error = "no free loopback port";
        return;
    }
    bool root = geteuid() == 0;
    std::string conf = m_folder + "/conf";
    writeFile(conf + "/cupsd.conf",
        "Listen 127.0.0.1:" + std::to_string(port)
            + "\n"
              "LogLevel info\n"
              "Browsing No\n"
              "WebInterface No\n"
              "DefaultAuthType None\n"
              "<Location />\n  Order allow,deny\n  Allow all\n</Location>\n"
              "<Policy default>\n  <Limit All>\n    Order deny,allow\n  </Limit>\n</Policy>\n");
    writeFile(conf + "/cups-files.conf",
        "ServerRoot " + conf
            + "\n"
              "RequestRoot "
            + m_folder
            + "/spool\n"
              "TempDir "
            + m_folder
            + "/spool/tmp\n"
              "CacheDir "
            + m_folder
            + "/cache\n"
              "StateDir "
            + m_folder
            + "/state\n"
              "AccessLog "
            + m_folder
            + "/logs/access_log\n"
              "ErrorLog "
            + m_folder
            + "/logs/error_log\n"
              "PageLog "
            + m_folder
            + "/logs/page_log\n"
              "FileDevice Yes\n"
            + (root ? "User lp\nGroup lp\nSystemGroup root\n" : ""));
    m_cupsd = std::make_unique<ChildProcess>(
        std::vector<std::string> { "cupsd", "-f", "-c", conf + "/cupsd.conf", "-s", conf + "/cups-files.conf" });
    if (!m_cupsd->started()) {
        m_error = "cupsd could not be started (is cups-daemon installed?)";
        m_cupsd.reset();
        return;
    }
    auto until = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (std::chrono::steady_clock::now() < until) {
        std::unique_ptr<http_t, HttpCloser> http(
            httpConnect2("127.0.0.1", port, nullptr, AF_INET, HTTP_ENCRYPTION_NEVER, 1, 500, nullptr));
        if (http) {
            m_port = port;
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    m_error = "cupsd did not come up on port " + std::to_string(port) + ": " + logTail();
    m_cupsd.reset();
}

PrintServer::~PrintServer()
{
    m_cupsd.reset();
    std::error_code ec;
    if (!m_folder.empty())
        std::filesystem::remove_all(m_folder, ec);
}

std::string PrintServer::logTail() const
{
    std::string log = slurp(m_folder + "/logs/error_log");
    return log.size() > 2000 ? log.substr(log.size() - 2000) : log;
}

bool PrintServer::run(const std::string& command, std::string* output)
{
    ChildProcess child({ "/bin/sh", "-c", command + " 2>&1; echo \"exit=$?\"" });
    std::string line, all;
    bool ok = false;
    while (child.readLine(line, 30)) {
        if (line.rfind("exit=", 0) == 0) {
            ok = line == "exit=0";
            break;
        }
        all += line + "\n";
    }
    child.stop();
    if (output)
        *output = all;
    if (!ok)
        m_error = "\"" + command + "\" failed: " + all;
    return ok;
}

std::string PrintServer::outputPath(const std::string& name) const { return m_folder + "/out/" + name + ".pdf"; }

bool PrintServer::addPrinter(const std::string& name, const std::string& description, Device device, bool makeDefault)
{
    if (!running())
        return false;
    std::string uri = device == Device::File ? "file://" + outputPath(name)
                                             : "file://" + m_folder + "/no-such-folder/" + name + ".pdf";
    std::string host = " -h " + address();
    if (!run(
            "lpadmin" + host + " -p '" + name + "' -E -v '" + uri + "' -P " + kPdfDriver + " -D '" + description + "'"))
        return false;
    return !makeDefault || run("lpadmin" + host + " -d '" + name + "'");
}

Data PrintServer::output(const std::string& name) const
{
    std::string bytes = slurp(outputPath(name));
    return Data(bytes.begin(), bytes.end());
}

bool PrintServer::stopQueue(const std::string& name) { return run("cupsdisable -h " + address() + " '" + name + "'"); }

bool PrintServer::refuseJobs(const std::string& name) { return run("cupsreject -h " + address() + " '" + name + "'"); }

std::vector<PrintServer::Job> PrintServer::jobs() const
{
    std::vector<Job> out;
    std::unique_ptr<http_t, HttpCloser> http(
        httpConnect2("127.0.0.1", m_port, nullptr, AF_INET, HTTP_ENCRYPTION_NEVER, 1, 5000, nullptr));
    if (!http)
        return out;
    ipp_t* request = ippNewRequest(IPP_OP_GET_JOBS);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, "ipp://localhost/");
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "which-jobs", nullptr, "all");
    // The job's owner sees its name; anybody else sees it hidden.
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr, cupsUser());
    static const char* const wanted[] = { "job-id", "job-state", "job-name", "copies", "sides", "page-ranges" };
    ippAddStrings(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", 6, nullptr, wanted);
    ipp_t* answer = cupsDoRequest(http.get(), request, "/");
    if (!answer)
        return out;
    Job current;
    auto flush = [&] {
        if (current.id)
            out.push_back(current);
        current = {};
    };
    for (ipp_attribute_t* a = ippFirstAttribute(answer); a; a = ippNextAttribute(answer)) {
        const char* name = ippGetName(a);
        if (ippGetGroupTag(a) != IPP_TAG_JOB || !name) {
            flush();
            continue;
        }
        std::string key = name;
        if (key == "job-id") {
            current.id = ippGetInteger(a, 0);
        } else if (key == "job-state") {
            current.state = ippEnumString("job-state", ippGetInteger(a, 0));
        } else if (key == "job-name") {
            current.name = ippGetString(a, 0, nullptr);
        } else if (key == "copies") {
            current.copies = ippGetInteger(a, 0);
        } else if (key == "sides") {
            current.sides = ippGetString(a, 0, nullptr);
        } else if (key == "page-ranges") {
            for (int i = 0; i < ippGetCount(a); ++i) {
                int upper = 0;
                int lower = ippGetRange(a, i, &upper);
                current.pageRanges += (i ? "," : "") + std::to_string(lower) + "-" + std::to_string(upper);
            }
        }
    }
    flush();
    ippDelete(answer);
    std::sort(out.begin(), out.end(), [](const Job& x, const Job& y) { return x.id < y.id; });
    return out;
}

namespace {

PopplerDocument* openPdf(const Data& pdf)
{
    GBytes* bytes = g_bytes_new(pdf.data(), pdf.size());
    PopplerDocument* document = poppler_document_new_from_bytes(bytes, nullptr, nullptr);
    g_bytes_unref(bytes);
    return document;
}

}  // namespace

int PrintServer::pageCount(const Data& pdf)
{
    PopplerDocument* document = pdf.empty() ? nullptr : openPdf(pdf);
    if (!document)
        return -1;
    int pages = poppler_document_get_n_pages(document);
    g_object_unref(document);
    return pages;
}

std::string PrintServer::text(const Data& pdf)
{
    PopplerDocument* document = pdf.empty() ? nullptr : openPdf(pdf);
    if (!document)
        return {};
    std::string out;
    for (int i = 0; i < poppler_document_get_n_pages(document); ++i) {
        PopplerPage* page = poppler_document_get_page(document, i);
        if (!page)
            continue;
        if (char* t = poppler_page_get_text(page)) {
            out += t;
            out += "\n";
            g_free(t);
        }
        g_object_unref(page);
    }
    g_object_unref(document);
    return out;
}

ScopedPrintServer::ScopedPrintServer(const std::string& address)
{
    if (const char* v = std::getenv("CUPS_SERVER"))
        m_saved = v;
    setenv("CUPS_SERVER", address.c_str(), 1);
}

std::string ScopedPrintServer::nowhere() { return "127.0.0.1:" + std::to_string(freeLoopbackPort()); }

ScopedPrintServer::~ScopedPrintServer()
{
    if (m_saved)
        setenv("CUPS_SERVER", m_saved->c_str(), 1);
    else
        unsetenv("CUPS_SERVER");
}
