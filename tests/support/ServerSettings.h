#pragma once

// Points the application's server settings at servers on this machine, as a
// salesperson's device is pointed at the company's servers.

#include <string>

class FakeCompanyServer;

// Messages and files both go to `server`; the main run loop is kept waiting
// for its replies, which come from the network thread.
void pointSettingsAtServer(const FakeCompanyServer& server);
// Messages go to 127.0.0.1:`port` under `path`.
void pointMessageSettingsAt(long port, const std::string& path);
// Files (and the pages the screens open from the file server) go to
// 127.0.0.1:`port` under `path`.
void pointImageSettingsAt(long port, const std::string& path);
// Without a source of its own the main loop would not wait for replies from
// the network thread; made once, on the first call.
void keepMainRunLoopWaiting();
