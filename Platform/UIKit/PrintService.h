#pragma once

// The desktop's print system, reached over IPP through libcups. The server is
// the one CUPS_SERVER names ("host:port" or a socket path) when it is set,
// else the system's own scheduler. Every call opens its own connection, with
// a short time-out for a server that does not answer, so calls may run on
// any thread.
//
// A job is always a PDF. It ends when the server says it has completed; a
// job the printer stops, aborts or cancels, or one held on a stopped queue,
// has failed, and a failed job still in the queue is cancelled there, so it
// cannot come out later after the person was told it did not.

#include "Platform/Foundation/Value.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

struct PrintDestination {
    std::string name;  // the queue's name
    std::string info;  // its description, empty when it has none
    bool isDefault = false;
    bool twoSided = false;  // can print on both sides
    bool accepting = true;
    // What a person sees in a list of printers.
    const std::string& title() const { return info.empty() ? name : info; }
};

enum class PrintSides { Unset, OneSided, TwoSidedLongEdge, TwoSidedShortEdge };

struct PrintJobRequest {
    // Empty for the one server() names when the job is sent.
    std::string server;
    std::string printer;
    std::string title;
    Data pdf;
    int copies = 1;
    PrintSides sides = PrintSides::Unset;
    // IPP page ranges, "1-3,5"; empty for the whole document.
    std::string pageRanges;
};

class PrintService {
public:
    // The server as the connection names it.
    static std::string server();
    // The destinations the server offers, or nothing (with `problem` told why)
    // when no server answers.
    static std::optional<std::vector<PrintDestination>> destinations(std::string* problem = nullptr);

    // Submits the job and waits, on the calling thread, until it has ended:
    // nothing when it completed, else why it did not. `submitted` hears the
    // job's number once the server has taken the document.
    static std::optional<std::string> printNow(
        const PrintJobRequest& job, const std::function<void(int jobId)>& submitted = {});
    // The same on a worker, for the server named when it is called; the
    // outcome comes back on the main queue.
    static void print(PrintJobRequest job, std::function<void(const std::optional<std::string>& error)> completion);

    // Ranges as a person types them ("2-4, 7"): the normalised IPP text, or
    // nothing when they are not ranges of pages 1 to `pageCount`.
    static std::optional<std::string> parsePageRanges(const std::string& text, size_t pageCount);
};
