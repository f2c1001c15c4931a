#!/usr/bin/env bash
# Fails when a tracked C/C++ file differs from what clang-format 14 makes of it.
set -euo pipefail
cd "$(dirname "$0")/.."
files=$(git ls-files '*.c' '*.cpp' '*.h' 2>/dev/null || true)
[ -z "$files" ] && { echo "format: no files"; exit 0; }
# shellcheck disable=SC2086
clang-format-14 --dry-run --Werror $files
echo "format: $(echo "$files" | wc -l) files clean"
