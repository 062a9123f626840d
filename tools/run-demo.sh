#!/usr/bin/env bash
# Builds the application, the fake company server and its generated sample
# company; starts the server on the loopback with the sample company, then the
# application pointed at it. With a display the window opens on the welcome
# screen and stays until it is closed. Without one the application tours by
# itself: it signs in online with the sample company's account, synchronises
# (progress printed as lines), writes an order (added from a tile and from a
# product's screen, a customer, discounts, the PDF signed, saved and submitted),
# leaves a PNG of each step, of each main tab and of the frame's screens in
# build/app/tour (the paths are printed), says how many requests went to the
# server and whether any went elsewhere, and ends; then the server stops and
# what it received is printed. The application's home folder is build/app/home unless
# CORVELLE_HOME is set. Options given here go to the application instead.
# CORVELLE_BUILD_DIR names an existing build to use as it is (the test does).
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${CORVELLE_BUILD_DIR:-$root/build/app}"
if [ -z "${CORVELLE_BUILD_DIR:-}" ]; then
  "$root/tools/setup.sh"
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCORVELLE_TESTS=OFF
  cmake --build "$build" --target corvelle corvelle-fake-server corvelle_sample_data
fi
export CORVELLE_HOME="${CORVELLE_HOME:-$build/home}"

log="$(mktemp)"
"$build/tools/fake-server/corvelle-fake-server" --company "$build/sample-company" 0 >"$log" 2>&1 &
server=$!
trap 'kill "$server" 2>/dev/null || true; wait "$server" 2>/dev/null || true; rm -f "$log"' EXIT
port=""
for _ in $(seq 1 100); do
  port="$(sed -n 's/^fake company server on 127\.0\.0\.1:\([0-9][0-9]*\).*/\1/p' "$log")"
  [ -n "$port" ] && break
  kill -0 "$server" 2>/dev/null || break
  sleep 0.1
done
if [ -z "$port" ]; then
  echo "run-demo: the fake company server did not start:" >&2
  cat "$log" >&2
  exit 1
fi
echo "Fake company server with the sample company on 127.0.0.1:$port (account ACME / sales1 / secret)"

if [ $# -eq 0 ] && [ -z "${DISPLAY:-}" ]; then
  set -- --tour "$build/tour"
fi
status=0
"$build/App/corvelle" --bundle "$build/bundle" --server "127.0.0.1:$port" "$@" || status=$?

# What reached the server, as it logged it once the application had ended.
kill "$server" 2>/dev/null || true
wait "$server" 2>/dev/null || true
echo "The fake company server's log:"
grep -E '^fake company server (received|sent)' "$log" || echo "(nothing received)"
exit "$status"
