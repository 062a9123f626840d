// The process entry: finds the home and bundle folders, then runs the
// application with its delegate until it terminates (SIGINT or SIGTERM, the
// window closed, or the time given with --exit-after SECONDS has passed).
// With --tour FOLDER the application walks through its screens by itself and
// leaves a PNG of each in FOLDER, printing their paths, then ends.

#include "App/Composition.h"
#include "App/DemoTour.h"
#include "App/OrderRoadTour.h"
#include "App/SessionTour.h"
#include "Classes/Frame/CorvelleAppDelegate.h"
#include "Classes/Login/WeclomeViewController.h"
#include "Network/Protocol/ServerInfo.h"
#include "Platform/Foundation/AppEnvironment.h"
#include "Platform/Foundation/NSBundle.h"
#include "Platform/Foundation/NSLog.h"
#include "Platform/Foundation/NSRunLoop.h"
#include "Platform/Foundation/NSThread.h"
#include "Platform/Foundation/NSTimer.h"
#include "Platform/Foundation/NumberParsing.h"
#include "Platform/UIKit/UIApplication.h"

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

// A signal only writes a byte; the main loop reads it and terminates the
// application, so that the shutdown runs on the main thread like every other
// piece of work.
RunLoopSourceRef watchStopSignals(const std::shared_ptr<NSRunLoop>& loop)
{
    if (pipe2(g_signalPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return nullptr;
    struct sigaction action { };
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    return loop->addFileDescriptor(g_signalPipe[0], RunLoopFileReadable,
        [](int fd, unsigned) {
            char buffer[16];
            while (read(fd, buffer, sizeof buffer) > 0) { }
            NSLog("stop requested");
            UIApplication::sharedApplication()->terminate();
        },
        { NSRunLoopCommonModes });
}

struct Options {
    double exitAfter = -1;
    std::string tourFolder;
    std::string server;
    std::string account = "ACME:sales1:secret";
};

bool parseOptions(Options& options)
{
    auto arguments = AppEnvironment::arguments();
    for (size_t i = 1; i < arguments.size(); ++i) {
        if (arguments[i] == "--exit-after" && i + 1 < arguments.size()) {
            options.exitAfter = NumberParsing::doubleValue(arguments[++i]);
        } else if (arguments[i] == "--tour" && i + 1 < arguments.size()) {
            options.tourFolder = arguments[++i];
        } else if (arguments[i] == "--server" && i + 1 < arguments.size()) {
            options.server = arguments[++i];
            if (ServerInfo probe; !probe.takeServerName(options.server)) {
                std::fprintf(
                    stderr, "corvelle: --server wants [https://]HOST[:PORT], not \"%s\"\n", options.server.c_str());
                return false;
            }
        } else if (arguments[i] == "--account" && i + 1 < arguments.size()) {
            options.account = arguments[++i];
        } else {
            std::fprintf(stderr,
                "usage: corvelle [--home DIR] [--bundle DIR] [--exit-after SECONDS] [--tour FOLDER]\n"
                "               [--server [https://]HOST:PORT [--account CLIENT:USER:PASSWORD]]\n");
            return false;
        }
    }
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    std::string error;
    if (!AppEnvironment::configure(argc, argv, CORVELLE_BUNDLE_DIR, &error)) {
        std::fprintf(stderr, "corvelle: %s\n", error.c_str());
        return 2;
    }
    Options options;
    if (!parseOptions(options))
        return 2;

    auto bundle = NSBundle::mainBundle();
    NSLog("Corvelle %@ starting; home %@, bundle %@", bundle->objectForInfoDictionaryKey("CFBundleShortVersionString"),
        AppEnvironment::homeDirectory(), bundle->bundlePath());

    Composition::installScreens();
    // The window opens on the sign-in screen, and returns to a new one after each log-out.
    // A server named here is in the settings before each welcome screen is
    // made: the screen's first request (the version check) goes there too,
    // never to the built-in host (a first run has just reset the settings to it).
    CorvelleAppDelegate::setWelcomeScreenFactory([server = options.server]() {
        if (!server.empty())
            SessionTour::applyServer(server);
        return std::make_shared<WeclomeViewController>();
    });

    auto loop = NSRunLoop::mainRunLoop();
    auto signals = watchStopSignals(loop);
    std::shared_ptr<NSTimer> deadline;
    if (options.exitAfter >= 0) {
        deadline = NSTimer::scheduledTimerWithTimeInterval(
            options.exitAfter, false, [](NSTimer&) { UIApplication::sharedApplication()->terminate(); });
    }
    std::shared_ptr<DemoTour> tour;
    if (!options.tourFolder.empty()) {
        tour = std::make_shared<DemoTour>(options.tourFolder);
        if (!options.server.empty()) {
            SessionTour::watchRequests();
            SessionTour::addSteps(*tour, options.server, options.account);
            OrderRoadTour::addSteps(*tour);
        }
        tour->addFrameSteps();
        tour->addCustomerSteps();
        tour->addCatalogSteps();
        tour->addQuoteOrderSteps();
        tour->addProductSteps();
        tour->addReaderSteps();
        tour->addLibrarySteps();
        tour->addViewerSteps();
        if (!options.server.empty())
            SessionTour::addRequestReport(*tour, options.server);
        tour->start();
    }

    const int status = UIApplicationMain(argc, argv, std::make_shared<CorvelleAppDelegate>());
    // The delegate and its window go before the process's static state does.
    UIApplication::resetSharedApplication();

    if (deadline)
        deadline->invalidate();
    if (signals)
        loop->removeSource(signals);
    NSLog("Corvelle stopped");
    // Pictures still being made on workers finish while the caches they fill still stand.
    NSThread::quiesceForExit(std::chrono::seconds(2));
    return status;
}
