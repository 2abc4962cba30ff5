#!/usr/bin/env bash
# Hostile recordings: derives, with a fixed seed, corrupted recordings from the real ones in
# tests/data (bytes flipped, sub-message lengths broken, frames truncated, duplicated,
# reordered, IPv4 fragments and DATA_FRAG fragments dropped), dissects each with
# `veltrane dissect` (meant for the AddressSanitizer build) under a timeout, and checks that
#   - nothing crashed, leaked (LeakSanitizer), hit undefined behaviour, or hung;
#   - the tool exited 0 (a corrupt frame is data to drop, not a reason to fail);
#   - the summary accounts for every frame: frames read = frames in the file, RTPS messages
#     parsed + non-RTPS frames <= frames read (fragments reassemble to fewer messages), the
#     JSON lines written = samples written = user samples delivered = the sum over topics,
#     and nothing is left queued in the pipeline.
#   scripts/hostile-recordings.sh [--veltrane PATH] [--mutate PATH] [--per-recording N]
#                                 [--seed S] [--jobs J] [--timeout SECONDS] [--work DIR]
# Defaults: build-asan's tool and mutator, 250 files per recording, seed 20261205, 2 jobs,
# 120 s per file, work folder /tmp/veltrane-hostile. Exits 1 on any finding.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

veltrane=$root/build-asan/tools/veltrane/veltrane
mutate=$root/build-asan/tests/hostile/veltrane_hostile_mutate
per_recording=250
seed=20261205
jobs=2
timeout_seconds=120
work=/tmp/veltrane-hostile

# One file: dissect it and print one result line "<verdict> <path> <mutations> <detail>".
check_one() {  # check_one "<path>\t<frames>\t<mutations>\t<type file>,<type file>..."
  local path frames mutations type_list
  IFS=$'\t' read -r path frames mutations type_list <<< "$1"
  local types=()
  local IFS=,
  for t in $type_list; do types+=(-x "$t"); done
  unset IFS
  local out=${path%.pcap}.jsonl err=${path%.pcap}.stderr logs=${path%.pcap}.logs
  local rc=0
  timeout -s KILL "$timeout_seconds" "$veltrane" dissect "${types[@]}" --no-progress -o "$out" \
    --log-dir "$logs" "$path" 2> "$err" || rc=$?
  local verdict=ok detail=""
  if grep -q "ERROR: LeakSanitizer" "$err"; then
    verdict=leak
  elif grep -q -e "ERROR: AddressSanitizer" -e "runtime error:" -e "ThreadSanitizer" "$err"; then
    verdict=crash detail=$(grep -m1 -e "ERROR: AddressSanitizer" -e "runtime error:" "$err" | tr ' ' '_')
  elif [ "$rc" -eq 137 ]; then
    verdict=hang
  elif [ "$rc" -ge 128 ]; then
    verdict=crash detail=signal_$((rc - 128))
  elif [ "$rc" -ne 0 ]; then
    verdict=failed detail=exit_$rc
  else
    figure() { awk -v label="$1" 'index($0, "  " label " ") == 1 { print $NF; f = 1; exit } END { if (!f) print 0 }' "$err"; }
    local read parsed nonrtps delivered written lines topics queued
    read=$(figure "frames read")
    parsed=$(figure "RTPS messages parsed")
    nonrtps=$(figure "  non-RTPS")
    delivered=$(figure "user samples delivered")
    written=$(figure "samples written")
    lines=$(wc -l < "$out")
    # Topic lines are the four-space-indented ones between "user samples delivered" and
    # "samples written".
    topics=$(awk '/^  user samples delivered/ { on = 1; next } /^  samples written/ { on = 0 }
                  on && /^    / { s += $NF } END { print s + 0 }' "$err")
    queued=$(grep -c "^  queued in" "$err" || true)
    if [ "$read" -ne "$frames" ]; then
      detail="frames_read_${read}_of_${frames}"
    elif [ $((parsed + nonrtps)) -gt "$read" ]; then
      detail="parsed_${parsed}+non_rtps_${nonrtps}>frames_${read}"
    elif [ "$lines" -ne "$written" ] || [ "$written" -ne "$delivered" ] || [ "$topics" -ne "$delivered" ]; then
      detail="lines_${lines}_written_${written}_delivered_${delivered}_topics_${topics}"
    elif [ "$queued" -ne 0 ]; then
      detail="left_queued"
    fi
    [ -z "$detail" ] || verdict=mismatch
  fi
  echo "$verdict $path $mutations $detail"
  if [ "$verdict" = ok ]; then rm -rf "$out" "$err" "$logs" "$path"; fi
}

if [ "${1:-}" = "--one" ]; then
  veltrane=$2 timeout_seconds=$3
  check_one "$4"
  exit 0
fi

while [ $# -gt 0 ]; do
  case $1 in
    --veltrane) veltrane=$2 ;;
    --mutate) mutate=$2 ;;
    --per-recording) per_recording=$2 ;;
    --seed) seed=$2 ;;
    --jobs) jobs=$2 ;;
    --timeout) timeout_seconds=$2 ;;
    --work) work=$2 ;;
    *) echo "hostile-recordings: unknown option $1" >&2; exit 2 ;;
  esac
  shift 2
