#include "Platform/UIKit/PrintService.h"

#include "Platform/Foundation/Dispatch.h"

#include <cups/cups.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <thread>

namespace {

// A server that takes longer than this to accept or to answer is taken as absent.
constexpr int kConnectMilliseconds = 3000;
constexpr double kAnswerSeconds = 15;
// How often a job in the queue is looked at, and how long the server may be
// unreachable while it is before the job is given up as lost.
constexpr auto kPollInterval = std::chrono::milliseconds(250);
constexpr int kLostPollsAllowed = 40;

struct HttpCloser {
    void operator()(http_t* h) const { httpClose(h); }
};
using Http = std::unique_ptr<http_t, HttpCloser>;
struct IppDeleter {
    void operator()(ipp_t* i) const { ippDelete(i); }
};
using Ipp = std::unique_ptr<ipp_t, IppDeleter>;

int giveUpOnTimeout(http_t*, void*) { return 0; }

Http connect(const std::string& server, std::string* problem)
{
    std::string host = server;
    int port = ippPort();
    auto version = host.find("/version=");
    if (version != std::string::npos)
        host.resize(version);
    if (!host.empty() && host[0] != '/') {
        // "host:port", "[v6]:port" or a bare host.
        auto colon = host.rfind(':');
        bool bracketed = host[0] == '[';
        if (colon != std::string::npos && colon + 1 < host.size()
            && (bracketed ? host[colon - 1] == ']' : host.find(':') == colon)) {
            port = std::atoi(host.c_str() + colon + 1);
            host.resize(colon);
        }
        if (bracketed && host.size() > 2 && host.back() == ']')
            host = host.substr(1, host.size() - 2);
    }
    if (host.empty() || port <= 0) {
        if (problem)
            *problem = "\"" + server + "\" names no print server";
        return nullptr;
    }
    Http http(httpConnect2(
        host.c_str(), port, nullptr, AF_UNSPEC, HTTP_ENCRYPTION_IF_REQUESTED, 1, kConnectMilliseconds, nullptr));
    if (!http) {
        if (problem)
            *problem = "no print server answers at " + server;
        return nullptr;
    }
    httpSetTimeout(http.get(), kAnswerSeconds, giveUpOnTimeout, nullptr);
    return http;
}

std::string lastError()
{
    const char* text = cupsLastErrorString();
    return text && *text ? text : ippErrorString(cupsLastError());
}

std::string stringOf(ipp_t* ipp, const char* name)
{
    ipp_attribute_t* a = ippFindAttribute(ipp, name, IPP_TAG_ZERO);
    const char* s = a ? ippGetString(a, 0, nullptr) : nullptr;
    return s ? s : "";
}

std::string printerURI(const std::string& printer)
{
    char uri[1024];
    httpAssembleURIf(
        HTTP_URI_CODING_ALL, uri, sizeof uri, "ipp", nullptr, "localhost", 0, "/printers/%s", printer.c_str());
    return uri;
}

struct JobStatus {
    ipp_jstate_t state = IPP_JSTATE_PENDING;
    std::string message;
};

std::optional<JobStatus> jobStatus(http_t* http, int jobId)
{
    ipp_t* request = ippNewRequest(IPP_OP_GET_JOB_ATTRIBUTES);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, "ipp://localhost/");
    ippAddInteger(request, IPP_TAG_OPERATION, IPP_TAG_INTEGER, "job-id", jobId);
    static const char* const wanted[] = { "job-state", "job-printer-state-message" };
    ippAddStrings(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", 2, nullptr, wanted);
    Ipp answer(cupsDoRequest(http, request, "/"));
    if (!answer || ippGetStatusCode(answer.get()) > IPP_STATUS_OK_EVENTS_COMPLETE)
        return std::nullopt;
    ipp_attribute_t* state = ippFindAttribute(answer.get(), "job-state", IPP_TAG_ENUM);
    if (!state)
        return std::nullopt;
    return JobStatus { static_cast<ipp_jstate_t>(ippGetInteger(state, 0)),
        stringOf(answer.get(), "job-printer-state-message") };
}

struct PrinterStatus {
    ipp_pstate_t state = IPP_PSTATE_IDLE;
    std::string message;
};

std::optional<PrinterStatus> printerStatus(http_t* http, const std::string& printer)
{
    ipp_t* request = ippNewRequest(IPP_OP_GET_PRINTER_ATTRIBUTES);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, printerURI(printer).c_str());
    static const char* const wanted[] = { "printer-state", "printer-state-message" };
    ippAddStrings(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", 2, nullptr, wanted);
    Ipp answer(cupsDoRequest(http, request, "/"));
    if (!answer || ippGetStatusCode(answer.get()) > IPP_STATUS_OK_EVENTS_COMPLETE)
        return std::nullopt;
    ipp_attribute_t* state = ippFindAttribute(answer.get(), "printer-state", IPP_TAG_ENUM);
    if (!state)
        return std::nullopt;
    return PrinterStatus { static_cast<ipp_pstate_t>(ippGetInteger(state, 0)),
        stringOf(answer.get(), "printer-state-message") };
}

void cancelJob(http_t* http, int jobId)
{
    ipp_t* request = ippNewRequest(IPP_OP_CANCEL_JOB);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, "ipp://localhost/");
    ippAddInteger(request, IPP_TAG_OPERATION, IPP_TAG_INTEGER, "job-id", jobId);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr, cupsUser());
    Ipp answer(cupsDoRequest(http, request, "/jobs/"));
}

