#!/usr/bin/env bash
# Checks commit messages: a subject of at most 72 characters that starts with its area
# ("Database: ...", "UIKit: ..."), then a blank line and a body that says why.
#   tools/check-commits.sh            every commit after the first one checked (below)
#   tools/check-commits.sh RANGE      the commits of a git range, e.g. main..topic
#   tools/check-commits.sh --message F   one message file (use as .git/hooks/commit-msg)
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
# Older history predates the rule; it is not rewritten.
first_checked_after=04c66db

problems() { # message on stdin; prints one line per problem
  awk '
    NR == 1 {
      if (length($0) > 72) print "subject is " length($0) " characters (at most 72)"
      if ($0 !~ /^[A-Z][A-Za-z0-9+.\/-]*: [^ ]/) print "subject does not start with its area (\"Area: ...\")"
      next
    }
    /^#/ { next }
    NR == 2 && $0 != "" { print "no blank line after the subject" }
    NR > 2 && $0 ~ /[^ \t]/ { body = 1 }
    END { if (!body) print "no body saying why" }'
}

if [ "${1:-}" = "--message" ]; then
  out="$(problems < "$2")"
  if [ -n "$out" ]; then
    printf 'commit message: %s\n' "$out" >&2
    exit 1
  fi
  exit 0
fi

cd "$root"
range="${1:-$first_checked_after..HEAD}"
if [ -z "${1:-}" ] && ! git cat-file -e "$first_checked_after^{commit}" 2>/dev/null; then
  # A shallow clone without the starting point: check what it has.
  range=HEAD
fi
failed=0
for commit in $(git rev-list --no-merges "$range"); do
  out="$(git log -1 --format=%B "$commit" | problems)"
  if [ -n "$out" ]; then
    failed=1
    while IFS= read -r line; do
      printf '%s %s: %s\n' "$(git log -1 --format=%h "$commit")" "$(git log -1 --format=%s "$commit")" "$line" >&2
    done <<< "$out"
  fi
done
exit "$failed"
