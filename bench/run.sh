#!/usr/bin/env bash
# Measures the engine (through quorbel-cli) against the codec floor (quorbel-bench-floor).
#   bench/run.sh [--quick] [--runs N]
#     --quick   short sources and one run each, to try the script out
#     --runs N  runs per measurement (default 3); the table shows medians
# Builds what it needs (Release; reuses build/release or a Release build/ of the repository,
# or the build folder named by QUORBEL_BENCH_BUILD), generates its sources once into
# <build>/bench-cache, prints the tables. Exits non-zero only when something could not run;
# missed targets are reported, not failed. QUORBEL_BENCH_CLI names another quorbel-cli to measure.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
top=$(dirname "$here")
quick=0
runs=3
while [ $# -gt 0 ]; do
  case "$1" in
    --quick) quick=1; runs=1 ;;
    --runs) [ $# -ge 2 ] || { echo "bench: --runs needs a number" >&2; exit 2; }; runs=$2; shift ;;
    -h|--help) sed -n '2,9s/^# \{0,1\}//p' "$0"; exit 0 ;;
    *) echo "bench: unknown argument '$1' (try --help)" >&2; exit 2 ;;
  esac
  shift
done
[[ "$runs" =~ ^[1-9][0-9]*$ ]] || { echo "bench: --runs needs a positive number" >&2; exit 2; }

# --- build ------------------------------------------------------------------------------------
if [ -n "${QUORBEL_BENCH_BUILD:-}" ]; then
  build=$QUORBEL_BENCH_BUILD
elif [ -f "$top/build/release/CMakeCache.txt" ]; then
  build=$top/build/release
elif [ -f "$top/build/CMakeCache.txt" ] && grep -q '^CMAKE_BUILD_TYPE:STRING=Release$' "$top/build/CMakeCache.txt"; then
  build=$top/build
else
  build=$top/build/release
fi
echo "bench: building in $build" >&2
if [ -f "$build/CMakeCache.txt" ]; then
  cmake -S "$top" -B "$build" -DQUORBEL_BENCH=ON >/dev/null
else
  cmake -S "$top" -B "$build" -DCMAKE_BUILD_TYPE=Release -DQUORBEL_BENCH=ON >/dev/null
fi
grep -q '^CMAKE_BUILD_TYPE:STRING=Release$' "$build/CMakeCache.txt" ||
  echo "bench: warning: $build is not a Release build; the figures mean little" >&2
cmake --build "$build" -j2 --target quorbel-cli quorbel-bench-floor quorbel-bench-gen quorbel-bench-measure >&2

cli=${QUORBEL_BENCH_CLI:-$build/cli/quorbel-cli}
floor=$build/bench/quorbel-bench-floor
gen=$build/bench/quorbel-bench-gen
measurer=$build/bench/quorbel-bench-measure

# --- sources ----------------------------------------------------------------------------------
if [ "$quick" = 1 ]; then long=6; short=2; cache=$build/bench-cache/quick; else long=60; short=10; cache=$build/bench-cache/full; fi
mkdir -p "$cache/clips"
generate() { # KIND FILE SECONDS
  [ -f "$2" ] && return 0
  echo "bench: generating $(basename "$2") ($3 s)" >&2
  "$gen" "$1" "$2" "$3"
}
generate hd "$cache/hd-long.mp4" "$long"
generate hd "$cache/hd-short.mp4" "$short"
generate dvd "$cache/dvd-long.mpg" "$long"
generate wav "$cache/tone-long.wav" "$long"
clips=()
for i in 1 2 3 4 5 6 7 8; do
  [ -f "$cache/clips/c$i.mp4" ] || ln -f "$cache/hd-short.mp4" "$cache/clips/c$i.mp4"
  clips+=("$cache/clips/c$i.mp4")
done

