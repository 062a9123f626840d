#!/usr/bin/env bash
# Builds the application and runs its main job on the built-in demo data.
# The application's home folder is build/app/home unless CORVELLE_HOME is set.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$root/tools/setup.sh"
build="$root/build/app"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCORVELLE_TESTS=OFF
cmake --build "$build" --target corvelle
export CORVELLE_HOME="${CORVELLE_HOME:-$build/home}"
if [ $# -eq 0 ]; then
  # Headless, the run ends by itself; pass your own options to keep it open.
  set -- --exit-after 3
fi
exec "$build/App/corvelle" --bundle "$build/bundle" "$@"
