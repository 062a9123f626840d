#!/usr/bin/env bash
# Checks that every C and C++ source of ours is laid out as the root .clang-format says, so layout
# never becomes part of a change under review. Fix with:
#   git ls-files '*.cpp' '*.h' '*.c' | xargs clang-format -i
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"
if git rev-parse --git-dir >/dev/null 2>&1; then
  files() { git ls-files -z '*.cpp' '*.h' '*.c'; }
else
  files() { find . -path ./build -prune -o \( -name '*.cpp' -o -name '*.h' -o -name '*.c' \) -print0; }
fi
if ! files | xargs -0 -P "$(nproc)" -n 40 clang-format --dry-run --Werror 2> "${TMPDIR:-/tmp}/check-format.$$"; then
  grep -E '^[^ ].*: (error|warning):' "${TMPDIR:-/tmp}/check-format.$$" | sed 's/: error: .*//' | sort -u | head -50 >&2
  echo "check-format: the files above are not formatted (run clang-format -i on them)" >&2
  rm -f "${TMPDIR:-/tmp}/check-format.$$"
  exit 1
fi
rm -f "${TMPDIR:-/tmp}/check-format.$$"
