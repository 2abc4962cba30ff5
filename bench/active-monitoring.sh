#!/bin/bash
# Active monitoring throughput on loopback: `ddsperf pub` publishes KeyedSeq (size 0 and size
# 1024) as fast as it can, reliably, and one subscriber at a time takes the stream for the same
# time: `ddsperf sub` (the peer), the engine's own Fast DDS reader that only counts (the limit
# of the transport) and the engine in ACTIVE_STATIC_MONITORING delivering every sample as JSON.
# Usage: bench/active-monitoring.sh [build dir] [seconds per run]
set -euo pipefail
build=${1:-build}
seconds=${2:-10}
domain=178
here=$(cd "$(dirname "$0")/.." && pwd)
xml=$here/tests/data/active/keyedseq_monitor.xml
bench=$build/bench/veltrane_active_monitoring_bench
export CYCLONEDDS_URI='<General><Interfaces><NetworkInterface name="lo" multicast="true"/></Interfaces></General><Discovery><ParticipantIndex>auto</ParticipantIndex></Discovery>'
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Mean of ddsperf sub's per-second rates (kS/s) after its first second, as samples/s.
ddsperf_rate() {
  awk '/ size .* rate / { for (i = 1; i <= NF; i++) if ($i == "rate") { n++; if (n > 1) { s += $(i+1); m++ } } }
       END { if (m) printf "%.0f", s / m * 1000; else print 0 }' "$1"
}
ddsperf_lost() { awk '/ size .* lost / { l = $8 } END { print l + 0 }' "$1"; }

printf '%-6s %-14s %12s %10s\n' size subscriber samples/s lost
for size in 0 1024; do
  declare -A rate=()
  for subscriber in ddsperf plain engine; do
    # Long enough for a slow discovery; stopped once the subscriber is done.
    ddsperf -i $domain -D $((seconds + 30)) pub size $size > "$work/pub.txt" 2>&1 &
    pub=$!
    case $subscriber in
      ddsperf)
        ddsperf -i $domain -D $((seconds + 1)) sub > "$work/sub.txt" 2>&1
        rate[$subscriber]=$(ddsperf_rate "$work/sub.txt"); lost=$(ddsperf_lost "$work/sub.txt") ;;
      *)
        "$bench" $subscriber "$xml" $domain $seconds > "$work/bench.txt" 2>/dev/null
        rate[$subscriber]=$(awk '{ for (i = 1; i <= NF; i++) if ($i == "rate") printf "%.0f", $(i+1) }' "$work/bench.txt")
        lost=$(awk '{ for (i = 1; i <= NF; i++) if ($i == "dropped") print $(i+1) }' "$work/bench.txt"); lost=${lost:-0} ;;
    esac
    kill $pub 2>/dev/null || true
    wait $pub || true
    printf '%-6s %-14s %12s %10s\n' $size $subscriber "${rate[$subscriber]}" "$lost"
  done
  awk -v e="${rate[engine]}" -v p="${rate[plain]}" -v d="${rate[ddsperf]}" -v s=$size \
    'BEGIN { printf "size %s: engine / plain reader = %.2f, engine / ddsperf sub = %.2f\n", s, e / p, e / d }'
done
