#!/usr/bin/env bash
# Sets Quorbel up on Debian 12 and runs every test:
#   1. the formatting check (clang-format 14, .clang-format)
#   2. a Release build with -Werror and the whole ctest suite
#   3. an AddressSanitizer + UndefinedBehaviorSanitizer build running the tests labelled
#      "untrusted" (media files, option text)
#   4. a ThreadSanitizer build running the tests labelled "threads"
set -euo pipefail
top=$(cd "$(dirname "$0")" && pwd)
jobs=$(nproc)
cd "$top"

step() { printf '\n== %s\n' "$*"; }

step "dependencies"
scripts/install-deps.sh

step "formatting"
scripts/check-format.sh

build_and_test() {
  local dir=$1 label=$2
  shift 2
  cmake -S "$top" -B "$dir" -DQUORBEL_WERROR=ON "$@" >/dev/null
  cmake --build "$dir" -j"$jobs"
  if [ -n "$label" ]; then
    ctest --test-dir "$dir" --output-on-failure -j"$jobs" -L "$label"
  else
    ctest --test-dir "$dir" --output-on-failure -j"$jobs"
  fi
}

step "release build, all tests"
build_and_test build/release "" -DCMAKE_BUILD_TYPE=Release

step "AddressSanitizer + UndefinedBehaviorSanitizer, tests labelled untrusted"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
  build_and_test build/asan untrusted -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS=-O1 \
  "-DQUORBEL_SANITIZE=address;undefined"

step "ThreadSanitizer, tests labelled threads"
TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" \
  build_and_test build/tsan threads -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS=-O1 \
  -DQUORBEL_SANITIZE=thread

step "all tests passed"
