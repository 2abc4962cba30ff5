#!/bin/bash
# Every comparison of docs/PERFORMANCE.md against the peers, side by side in one run, with the
# ratios in one table at the end:
#   codec      decode of the reference sample: veltrane_codec_bench, ours against Fast DDS's
#              DynamicPubSubType (CPU time, median of the repetitions)
#   passive    RECORD_DISSECTION of ddsperf recordings (size 0 and 1024, made here) against
#              tshark -T json, tshark -V and a bare libpcap loop (bench/passive-recording.sh)
#   active     ACTIVE_STATIC_MONITORING of a ddsperf pub stream against a plain Fast DDS
#              counting reader and ddsperf sub (bench/active-monitoring.sh)
#   injection  InjectMessage from JSON text against a plain Fast DDS writer of pre-encoded
#              payloads and ddsperf pub (bench/injection-throughput.sh)
# It builds what it needs first. Durations are chosen so that the whole run stays under ten
# minutes on the 2-core machine; each can be changed through the environment:
#   RECORD_SECONDS (11: at 20 kHz, over 200,000 samples per recording), ACTIVE_SECONDS (5),
#   INJECTION_SECONDS (3), INJECTION_ROUNDS (1), CODEC_REPETITIONS (3), REPEATS (3: runs of each
#   reader of a recording, the median kept); SKIP_BUILD=1 runs the
#   benchmarks as they are built (while another build uses the same folder).
# The DATA_FRAG recording benchmark (bench/frag-recording.sh) takes about five minutes alone
# for its 1 GB recording, so it is not part of this run.
#
#   bench/compare-peers.sh [build folder] [work folder]
set -euo pipefail

ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${1:-$ROOT/build}
WORK=${2:-$BUILD/compare-peers}
RECORD_SECONDS=${RECORD_SECONDS:-11}
ACTIVE_SECONDS=${ACTIVE_SECONDS:-5}
INJECTION_SECONDS=${INJECTION_SECONDS:-3}
INJECTION_ROUNDS=${INJECTION_ROUNDS:-1}
CODEC_REPETITIONS=${CODEC_REPETITIONS:-3}
mkdir -p "$WORK"
RESULTS=$WORK/results.txt
: > "$RESULTS"

started=$(date +%s)
load() { cut -d' ' -f1-3 /proc/loadavg; }
echo "machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //')"
echo "date: $(date -u '+%Y-%m-%d %H:%M UTC'); load average at start: $(load)"

section() { echo; echo "=== $1 ($(($(date +%s) - started)) s, load $(load))"; }

# result <area> <workload> <veltrane rate> <peer rates> <ratio> <target> <met>
result() { printf '%s\t%s\t%s\t%s\t%s\t%s\t%s\n' "$@" >> "$RESULTS"; }
verdict() { awk -v r="$1" -v t="$2" 'BEGIN { print (r >= t ? "met" : "missed") }'; }

section "build"
[ "${SKIP_BUILD:-0}" = 1 ] || cmake --build "$BUILD" -j2 --target veltrane_codec_bench veltrane_passive_recording_bench \
  veltrane_pcap_read_loop veltrane_active_monitoring_bench veltrane_injection_bench > "$WORK/build.log" 2>&1 ||
  { tail -20 "$WORK/build.log"; exit 1; }

section "codec"
"$BUILD/bench/veltrane_codec_bench" --benchmark_filter='Decode' --benchmark_repetitions="$CODEC_REPETITIONS" \
  --benchmark_report_aggregates_only=true --benchmark_format=json 2> /dev/null > "$WORK/codec.json"
median() { jq -r --arg n "$1_median" '.benchmarks[] | select(.name == $n) | .cpu_time' "$WORK/codec.json"; }
ours=$(median BM_DecodeVeltrane)
theirs=$(median BM_DecodeFastDds)
awk -v o="$ours" -v t="$theirs" 'BEGIN { printf "decode per sample: veltrane %.0f ns, Fast DDS %.0f ns\n", o, t }'
ratio=$(awk -v o="$ours" -v t="$theirs" 'BEGIN { printf "%.1f", t / o }')
result codec "decode 976-byte reference sample" \
  "$(awk -v o="$ours" 'BEGIN { printf "%.0f/s", 1e9 / o }')" \
  "$(awk -v t="$theirs" 'BEGIN { printf "Fast DDS %.0f/s", 1e9 / t }')" "${ratio} x" ">= 10 x" "$(verdict "$ratio" 10)"

