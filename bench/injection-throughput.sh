#!/usr/bin/env bash
# Message injection throughput, side by side in one run: samples/s that one thread publishes
# on ddsperf's KeyedSeq topic (reliable, loopback), for baggage sizes 0 and 1024, by
#   ddsperf pub      Cyclone DDS's own publisher (its rate lines, averaged after the first),
#   plain            a Fast DDS writer of our payload type writing pre-encoded payloads (the limit),
#   json             Veltrane::InjectMessage from JSON text.
# A `ddsperf sub` reads throughout, so every writer has a reliable reader to keep up with.
# The three take turns for ROUNDS rounds and each reports its best round, since on a shared
# machine other load comes and goes within a run.
#
#   bench/injection-throughput.sh [build dir] [seconds per run] [rounds]
set -euo pipefail

BUILD=${1:-build}
RUN_SECONDS=${2:-5}
ROUNDS=${3:-3}
DOMAIN=161
BENCH="$BUILD/bench/injection-throughput/veltrane_injection_bench"
WORK=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$WORK"' EXIT
export CYCLONEDDS_URI='<General><Interfaces><NetworkInterface name="lo" multicast="true"/></Interfaces></General><Discovery><ParticipantIndex>auto</ParticipantIndex></Discovery>'

# "[pid] 3.007  494k/s ..." lines: the mean of all but the first (warm-up) in samples/s.
ddsperf_rate() {
  awk '$3 ~ /\/s$/ { v = $3; sub(/\/s$/, "", v); m = 1;
                     if (v ~ /k$/) { m = 1e3; sub(/k$/, "", v) } else if (v ~ /M$/) { m = 1e6; sub(/M$/, "", v) }
                     n++; if (n > 1) { sum += v * m; c++ } }
       END { if (c) printf "%d", sum / c; else print "n/a" }' "$1"
}

echo "machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //'); $(date -u '+%Y-%m-%d %H:%M UTC')"
printf '%-6s %14s %14s %14s %10s %10s\n' size "ddsperf pub" plain json json/plain json/ddsperf
max() { if [ "$1" -gt "$2" ]; then echo "$1"; else echo "$2"; fi; }

for size in 0 1024; do
  ddsperf -i "$DOMAIN" -D $((ROUNDS * (3 * RUN_SECONDS + 8) + 10)) sub > "$WORK/sub.log" 2>&1 &
  sub=$!
  sleep 1
  pub=0 plain=0 json=0
  for round in $(seq "$ROUNDS"); do
    ddsperf -i "$DOMAIN" -D $((RUN_SECONDS + 1)) pub size "$size" > "$WORK/pub.log" 2>&1
    pub=$(max "$pub" "$(ddsperf_rate "$WORK/pub.log")")
    plain=$(max "$plain" "$("$BENCH" plain "$DOMAIN" "$size" "$RUN_SECONDS" | awk '/samples\/s$/ {print $4}')")
    json=$(max "$json" "$("$BENCH" json "$DOMAIN" "$size" "$RUN_SECONDS" | awk '/samples\/s$/ {print $4}')")
  done
  kill "$sub" 2>/dev/null || true
  wait "$sub" 2>/dev/null || true
  printf '%-6s %14s %14s %14s %9.0f%% %9.0f%%\n' "$size" "$pub" "$plain" "$json" \
    "$(echo "100 * $json / $plain" | bc -l)" "$(echo "100 * $json / $pub" | bc -l)"
done