done
for tool in "$veltrane" "$mutate"; do
  [ -x "$tool" ] || { echo "hostile-recordings: $tool is not built" >&2; exit 2; }
done

# Leaks fail the run; reports inside Fast DDS and the system libraries are filtered.
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1}
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$root/scripts/sanitizers/lsan.supp:print_suppressions=0}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

data=$root/tests/data
# Each real recording with the type files that decode it.
sources=(
  "passive/ddsperf_lo.pcap|passive/keyedseq.xml"
  "passive/ddsperf_any.pcap|passive/keyedseq.xml"
  "passive/ddsperf_any_sll1.pcap|passive/keyedseq.xml"
  "passive/ddsperf_fragments.pcap|passive/keyedseq.xml"
  "passive_e2e/fastdds_lo.pcap|passive_e2e/fast_sample.xml"
  "passive_e2e/fastdds_fragments.pcap|passive_e2e/fast_sample.xml"
  "passive_e2e/rich_lo.pcap|types/rich"
  "passive_e2e/rich_any.pcap|types/rich"
  "frag/cyclone_lo.pcap|passive/keyedseq.xml"
  "frag/cyclone_mtu1500.pcap|passive/keyedseq.xml"
  "frag/cyclone_dumpcap.pcapng|passive/keyedseq.xml"
  "frag/fastdds_100k.pcap|frag/fast_sample_100k.xml"
)

rm -rf "$work"
mkdir -p "$work/files"
tasks=$work/tasks.txt results=$work/results.txt
: > "$tasks"
started=$(date +%s)
for source in "${sources[@]}"; do
  recording=${source%%|*} types=${source#*|}
  type_paths=
  for t in ${types//,/ }; do type_paths+=${type_paths:+,}$data/$t; done
  # Each recording gets its own seed range, whatever the order of this list.
  offset=$(printf '%s' "$recording" | cksum | cut -d' ' -f1)
  "$mutate" $((seed + offset)) "$per_recording" "$work/files" "$data/$recording" |
    awk -F'\t' -v types="$type_paths" '{ printf "%s\t%s\t%s\t%s\n", $1, $2, ($3 == "" ? "none" : $3), types }' >> "$tasks"
done
echo "hostile-recordings: $(wc -l < "$tasks") files from ${#sources[@]} recordings (seed $seed)," \
  "$jobs jobs, ${timeout_seconds}s per file, $veltrane"
# Interleaved (a fixed shuffle), so that a run cut short has still covered every recording.
shuf --random-source=<(yes "$seed") "$tasks" |
  xargs -d '\n' -n 1 -P "$jobs" bash "$0" --one "$veltrane" "$timeout_seconds" > "$results"

elapsed=$(( $(date +%s) - started ))
count() { grep -c "^$1 " "$results" || true; }
echo "hostile-recordings: files $(wc -l < "$results"), ok $(count ok), crashes $(count crash)," \
  "leaks $(count leak), hangs $(count hang), failed $(count failed)," \
  "accounting mismatches $(count mismatch), ${elapsed}s"
# What the mutations did, over all files.
tr ' ' '\n' < <(awk '{ print $3 }' "$results" | tr ',' ' ') | sort | uniq -c | sort -rn |
  awk '{ printf "  %-14s %s\n", $2, $1 }'
if grep -v "^ok " "$results"; then
  echo "hostile-recordings: findings above; their files, output and stderr stay in $work/files" >&2
  exit 1
fi
