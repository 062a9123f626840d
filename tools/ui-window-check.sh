#!/bin/sh
# Shows the interface in a real X window under a private Xvfb server, checks
# that the window shows what the view tree renders and that a mouse click
# reaches a button. The test starts and stops `Xvfb :N` itself and skips
# cleanly when Xvfb is not installed; CTest runs the same test.
# Usage: tools/ui-window-check.sh [build directory]
set -e
build="${1:-build}"
exec "$build/tests/test_Platform_UIKit" --gtest_filter='DesktopWindow*'