std::string withReason(std::string what, const std::string& reason)
{
    if (!reason.empty())
        what += ": " + reason;
    return what;
}

}  // namespace

std::string PrintService::server()
{
    // Looked up on every call rather than through the library's per-thread
    // memory, so a change of server reaches the next call on any thread.
    if (const char* env = std::getenv("CUPS_SERVER"); env && *env)
        return env;
    return cupsServer();
}

std::optional<std::vector<PrintDestination>> PrintService::destinations(std::string* problem)
{
    std::string where = server();
    Http http = connect(where, problem);
    if (!http)
        return std::nullopt;
    ipp_t* request = ippNewRequest(IPP_OP_CUPS_GET_PRINTERS);
    static const char* const wanted[]
        = { "printer-name", "printer-info", "printer-is-accepting-jobs", "sides-supported" };
    ippAddStrings(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", 4, nullptr, wanted);
    Ipp answer(cupsDoRequest(http.get(), request, "/"));
    std::vector<PrintDestination> out;
    if (!answer || ippGetStatusCode(answer.get()) > IPP_STATUS_OK_EVENTS_COMPLETE) {
        // A server without printers says so with "not found".
        if (cupsLastError() == IPP_STATUS_ERROR_NOT_FOUND)
            return out;
        if (problem)
            *problem = "the print server at " + where + " did not list its printers: " + lastError();
        return std::nullopt;
    }
    PrintDestination current;
    auto flush = [&] {
        if (!current.name.empty())
            out.push_back(current);
        current = {};
    };
    for (ipp_attribute_t* a = ippFirstAttribute(answer.get()); a; a = ippNextAttribute(answer.get())) {
        const char* name = ippGetName(a);
        if (ippGetGroupTag(a) != IPP_TAG_PRINTER || !name) {
            flush();
            continue;
        }
        std::string key = name;
        if (key == "printer-name") {
            current.name = ippGetString(a, 0, nullptr);
        } else if (key == "printer-info") {
            const char* s = ippGetString(a, 0, nullptr);
            current.info = s ? s : "";
        } else if (key == "printer-is-accepting-jobs") {
            current.accepting = ippGetBoolean(a, 0);
        } else if (key == "sides-supported") {
            for (int i = 0; i < ippGetCount(a); ++i) {
                const char* s = ippGetString(a, i, nullptr);
                if (s && std::string(s).rfind("two-sided", 0) == 0)
                    current.twoSided = true;
            }
        }
    }
    flush();
    Ipp fallback(cupsDoRequest(http.get(), ippNewRequest(IPP_OP_CUPS_GET_DEFAULT), "/"));
    std::string defaultName = fallback ? stringOf(fallback.get(), "printer-name") : "";
    for (auto& d : out)
        d.isDefault = d.name == defaultName;
    return out;
}

std::optional<std::string> PrintService::printNow(
    const PrintJobRequest& job, const std::function<void(int jobId)>& submitted)
{
    if (job.pdf.empty())
        return std::string("There is nothing to print");
    std::string where = job.server.empty() ? server() : job.server;
    std::string problem;
    Http http = connect(where, &problem);
    if (!http)
        return "The print server does not answer: " + problem;
    http_t* h = http.get();

    cups_option_t* options = nullptr;
    int count = 0;
    count = cupsAddIntegerOption("copies", std::max(1, job.copies), count, &options);
    switch (job.sides) {
    case PrintSides::Unset:
        break;
    case PrintSides::OneSided:
        count = cupsAddOption("sides", "one-sided", count, &options);
        break;
    case PrintSides::TwoSidedLongEdge:
        count = cupsAddOption("sides", "two-sided-long-edge", count, &options);
        break;
    case PrintSides::TwoSidedShortEdge:
        count = cupsAddOption("sides", "two-sided-short-edge", count, &options);
        break;
    }
    if (!job.pageRanges.empty())
        count = cupsAddOption("page-ranges", job.pageRanges.c_str(), count, &options);
    // One Print-Job request on this connection: the library's job calls look
    // the printer up through its per-thread default server instead.
    std::string resource = "/printers/" + job.printer;
    ipp_t* request = ippNewRequest(IPP_OP_PRINT_JOB);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, printerURI(job.printer).c_str());
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr, cupsUser());
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "job-name", nullptr, job.title.c_str());
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_MIMETYPE, "document-format", nullptr, CUPS_FORMAT_PDF);
    cupsEncodeOptions2(request, count, options, IPP_TAG_OPERATION);
    cupsEncodeOptions2(request, count, options, IPP_TAG_JOB);
    cupsFreeOptions(count, options);
    http_status_t sending = cupsSendRequest(h, request, resource.c_str(), CUPS_LENGTH_VARIABLE);
    constexpr size_t kChunk = 64 * 1024;
    for (size_t at = 0; sending == HTTP_STATUS_CONTINUE && at < job.pdf.size(); at += kChunk) {
        size_t n = std::min(kChunk, job.pdf.size() - at);
        sending = cupsWriteRequestData(h, reinterpret_cast<const char*>(job.pdf.data()) + at, n);
    }
    Ipp answer(sending == HTTP_STATUS_CONTINUE ? cupsGetResponse(h, resource.c_str()) : nullptr);
    ippDelete(request);
    ipp_attribute_t* jobId = answer ? ippFindAttribute(answer.get(), "job-id", IPP_TAG_INTEGER) : nullptr;
    if (!answer || ippGetStatusCode(answer.get()) > IPP_STATUS_OK_EVENTS_COMPLETE || !jobId)
        return withReason("The printer \"" + job.printer + "\" did not take the job", lastError());
    const int id = ippGetInteger(jobId, 0);
    auto giveUp = [&](const std::string& why) -> std::optional<std::string> {
        cancelJob(h, id);
        return why;
    };
    if (submitted)
        submitted(id);

    int lost = 0;
    for (;;) {
        auto status = jobStatus(h, id);
        if (!status) {
            if (++lost > kLostPollsAllowed)
                return "Lost contact with the print server at " + where + " while job " + std::to_string(id)
                    + " was in the queue";
            httpReconnect2(h, kConnectMilliseconds, nullptr);
            std::this_thread::sleep_for(kPollInterval);
            continue;
        }
        lost = 0;
        switch (status->state) {
        case IPP_JSTATE_COMPLETED:
            return std::nullopt;
        case IPP_JSTATE_CANCELED:
            return std::string("The print job was cancelled");
        case IPP_JSTATE_ABORTED:
            return withReason("The printer could not print the job", status->message);
        case IPP_JSTATE_STOPPED:
            return giveUp(withReason("The printer stopped the job", status->message));
        default:
            break;
        }
        // A job waiting on a stopped queue would wait until somebody starts it.
        auto queue = printerStatus(h, job.printer);
        if (queue && queue->state == IPP_PSTATE_STOPPED)
            return giveUp(withReason("The printer \"" + job.printer + "\" is stopped", queue->message));
        std::this_thread::sleep_for(kPollInterval);
    }
}

