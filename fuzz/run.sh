#!/usr/bin/env bash
# fuzz/run.sh [SECONDS_PER_TARGET] [TARGET...]
# Builds the libFuzzer targets (clang, ASan + UBSan) in build-fuzz/, makes their seed corpora from
# the media fixtures and the small real-world samples, and runs each target for
# SECONDS_PER_TARGET (default 300) at the lowest priority. Corpora grow in build-fuzz/corpus/,
# findings land in build-fuzz/findings/TARGET/; the script exits 1 when there are findings.
# FUZZ_PARALLEL=2 runs two targets at once (the machine is shared: never more).
set -euo pipefail

seconds=${1:-300}
shift || true
root=$(cd "$(dirname "$0")/.." && pwd)
build=${FUZZ_BUILD_DIR:-$root/build-fuzz}
parallel=${FUZZ_PARALLEL:-1}
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(fuzz_option_text fuzz_probe fuzz_transcode fuzz_asf_filter)

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=clang \
  -DCMAKE_CXX_COMPILER=clang++ -DQUORBEL_FUZZ=ON "-DQUORBEL_SANITIZE=address;undefined" >/dev/null
nice -n 19 cmake --build "$build" -j2 --target "${targets[@]}" quorbel-fuzz-seeds

seeds=$build/seeds
if [ ! -d "$seeds/options" ]; then
  "$build/fuzz/quorbel-fuzz-seeds" "$seeds" "$root/../shared/samples"
fi

corpus_of() {
  case $1 in
    fuzz_option_text) echo options ;;
    fuzz_probe) echo probe ;;
    fuzz_transcode) echo transcode ;;
    fuzz_asf_filter) echo asf ;;
  esac
}

run_target() {
  local target=$1 corpus
  corpus=$(corpus_of "$target")
  mkdir -p "$build/corpus/$target" "$build/findings/$target"
  local extra=()
  [ "$target" = fuzz_option_text ] && extra+=(-dict="$root/fuzz/options.dict")
  # ASan's leak check at exit stays on; a run longer than 60 s counts as a hang.
  ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=1 UBSAN_OPTIONS=print_stacktrace=1 \
    nice -n 19 "$build/fuzz/$target" -max_total_time="$seconds" -timeout=60 -rss_limit_mb=4096 \
    -print_final_stats=1 -artifact_prefix="$build/findings/$target/" "${extra[@]}" \
    "$build/corpus/$target" "$seeds/$corpus" >"$build/findings/$target.log" 2>&1 || true
  echo "$target: $(grep -E '^stat::number_of_executed_units' "$build/findings/$target.log" | awk '{print $2}') executions," \
    "$(ls "$build/findings/$target" | wc -l) findings (log: $build/findings/$target.log)"
}

running=0
for target in "${targets[@]}"; do
  run_target "$target" &
  running=$((running + 1))
  if [ "$running" -ge "$parallel" ]; then
    wait -n
    running=$((running - 1))
  fi
done
wait

findings=0
for target in "${targets[@]}"; do
  findings=$((findings + $(ls "$build/findings/$target" | wc -l)))
done
[ "$findings" -eq 0 ]
