#!/usr/bin/env bash
# Smoke test of the bench programs: generated sources decode with the expected streams, the
# floor runs every kind of job with the frame counts its sync promises, a stream copy decodes
# again, bad arguments are refused, and the rusage wrapper keeps the command's exit status.
#   smoke_test.sh BIN_DIR WORK_DIR
set -euo pipefail
bin=$1
work=$2
rm -rf "$work"
mkdir -p "$work"
passes=0
failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}
# check DESCRIPTION COMMAND...: one check, passed when COMMAND succeeds.
check() {
  local description=$1
  shift
  if "$@"; then passes=$((passes + 1)); else fail "$description"; fi
}

"$bin/quorbel-bench-gen" hd "$work/hd.mp4" 2
"$bin/quorbel-bench-gen" dvd "$work/dvd.mpg" 2
"$bin/quorbel-bench-gen" wav "$work/tone.wav" 2

# input | floor arguments | video frames | audio samples (+-2 %; 0: no audio)
cases=(
  "hd.mp4|f=mp4 vcodec=mpeg4 s=320x240 b=512000 acodec=aac ab=64000 ar=44100|59|88200"
  "hd.mp4|f=mp4 vcodec=libx264 v:preset=ultrafast s=640x480 acodec=aac ar=48000|59|96000"
  "dvd.mpg|f=dvd vcodec=mpeg2video v:g=15 v:bufsize=1835008 v:maxrate=9000000 acodec=ac3 ab=448000|50|96000"
  "dvd.mpg|vcodec=mpeg4 r=50|98|0"
  "dvd.mpg|vcodec=mpeg4 r=10|21|0"
  "tone.wav|f=mp3 acodec=libmp3lame ab=192000|0|96000"
  "tone.wav|acodec=aac ac=1 ar=22050|0|44100"
)
for entry in "${cases[@]}"; do
  IFS='|' read -r input args frames samples <<<"$entry"
  # shellcheck disable=SC2086
  out=$("$bin/quorbel-bench-floor" "$work/$input" --threads 2 $args) || out="exit status $?"
  got_frames=$(sed -n 's/^video: \([0-9]*\) frames.*/\1/p' <<<"$out")
  got_samples=$(sed -n 's/^audio: \([0-9]*\) samples.*/\1/p' <<<"$out")
  check "$input $args: ${out//$'\n'/; } (expected $frames frames, about $samples samples)" \
    awk -v frames="${got_frames:-0}" -v samples="${got_samples:-0}" -v wantFrames="$frames" -v wantSamples="$samples" \
    'BEGIN {exit !(frames == wantFrames && samples >= wantSamples * 0.98 && samples <= wantSamples * 1.02)}'

done

# A stream copy writes a file that decodes again with every picture.
check "stream copy runs" "$bin/quorbel-bench-floor" "$work/hd.mp4" vcodec=copy acodec=copy --copy-to "$work/copy.mkv"
again=$("$bin/quorbel-bench-floor" "$work/copy.mkv" vcodec=mpeg4 acodec=aac 2>&1 || true)
check "stream copy output decodes to 59 pictures: $again" grep -q '^video: 59 frames' <<<"$again"
check "stream copy output decodes to sound: $again" grep -q '^audio: [1-9]' <<<"$again"

# Usage errors exit 2, failures 1.
for args in "" "$work/hd.mp4" "$work/hd.mp4 vcodec=copy" "$work/hd.mp4 b=fast vcodec=mpeg4" "$work/hd.mp4 zz=1"; do
  status=0
  # shellcheck disable=SC2086
  "$bin/quorbel-bench-floor" $args >/dev/null 2>&1 || status=$?
  check "'$args': exit status $status, expected 2" [ "$status" = 2 ]
done
status=0
"$bin/quorbel-bench-floor" "$work/missing.mp4" vcodec=mpeg4 >/dev/null 2>&1 || status=$?
check "missing input: exit status $status, expected 1" [ "$status" = 1 ]
status=0
"$bin/quorbel-bench-floor" "$work/tone.wav" vcodec=nosuchencoder acodec=nosuchencoder >/dev/null 2>&1 || status=$?
check "unknown encoder: exit status $status, expected 1" [ "$status" = 1 ]

# The wrapper appends "wall cpu rss status" and exits like the command.
status=0
"$bin/quorbel-bench-measure" "$work/usage.txt" sh -c 'exit 3' || status=$?
check "measure: exit status $status, expected 3" [ "$status" = 3 ]
"$bin/quorbel-bench-measure" "$work/usage.txt" "$bin/quorbel-bench-floor" "$work/tone.wav" acodec=pcm_s16le >/dev/null
check "measure: result lines $(tr '\n' ';' <"$work/usage.txt")" \
  awk 'NR == 1 && $4 != 3 {bad = 1} NR == 2 && !($1 > 0 && $3 > 0 && $4 == 0) {bad = 1} END {exit bad || NR != 2}' \
  "$work/usage.txt"

echo "$passes passed, $failures failed"
[ "$failures" = 0 ]
