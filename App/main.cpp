// The process entry: finds the home and bundle folders, then runs the main
// run loop until the process is asked to stop (SIGINT or SIGTERM, or the
// time given with --exit-after SECONDS has passed).

#include "Platform/Foundation/AppEnvironment.h"
#include "Platform/Foundation/Clock.h"
#include "Platform/Foundation/NSBundle.h"
#include "Platform/Foundation/NSLog.h"
#include "Platform/Foundation/NSRunLoop.h"
#include "Platform/Foundation/NSTimer.h"
#include "Platform/Foundation/NumberParsing.h"

#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <string>
#include <unistd.h>

#ifndef CORVELLE_BUNDLE_DIR
#define CORVELLE_BUNDLE_DIR ""
#endif

namespace {

int g_signalPipe[2] = { -1, -1 };

void onStopSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] auto written = write(g_signalPipe[1], &byte, 1);
}

// A signal only writes a byte; the main loop reads it and stops, so that the
// shutdown runs on the main thread like every other piece of work.
RunLoopSourceRef watchStopSignals(const std::shared_ptr<NSRunLoop>& loop)
{
    if (pipe2(g_signalPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return nullptr;
    struct sigaction action {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    std::weak_ptr<NSRunLoop> weakLoop = loop;
    return loop->addFileDescriptor(
        g_signalPipe[0], RunLoopFileReadable,
        [weakLoop](int fd, unsigned) {
            char buffer[16];
            while (read(fd, buffer, sizeof buffer) > 0) {
            }
            NSLog("stop requested");
            if (auto l = weakLoop.lock())
                l->stop();
        },
        { NSRunLoopCommonModes });
}

}  // namespace

int main(int argc, char** argv)
{
    std::string error;
    if (!AppEnvironment::configure(argc, argv, CORVELLE_BUNDLE_DIR, &error)) {
        std::fprintf(stderr, "corvelle: %s\n", error.c_str());
        return 2;
    }
    double exitAfter = -1;
    auto arguments = AppEnvironment::arguments();
    for (size_t i = 1; i < arguments.size(); ++i) {
        if (arguments[i] == "--exit-after" && i + 1 < arguments.size()) {
            exitAfter = NumberParsing::doubleValue(arguments[++i]);
        } else {
            std::fprintf(stderr, "usage: corvelle [--home DIR] [--bundle DIR] [--exit-after SECONDS]\n");
            return 2;
        }
    }

    auto bundle = NSBundle::mainBundle();
    NSLog("Corvelle %@ starting; home %@, bundle %@",
          bundle->objectForInfoDictionaryKey("CFBundleShortVersionString"),
          AppEnvironment::homeDirectory(), bundle->bundlePath());

    auto loop = NSRunLoop::mainRunLoop();
    auto signals = watchStopSignals(loop);
    std::shared_ptr<NSTimer> deadline;
    if (exitAfter >= 0) {
        std::weak_ptr<NSRunLoop> weakLoop = loop;
        deadline = NSTimer::scheduledTimerWithTimeInterval(exitAfter, false, [weakLoop](NSTimer&) {
            if (auto l = weakLoop.lock())
                l->stop();
        });
    }

    loop->run();

    if (deadline)
        deadline->invalidate();
    if (signals)
        loop->removeSource(signals);
    NSLog("Corvelle stopped");
    return 0;
}
