#pragma once

// A helper program a test starts (a mail server, a print server): spawned
// with its standard output on a pipe the test can read lines from, and
// ended on destruction (asked with SIGTERM, made to with SIGKILL when it
// does not go within a few seconds) and reaped, so none outlives its test.

#include <string>
#include <vector>

class ChildProcess {
public:
    // `argv[0]` is a path or a name looked up on PATH.
    explicit ChildProcess(std::vector<std::string> argv);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool started() const { return m_pid > 0; }
    int pid() const { return m_pid; }
    // The next line of output; false when none came within `seconds` or the
    // program ended.
    bool readLine(std::string& line, double seconds);
    void stop();

private:
    int m_pid = -1;
    int m_out = -1;
    std::string m_pending;
};

// Whether a test that needs a service must fail rather than skip when the
// service cannot be started: in CI (CI=true) it must.
bool servicesAreRequired();
