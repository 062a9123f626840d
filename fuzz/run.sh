#!/usr/bin/env bash
# Builds the fuzz targets with clang in their own build folder and runs each in
# turn, sharing N seconds between them (default 150). A crash leaves its input
# in the build folder and fails the run.
set -euo pipefail
total="${1:-150}"
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="$root/build/fuzz"
targets=(JsonParser:json HttpHead:http-head Challenge:challenge Cookie:cookie URL:url)
targets+=(PropertyList:plist KeyedArchive:keyed-archive PNG:png JPEG:jpeg DateFormatter:date Regex:regex)
targets+=(Path:path ZipExtract:zip SyncReplies:sync-replies)
CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCORVELLE_FUZZ=ON -DCORVELLE_TESTS=OFF -DCORVELLE_BENCH=OFF >/dev/null
cmake --build "$build" --target $(for t in "${targets[@]}"; do printf 'fuzz_%s ' "${t%%:*}"; done)
seconds=$(( total / ${#targets[@]} ))
[ "$seconds" -ge 1 ] || seconds=1
mkdir -p "$build/crashes"
for entry in "${targets[@]}"; do
  name="${entry%%:*}"
  seeds="${entry#*:}"
  corpus="$build/corpus-$seeds"
  mkdir -p "$corpus"
  cp -n "$root"/fuzz/corpus/"$seeds"/* "$corpus"/ 2>/dev/null || true
  # The fuzzer's progress lines go to a log; the summary, and the whole log on a failure, to the console.
  log="$build/fuzz-$name.log"
  echo "fuzzing $name for ${seconds}s"
  if "$build/fuzz/fuzz_$name" -max_total_time="$seconds" -max_len=4096 -timeout=10 -rss_limit_mb=2048 \
      -artifact_prefix="$build/crashes/$name-" -print_final_stats=1 "$corpus" >"$log" 2>&1; then
    grep -E '^(Done|stat::number_of_executed_units)' "$log" || true
  else
    status=$?
    cat "$log"
    echo "fuzzing $name failed; inputs that broke it are in $build/crashes/" >&2
    exit "$status"
  fi
done
