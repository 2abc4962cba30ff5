#!/usr/bin/env bash
# Rebuilds the Cyclone DDS peer (tests/interop_peers) and regenerates the golden payloads,
# values and key hashes under tests/data/golden/rich from it. Commit the result.
#   scripts/regenerate-golden.sh            build folder: build-golden
#   VELTRANE_GOLDEN_BUILD_DIR=dir scripts/regenerate-golden.sh
set -euo pipefail
cd "$(dirname "$0")/.."

build_dir=${VELTRANE_GOLDEN_BUILD_DIR:-build-golden}
golden_dir=tests/data/golden/rich

cmake -S . -B "$build_dir" -G Ninja > /dev/null
cmake --build "$build_dir" --target rich_peer
peer=$build_dir/tests/interop_peers/rich_peer
if [ ! -x "$peer" ]; then
  echo "rich_peer was not built (is cyclonedds-dev installed?)" >&2
  exit 1
fi

# Write into a fresh folder first so a failing peer leaves the committed files untouched.
staging=$(mktemp -d)
trap 'rm -rf "$staging"' EXIT
"$peer" write "$staging"
rm -rf "$golden_dir"
mkdir -p "$golden_dir"
cp "$staging"/* "$golden_dir"/
echo "regenerated $(ls "$golden_dir" | wc -l) files in $golden_dir with $peer"

# The new values must still fit the XML type files that the codec tests decode them with.
cmake --build "$build_dir" --target veltrane_interop_peers_tests
"$build_dir"/tests/interop_peers/veltrane_interop_peers_tests --gtest_brief=1
