#!/usr/bin/env bash
# Sets Quorbel up on Debian 12 (missing packages, Release build) and runs it:
#   ./run.sh                 the converter
#   ./run.sh ARGS...         quorbel-cli ARGS (try ./run.sh --help)
set -euo pipefail
top=$(cd "$(dirname "$0")" && pwd)
build="$top/build/release"

"$top/scripts/install-deps.sh" >&2

if [ ! -f "$build/CMakeCache.txt" ]; then
  echo "run: configuring a Release build in build/release" >&2
  cmake -S "$top" -B "$build" -DCMAKE_BUILD_TYPE=Release >&2
fi
echo "run: building" >&2
cmake --build "$build" -j"$(nproc)" --target quorbel-cli >&2

exec "$build/cli/quorbel-cli" "$@"
