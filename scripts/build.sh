#!/usr/bin/env bash
# One entry point for set-up, build and tests on a fresh Debian 12 machine.
#   scripts/build.sh          install dependencies, configure and build
#   scripts/build.sh test     ... then run the whole test suite with CTest
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh

build_dir=${VELTRANE_BUILD_DIR:-build}
jobs=$(nproc)
export CCACHE_DIR=${CCACHE_DIR:-$HOME/.cache/veltrane-ccache}
# Clones in other folders (CI) reuse the cache: paths are hashed relative to the checkout.
export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$PWD}
export CCACHE_NOHASHDIR=${CCACHE_NOHASHDIR:-true}
cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$build_dir" -j "$jobs"

if [ "${1:-}" = "test" ]; then
  ctest --test-dir "$build_dir" -j "$jobs" --output-on-failure --timeout 600
fi
