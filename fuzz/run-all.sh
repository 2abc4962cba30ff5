#!/usr/bin/env bash
# Builds the fuzz targets (clang, build-fuzz) and runs each for <seconds>, JOBS at a time
# (default 1), then prints per target the executions, exec/s, coverage and findings.
# Usage: fuzz/run-all.sh <seconds> [target...]      e.g. JOBS=2 fuzz/run-all.sh 600
# Corpora grow in build-fuzz/fuzz/corpora/<target>; crashing inputs land in
# build-fuzz/fuzz/artifacts/ and the whole output of a run in build-fuzz/fuzz/logs/<target>.log.
set -euo pipefail

seconds=${1:?usage: run-all.sh <seconds> [target...]}
shift
here=$(cd "$(dirname "$0")" && pwd)
root=$here/..
build=${BUILD_DIR:-$root/build-fuzz}
jobs=${JOBS:-1}
targets=("$@")
[ ${#targets[@]} -gt 0 ] ||
  targets=(rtps_message ethernet_frames cdr_roundtrip xml_profiles engine_config injection)

CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DVELTRANE_FUZZ=ON -DVELTRANE_BUILD_TESTS=OFF -DVELTRANE_BUILD_BENCH=OFF \
  -DVELTRANE_BUILD_TOOLS=OFF >/dev/null
cmake --build "$build" -j2 --target "${targets[@]/#/veltrane_fuzz_}"

work=$build/fuzz
"$here/make-corpora.sh" "$work/seed-corpora" >/dev/null
mkdir -p "$work/logs" "$work/artifacts"

dictionary() {
  case $1 in
    xml_profiles | engine_config) echo "-dict=$here/dicts/xml.dict" ;;
    injection) echo "-dict=$here/dicts/json.dict" ;;
  esac
}

run() {
  local name=$1
  mkdir -p "$work/corpora/$name"
  # shellcheck disable=SC2046
  "$work/veltrane_fuzz_$name" "$work/corpora/$name" "$work/seed-corpora/$name" \
    -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=30 -print_final_stats=1 \
    -artifact_prefix="$work/artifacts/$name-" $(dictionary "$name") \
    >"$work/logs/$name.log" 2>&1 || true
}

running=0
for name in "${targets[@]}"; do
  run "$name" &
  running=$((running + 1))
  if [ "$running" -ge "$jobs" ]; then
    wait -n || true
    running=$((running - 1))
  fi
done
wait

printf '%-16s %10s %8s %10s %22s %s\n' target executions exec/s seconds coverage findings
for name in "${targets[@]}"; do
  log=$work/logs/$name.log
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
  rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log")
  took=$(sed -n 's/^Done [0-9]* runs in \([0-9]*\) second.*/\1/p' "$log")
  coverage=$(grep -E '^#[0-9]+' "$log" | tail -1 | grep -oE 'cov: [0-9]+ ft: [0-9]+' || true)
  findings=$(find "$work/artifacts" -name "$name-*" | wc -l)
  printf '%-16s %10s %8s %10s %22s %s\n' "$name" "${runs:-?}" "${rate:-?}" "${took:-?}" \
    "${coverage:-?}" "$findings"
done