void PrintService::print(PrintJobRequest job, std::function<void(const std::optional<std::string>& error)> completion)
{
    // The environment is read here, on the caller's thread, not on the worker.
    if (job.server.empty())
        job.server = server();
    dispatch_async(dispatch_get_global_queue(DISPATCH_QUEUE_PRIORITY_DEFAULT, 0),
        [job = std::move(job), completion = std::move(completion)] {
            auto error = printNow(job);
            dispatch_async(dispatch_get_main_queue(), [completion, error] {
                if (completion)
                    completion(error);
            });
        });
}

std::optional<std::string> PrintService::parsePageRanges(const std::string& text, size_t pageCount)
{
    std::string out;
    size_t last = 0;
    size_t at = 0;
    auto skipSpace = [&] {
        while (at < text.size() && (text[at] == ' ' || text[at] == '\t'))
            ++at;
    };
    auto number = [&]() -> std::optional<size_t> {
        skipSpace();
        size_t start = at;
        size_t value = 0;
        while (at < text.size() && text[at] >= '0' && text[at] <= '9' && at - start < 9)
            value = value * 10 + static_cast<size_t>(text[at++] - '0');
        if (at == start || (at < text.size() && text[at] >= '0' && text[at] <= '9'))
            return std::nullopt;
        skipSpace();
        return value;
    };
    skipSpace();
    if (at == text.size())
        return std::string();
    for (;;) {
        auto from = number();
        if (!from)
            return std::nullopt;
        size_t to = *from;
        if (at < text.size() && text[at] == '-') {
            ++at;
            auto end = number();
            if (!end)
                return std::nullopt;
            to = *end;
        }
        // Pages in the document, in order, each printed once.
        if (*from < 1 || to < *from || to > pageCount || *from <= last)
            return std::nullopt;
        out += (out.empty() ? "" : ",") + std::to_string(*from) + "-" + std::to_string(to);
        last = to;
        if (at == text.size())
            return out;
        if (text[at] != ',')
            return std::nullopt;
        ++at;
    }
}
