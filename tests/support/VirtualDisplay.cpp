#include "VirtualDisplay.h"

#include "ChildProcess.h"

#include <cstdlib>
#include <memory>
#include <unistd.h>

bool startVirtualDisplay(std::string& reason)
{
    // The engine's processes read their settings (proxies, fonts) through the
    // system's schemas, which the tests' private desktop folders hide; and
    // there is no accessibility bus to reach here.
    setenv("GSETTINGS_SCHEMA_DIR", "/usr/share/glib-2.0/schemas", 1);
    setenv("NO_AT_BRIDGE", "1", 1);
    // Kept to the end of the process (see the header); the child is ended by its destructor at exit.
    static std::unique_ptr<ChildProcess> server;
    static std::string display;
    if (server && server->started() && !display.empty()) {
        setenv("DISPLAY", display.c_str(), 1);
        return true;
    }
    // -displayfd picks a free display number and writes it to our pipe once the server listens.
    server = std::make_unique<ChildProcess>(std::vector<std::string> {
        "Xvfb", "-displayfd", "1", "-screen", "0", "1280x1024x24", "-nolisten", "tcp", "-noreset" });
    std::string line;
    if (!server->started() || !server->readLine(line, 30) || line.empty()
        || line.find_first_not_of("0123456789") != std::string::npos) {
        reason = server->started() ? "Xvfb did not report its display" : "Xvfb could not be started";
        server.reset();
        return false;
    }
    display = ":" + line;
    setenv("DISPLAY", display.c_str(), 1);
    return true;
}

// The leak check of a program that shows web pages: the engine's threads keep
// data in the thread storage of libraries loaded at run time, whose records
// the checker misreads and crashes on at exit. Such storage is not followed;
// the engine's own objects held only there are named in the suppressions.
// (This file is linked only into the test programs that start the display.)
extern "C" const char* __asan_default_options() { return "intercept_tls_get_addr=0"; }
