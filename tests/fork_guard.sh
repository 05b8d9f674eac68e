#!/usr/bin/env bash
# Fails when a test source forks anywhere but in the helper that execs at once
# (tests/support/ChildProgram.cpp): a forked child of a threaded test that goes on to run our
# code, the toolkit or the allocator can hang on a lock held at the fork.
#
# Usage: fork_guard.sh <source folder>...
set -euo pipefail
found=$(grep -rnE --include='*.cpp' --include='*.h' '(^|[^[:alnum:]_])(v?fork|clone3?)[[:space:]]*\(' "$@" |
          grep -v '/tests/support/ChildProgram\.cpp:' || true)
if [ -n "$found" ]; then
  echo "A test forks outside tests/support/ChildProgram.cpp; start a program with ChildProgram instead:"
  echo "$found"
  exit 1
fi
echo "No fork outside tests/support/ChildProgram.cpp."