section "passive recordings"
"$ROOT/bench/passive-recording.sh" "$BUILD" "$WORK/passive" "$RECORD_SECONDS" | tee "$WORK/passive.txt"
# Rows "| reader | samples | seconds | samples/s | MB/s |" under "## ... size N: ..." headings.
for size in 0 1024; do
  rate() {
    awk -F'|' -v size="$size" -v reader="$1" '
      /^## / { current = ($0 ~ ("size " size ":")) }
      current && NF > 5 { name = $2; gsub(/^ +| +$/, "", name); if (name == reader) { v = $5; gsub(/ /, "", v); print v } }' \
      "$WORK/passive.txt"
  }
  engine=$(rate "veltrane (JSON)")
  json=$(rate "tshark -T json")
  verbose=$(rate "tshark -V")
  loop=$(rate "pcap_loop")
  if [ -z "$engine" ] || [ -z "$json" ]; then
    result passive "ddsperf recording size $size" "n/a" "n/a" "n/a" ">= 20 x" "not measured"
    continue
  fi
  r_json=$(awk -v e="$engine" -v p="$json" 'BEGIN { printf "%.1f", e / p }')
  r_verbose=$(awk -v e="$engine" -v p="$verbose" 'BEGIN { printf "%.1f", e / p }')
  r_loop=$(awk -v e="$engine" -v p="$loop" 'BEGIN { printf "%.4f", e / p }')
  result passive "recording size $size vs tshark -T json" "${engine}/s" "tshark -T json ${json}/s" "${r_json} x" ">= 20 x" "$(verdict "$r_json" 20)"
  result passive "recording size $size vs tshark -V" "${engine}/s" "tshark -V ${verbose}/s" "${r_verbose} x" ">= 5 x" "$(verdict "$r_verbose" 5)"
  result passive "recording size $size vs pcap loop" "${engine}/s" "pcap_loop ${loop}/s" "${r_loop}" "reported" "-"
done

section "active monitoring"
"$ROOT/bench/active-monitoring.sh" "$BUILD" "$ACTIVE_SECONDS" | tee "$WORK/active.txt"
for size in 0 1024; do
  rate() { awk -v s="$size" -v who="$1" '$1 == s && $2 == who { print $3 }' "$WORK/active.txt"; }
  engine=$(rate engine)
  plain=$(rate plain)
  sub=$(rate ddsperf)
  lost=$(awk -v s="$size" '$1 == s && $2 == "engine" { print $4 }' "$WORK/active.txt")
  r_plain=$(awk -v e="$engine" -v p="$plain" 'BEGIN { printf "%.2f", (p > 0 ? e / p : 0) }')
  r_sub=$(awk -v e="$engine" -v p="$sub" 'BEGIN { printf "%.3f", (p > 0 ? e / p : 0) }')
  met=$(verdict "$r_plain" 0.70)
  [ "${lost:-0}" = 0 ] || met="missed (lost $lost)"
  result active "ddsperf pub size $size, JSON to listener" "${engine}/s" "plain reader ${plain}/s" "$r_plain" ">= 0.70" "$met"
  result active "ddsperf pub size $size, JSON to listener" "${engine}/s" "ddsperf sub ${sub}/s" "$r_sub" "reported" "-"
done

section "injection"
"$ROOT/bench/injection-throughput.sh" "$BUILD" "$INJECTION_SECONDS" "$INJECTION_ROUNDS" | tee "$WORK/injection.txt"
for size in 0 1024; do
  read -r pub plain json < <(awk -v s="$size" '$1 == s && NF >= 6 { print $2, $3, $4 }' "$WORK/injection.txt")
  r_plain=$(awk -v e="$json" -v p="$plain" 'BEGIN { printf "%.2f", (p > 0 ? e / p : 0) }')
  r_pub=$(awk -v e="$json" -v p="$pub" 'BEGIN { printf "%.3f", (p > 0 ? e / p : 0) }')
  result injection "KeyedSeq size $size from JSON text" "${json}/s" "plain writer ${plain}/s" "$r_plain" ">= 0.50" "$(verdict "$r_plain" 0.50)"
  result injection "KeyedSeq size $size from JSON text" "${json}/s" "ddsperf pub ${pub}/s" "$r_pub" "reported" "-"
done

section "summary"
echo "whole run: $(($(date +%s) - started)) s; load average at the end: $(load)"
echo
echo "| area | workload | veltrane | peer | ratio | target | result |"
echo "|---|---|---|---|---|---|---|"
awk -F'\t' '{ printf "| %s | %s | %s | %s | %s | %s | %s |\n", $1, $2, $3, $4, $5, $6, $7 }' "$RESULTS"
