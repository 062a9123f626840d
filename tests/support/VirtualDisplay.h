#pragma once

// A private X display for the web engine: Xvfb started on a display number it
// chooses itself, made this process's DISPLAY. It is started once and kept for
// the life of the test process, because the engine holds its connection to
// the display until the process ends and would end the process when the
// display went away before it. A test that shows web pages calls
// requireWebEngineDisplay() first; it skips when Xvfb is missing, except in
// CI, where it fails.

#include "ChildProcess.h"

#include <string>

// True when the display runs; otherwise `reason` says why.
bool startVirtualDisplay(std::string& reason);

// For a test's SetUp: starts the display or fails/skips the test as above.
#define REQUIRE_WEB_ENGINE_DISPLAY()                                                                                   \
    do {                                                                                                               \
        std::string displayReason;                                                                                     \
        if (!startVirtualDisplay(displayReason)) {                                                                     \
            if (servicesAreRequired())                                                                                 \
                FAIL() << "No display for the web engine: " << displayReason;                                          \
            GTEST_SKIP() << "No display for the web engine: " << displayReason;                                        \
        }                                                                                                              \
    } while (false)
