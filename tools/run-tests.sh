#!/usr/bin/env bash
# Builds everything with AddressSanitizer and UndefinedBehaviorSanitizer,
# warnings as errors, and runs every test.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$root/tools/setup.sh"
# Commit messages keep their form (area, 72 columns, a body) in a checkout with history.
if git -C "$root" rev-parse --git-dir >/dev/null 2>&1; then
  "$root/tools/check-commits.sh"
fi
"$root/tools/check-format.sh"
# Includes follow the layers' order (Platform at the bottom, App at the top).
python3 "$root/tools/check-includes.py" "$root"
build="$root/build/test"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
      -DCORVELLE_SANITIZE=ON -DCORVELLE_WERROR=ON -DCORVELLE_TESTS=ON
cmake --build "$build"
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1"
export LSAN_OPTIONS="suppressions=$root/tools/lsan-suppressions.txt"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
ctest --test-dir "$build" --output-on-failure -j "$(nproc)" --timeout 600

# ThreadSanitizer over the tests of the threaded parts (Foundation, HTTP,
# protocol, movie sound, and the catalogue, library and synchronisation
# screens that read pictures and render thumbnails off the main thread), in a
# build of its own that takes the bundle and sample company generated above
# (CORVELLE_TSAN=0 skips).
if [ "${CORVELLE_TSAN:-1}" != "0" ]; then
  tsan="$root/build/tsan"
  cmake -S "$root" -B "$tsan" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCORVELLE_TSAN=ON -DCORVELLE_TESTS=ON \
        -DCORVELLE_WERROR=ON -DCORVELLE_GENERATED_FROM="$build"
  cmake --build "$tsan" --target test_Platform_Foundation test_Platform_CFNetwork test_Platform_Sound test_Network_HTTP \
        test_Network_Protocol test_Classes_Catalog test_Classes_Catalog_Product test_Classes_Library \
        test_Classes_Library_Files test_Classes_Sync
  TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1:suppressions=$root/tools/tsan-suppressions.txt" \
    ctest --test-dir "$tsan" --output-on-failure -j "$(nproc)" --timeout 600
fi

# The fuzz targets, sharing two and a half minutes (CORVELLE_FUZZ_SECONDS to change; 0 skips).
fuzz_seconds="${CORVELLE_FUZZ_SECONDS:-150}"
if [ "$fuzz_seconds" != "0" ]; then
  "$root/fuzz/run.sh" "$fuzz_seconds"
fi
