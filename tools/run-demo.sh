#!/usr/bin/env bash
# Builds the application and runs it. With a display the window opens and
# stays until it is closed. Without one the application walks through its
# screens by itself, leaves a PNG of each in build/app/tour (the paths are
# printed) and ends. The application's home folder is build/app/home unless
# CORVELLE_HOME is set. Options given here go to the application instead.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$root/tools/setup.sh"
build="$root/build/app"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCORVELLE_TESTS=OFF
cmake --build "$build" --target corvelle
export CORVELLE_HOME="${CORVELLE_HOME:-$build/home}"
if [ $# -eq 0 ] && [ -z "${DISPLAY:-}" ]; then
  set -- --tour "$build/tour"
fi
exec "$build/App/corvelle" --bundle "$build/bundle" "$@"
