#pragma once

// The tour's part for the session: point the application at a company server,
// sign in online with its account, synchronise with the progress printed as
// lines on the terminal, then show each main tab the configuration turns on.
// What happens is what the welcome screen and the synchronisation tab set in
// motion; the tour stands in for the person's taps and reads the outcome.

#include "Database/LoginInfo.h"

#include <functional>
#include <memory>
#include <string>

class DemoTour;

class SessionTour {
public:
    // `server` is "host:port" of the company server ("https://host:port" for
    // one that speaks TLS), whose message and file
    // paths are the defaults; the account is "client:user:password".
    static void addSteps(DemoTour& tour, const std::string& server, const std::string& account);
    // Writes the server settings for a server named as ServerInfo reads a
    // server's name, "[https://]host[:port]" (call after launch: a first run
    // resets them to their defaults). A name ServerInfo refuses writes nothing.
    static void applyServer(const std::string& server);

    // From now on every request's address, as the transport logs it, is
    // counted by scheme, host and port (the log lines still go to the terminal).
    static void watchRequests();
    // Once requests are watched, `watcher` also sees every log line, on the
    // thread that logs it (for outcomes a screen only logs).
    static void watchLogLines(std::function<void(const std::string&)> watcher);
    // The tour's last step: how many requests went to `server` and which went
    // anywhere else ("none elsewhere" when every one went there).
    static void addRequestReport(DemoTour& tour, const std::string& server);
};
