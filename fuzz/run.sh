#!/usr/bin/env bash
# Builds the JSON decoder's fuzz target with clang in its own build folder and
# runs it for N seconds (default 60). A crash leaves its input in the build
# folder and fails the run.
set -euo pipefail
seconds="${1:-60}"
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="$root/build/fuzz"
CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCORVELLE_FUZZ=ON -DCORVELLE_TESTS=OFF -DCORVELLE_BENCH=OFF >/dev/null
cmake --build "$build" --target fuzz_JsonParser
corpus="$build/corpus-json"
mkdir -p "$corpus" "$build/crashes"
cp -n "$root"/fuzz/corpus/json/* "$corpus"/ 2>/dev/null || true
# The fuzzer's progress lines go to a log; the summary, and the whole log on a failure, to the console.
log="$build/fuzz-json.log"
if "$build/fuzz/fuzz_JsonParser" -max_total_time="$seconds" -max_len=4096 -timeout=10 \
    -artifact_prefix="$build/crashes/" -print_final_stats=1 "$corpus" >"$log" 2>&1; then
  grep -E '^(Done|stat::)' "$log" || true
else
  status=$?
  cat "$log"
  echo "fuzzing the JSON decoder failed; inputs that broke it are in $build/crashes/" >&2
  exit "$status"
fi
