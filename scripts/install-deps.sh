#!/usr/bin/env bash
# Installs every Debian 12 package the build, the tests and the benchmarks need.
# Idempotent and non-interactive; safe to run on a fresh machine or an already set-up one.
set -euo pipefail

packages=(
  # build
  g++ cmake ninja-build ccache pkg-config make git
  # libraries
  libboost1.81-dev libboost-log1.81-dev libboost-thread1.81-dev
  libpugixml-dev libxml2-dev libxml2-utils nlohmann-json3-dev libpcap-dev
  libfastrtps-dev libfastcdr-dev libcli11-dev
  # tests, peers and benchmarks
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  cyclonedds-dev cyclonedds-tools tshark tcpdump iproute2 python3
  # fuzzing and sanitizers
  clang-14 libclang-rt-14-dev
)

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi

export DEBIAN_FRONTEND=noninteractive
# tshark asks whether non-root users may capture; answer once, non-interactively.
echo "wireshark-common wireshark-common/install-setuid boolean false" | $SUDO debconf-set-selections 2>/dev/null || true

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "install-deps: all ${#packages[@]} packages already installed"
  exit 0
fi

echo "install-deps: installing ${missing[*]}"
$SUDO apt-get update -q
$SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
