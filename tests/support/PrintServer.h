#pragma once

// A print server of the test's own: cupsd started in the foreground on a
// free loopback port, with its configuration, spool, state and logs in a
// temporary folder, and stopped (the folder removed) at the end. Printers
// are PDF printers (the generic PDF driver Debian's cups-filters ships, so
// jobs go through the same filters as on a desktop) whose device is a file
// in that folder, read back by the test; or one whose file cannot be
// written. Queues can be stopped or made to refuse jobs.
//
// ScopedPrintServer points the process at a server (or at a port where
// nothing listens) through CUPS_SERVER for its lifetime.

#include "Platform/Foundation/Value.h"
#include "support/ChildProcess.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

class PrintServer {
public:
    PrintServer();
    ~PrintServer();
    PrintServer(const PrintServer&) = delete;
    PrintServer& operator=(const PrintServer&) = delete;

    // False (with the reason in error()) when cupsd could not start.
    bool running() const { return m_port > 0; }
    const std::string& error() const { return m_error; }
    std::string address() const { return "127.0.0.1:" + std::to_string(m_port); }

    enum class Device { File, Unwritable };
    // False (with the reason in error()) when the printer could not be added.
    bool addPrinter(const std::string& name, const std::string& description, Device device = Device::File,
        bool makeDefault = false);
    // What the printer's device received from the last job it printed; empty when nothing.
    Data output(const std::string& name) const;
    // Jobs on the queue stay there; a stopped queue takes jobs and holds them.
    bool stopQueue(const std::string& name);
    bool refuseJobs(const std::string& name);

    struct Job {
        int id = 0;
        std::string state;  // "completed", "canceled", "pending", ...
        std::string name;
        int copies = 1;
        std::string sides;
        std::string pageRanges;
    };
    // Every job the server knows, finished or not, oldest first.
    std::vector<Job> jobs() const;

    // What came out, read back with poppler: -1 pages when it is no PDF.
    static int pageCount(const Data& pdf);
    static std::string text(const Data& pdf);

private:
    bool run(const std::string& command, std::string* output = nullptr);
    std::string outputPath(const std::string& name) const;
    std::string logTail() const;

    std::string m_folder;
    std::string m_error;
    int m_port = 0;
    std::unique_ptr<ChildProcess> m_cupsd;
};

class ScopedPrintServer {
public:
    explicit ScopedPrintServer(const std::string& address);
    // A loopback port where no server listens.
    static std::string nowhere();
    ~ScopedPrintServer();
    ScopedPrintServer(const ScopedPrintServer&) = delete;
    ScopedPrintServer& operator=(const ScopedPrintServer&) = delete;

private:
    std::optional<std::string> m_saved;
};