work=$(mktemp -d "${TMPDIR:-/tmp}/quorbel-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT

# --- what the CLI can do ----------------------------------------------------------------------
convert_help=$("$cli" convert --help 2>&1 || true)
has_threads=0
has_batch=0
grep -q -- '--codec-threads' <<<"$convert_help" && has_threads=1
grep -q -- '--ext' <<<"$convert_help" && grep -qE -- '(^|[[:space:]])-j' <<<"$convert_help" && has_batch=1
notes=()
if [ "$has_threads" = 1 ]; then
  threads=1
  engine_threads=(--codec-threads 1)
else
  threads=0
  engine_threads=()
  notes+=("the CLI has no --codec-threads: engine at its default (0 = one per core), floor at 0 too")
fi

# --- measuring --------------------------------------------------------------------------------
# measure NAME COMMAND... : runs COMMAND $runs times with a fresh output folder ($work/out);
# prints "wall cpu rss_kib" (medians), or "failed".
measure() {
  local name=$1
  shift
  local result=$work/$name.txt
  rm -f "$result"
  for ((run = 0; run < runs; ++run)); do
    rm -rf "$work/out"
    mkdir -p "$work/out"
    if ! "$measurer" "$result" "$@" >"$work/$name.log" 2>&1; then
      echo "bench: $name failed; its last lines:" >&2
      tail -n 5 "$work/$name.log" >&2
      echo "$name" >>"$work/failures"
      echo failed
      return 0
    fi
  done
  local medians=()
  for column in 1 2 3; do
    medians+=("$(awk -v c="$column" '{print $c}' "$result" | sort -g | awk '{v[NR]=$1} END {print v[int((NR + 1) / 2)]}')")
  done
  echo "${medians[*]}"
}

# The thread setting first, so that a job's own --codec-threads (given later) wins.
engine() { measure "$1" "$cli" convert "${engine_threads[@]}" "${@:2}"; }

declare -A job_source job_engine job_floor job_ext
job_source[J1]=$cache/hd-long.mp4
job_ext[J1]=mp4
job_engine[J1]="-O vcodec=mpeg4 -O s=320x240 -O b=512000 -O acodec=aac -O ab=64000 -O ar=44100"
job_floor[J1]="f=mp4 vcodec=mpeg4 s=320x240 b=512000 acodec=aac ab=64000 ar=44100"
job_source[J2]=$cache/hd-long.mp4
job_ext[J2]=mp4
job_engine[J2]="-O vcodec=libx264 -O preset=medium -O s=640x480 -O b=2000000 -O acodec=aac -O ab=64000 -O ar=48000"
job_floor[J2]="f=mp4 vcodec=libx264 v:preset=medium s=640x480 b=2000000 acodec=aac ab=64000 ar=48000"
# What the engine's dvd target sets (PAL for a 25 fps source).
job_source[J3]=$cache/dvd-long.mpg
job_ext[J3]=mpg
job_engine[J3]="-O target=dvd"
job_floor[J3]="f=dvd vcodec=mpeg2video s=720x576 r=25 b=6000000 v:g=15 v:maxrate=9000000 v:minrate=0 v:bufsize=1835008 acodec=ac3 ab=448000 ar=48000"
job_source[J4]=$cache/hd-long.mp4
job_ext[J4]=mp4
job_engine[J4]="-O vcodec=copy -O acodec=copy"
job_floor[J4]="vcodec=copy acodec=copy --copy-to $work/out/floor.mp4"
job_source[J5]=$cache/tone-long.wav
job_ext[J5]=mp3
job_engine[J5]="-O acodec=libmp3lame -O ab=192000"
job_floor[J5]="f=mp3 acodec=libmp3lame ab=192000"

run_engine() { # JOB SOURCE [EXTRA CLI ARGS...]
  local job=$1 source=$2
  # shellcheck disable=SC2086
  engine "engine-$job-$(basename "$source")" "$source" -o "$work/out/engine.${job_ext[$job]}" ${job_engine[$job]} "${@:3}"
}
run_floor() { # JOB SOURCE THREADS
  # shellcheck disable=SC2086
  measure "floor-$1-$3" "$floor" "$2" --threads "$3" ${job_floor[$1]}
}

mib() { awk -v k="$1" 'BEGIN {printf "%.1f", k / 1024}'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN {if (b > 0) printf "%.3f", a / b; else printf "-"}'; }

echo
echo "Quorbel engine vs codec floor ($([ "$quick" = 1 ] && echo "quick: ${long} s sources, 1 run" || echo "${long} s sources, median of $runs runs"); codec threads $threads; $(nproc) cores, load $(cut -d' ' -f1-3 /proc/loadavg))"
echo
printf '%-4s | %8s %8s %8s | %8s %8s %8s | %7s %7s %7s %8s\n' job "eng wall" "eng cpu" "eng MiB" "flr wall" "flr cpu" "flr MiB" "wall x" "cpu x" "rss x" "rss +MiB"
printf '%s\n' "-----+----------------------------+----------------------------+---------------------------------"
declare -A engine_result floor_result
for job in J1 J2 J3 J4 J5; do
  e=$(run_engine "$job" "${job_source[$job]}")
  f=$(run_floor "$job" "${job_source[$job]}" "$threads")
  engine_result[$job]=$e
  floor_result[$job]=$f
  if [ "$e" = failed ] || [ "$f" = failed ]; then
    printf '%-4s | %s\n' "$job" "engine: $e / floor: $f"
    continue
  fi
  read -r ew ec er <<<"$e"
  read -r fw fc fr <<<"$f"
  printf '%-4s | %8s %8s %8s | %8s %8s %8s | %7s %7s %7s %8s\n' "$job" "$ew" "$ec" "$(mib "$er")" "$fw" "$fc" "$(mib "$fr")" \
    "$(ratio "$ew" "$fw")" "$(ratio "$ec" "$fc")" "$(ratio "$er" "$fr")" "$(mib $((er - fr)))"
done
echo "(wall and cpu in seconds; MiB = peak RSS; wall x, cpu x, rss x = engine / floor; targets: wall x <= 1.05, rss +MiB <= 25)"

echo
echo "J2 with codec threads 0 (one per core):"
if [ "$has_threads" = 1 ]; then e0=$(run_engine J2 "${job_source[J2]}" --codec-threads 0); else e0=${engine_result[J2]}; fi
if [ "$threads" = 0 ]; then f0=${floor_result[J2]}; else f0=$(run_floor J2 "${job_source[J2]}" 0); fi
for side in engine floor; do
  if [ "$side" = engine ]; then r=$e0; else r=$f0; fi
  if [ "$r" = failed ]; then
    echo "  $side: failed"
  else
    read -r w c _ <<<"$r"
    echo "  $side: wall $w s, cpu $c s, cpu/wall $(ratio "$c" "$w") (target >= 1.7)"
  fi
done

echo
echo "Memory over length (J2, engine, codec threads $threads):"
es=$(run_engine J2 "$cache/hd-short.mp4")
el=${engine_result[J2]}
if [ "$es" = failed ] || [ "$el" = failed ]; then
  echo "  failed"
else
  rs=$(awk '{print $3}' <<<"$es")
  rl=$(awk '{print $3}' <<<"$el")
  echo "  ${short} s: $(mib "$rs") MiB, ${long} s: $(mib "$rl") MiB, growth $(awk -v a="$rl" -v b="$rs" 'BEGIN {printf "%+.1f", (a / b - 1) * 100}') % (target within 10 %)"
fi

echo
echo "Parallel throughput (8 clips of ${short} s, J1 settings, codec threads 1):"
if [ "$has_batch" = 1 ] && [ "$has_threads" = 1 ]; then
  declare -A batch_wall
  for jobs in 1 2; do
    # shellcheck disable=SC2086
    r=$(measure "batch-j$jobs" "$cli" convert "${clips[@]}" -d "$work/out" --ext mp4 -j "$jobs" --codec-threads 1 ${job_engine[J1]})
    if [ "$r" = failed ]; then
      echo "  -j $jobs: failed"
      continue
    fi
    read -r w c rss <<<"$r"
    batch_wall[$jobs]=$w
    echo "  -j $jobs: wall $w s, cpu $c s, peak $(mib "$rss") MiB, $(awk -v w="$w" 'BEGIN {printf "%.2f", 8 / w}') clips/s"
  done
  if [ -n "${batch_wall[1]:-}" ] && [ -n "${batch_wall[2]:-}" ]; then
    echo "  -j 2 / -j 1 throughput: $(ratio "${batch_wall[1]}" "${batch_wall[2]}") (target >= 1.7)"
  fi
else
  echo "  not measured: CLI lacks -j/--codec-threads (-j, -d, --ext: $([ "$has_batch" = 1 ] && echo present || echo missing); --codec-threads: $([ "$has_threads" = 1 ] && echo present || echo missing))"
fi

for note in "${notes[@]}"; do echo "note: $note"; done
if [ -s "$work/failures" ]; then
  echo "bench: could not run: $(tr '\n' ' ' <"$work/failures")" >&2
  exit 1
fi
