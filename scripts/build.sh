#!/usr/bin/env bash
# One entry point for set-up, build and tests on a fresh Debian 12 machine.
#   scripts/build.sh           install dependencies, configure and build
#   scripts/build.sh test      ... then run the whole test suite with CTest
#   scripts/build.sh sanitize  the sanitizer configurations, each in its own build folder:
#                              asan (AddressSanitizer + UndefinedBehaviorSanitizer, the whole
#                              suite and the hostile recordings, build-asan) then tsan
#                              (ThreadSanitizer, the threaded pipelines' tests, build-tsan)
#   scripts/build.sh asan | tsan   one of the two
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh

jobs=$(nproc)
export CCACHE_DIR=${CCACHE_DIR:-$HOME/.cache/veltrane-ccache}
# Clones in other folders (CI) reuse the cache: paths are hashed relative to the checkout.
export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$PWD}
export CCACHE_NOHASHDIR=${CCACHE_NOHASHDIR:-true}

# Fast DDS and the system libraries are not instrumented: the suppression files filter what
# the sanitizers report inside them (each entry says why), never our own code.
sanitizer_environment() {
  local suppressions=$PWD/scripts/sanitizers
  # Fast DDS 2.9's RTPSWriter destructor frees with a size other than the one it allocated
  # (88 and 56 bytes); the check cannot be limited to one library, so it is off.
  export ASAN_OPTIONS=detect_leaks=1:detect_stack_use_after_return=0:new_delete_type_mismatch=0
  export LSAN_OPTIONS=suppressions=$suppressions/lsan.supp:print_suppressions=0
  export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
  export TSAN_OPTIONS=suppressions=$suppressions/tsan.supp:halt_on_error=1:second_deadlock_stack=1:history_size=4
}

configure() {  # configure <build folder> [cmake options]
  local dir=$1
  shift
  cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
}

# Sanitizer builds optimise less and keep only line tables (gcc's -g1): about half the compile
# time of -O2 -g, and the reports still name file and line.
configure_sanitized() {  # configure_sanitized <build folder> <sanitizers>
  configure "$1" -DVELTRANE_SANITIZE="$2" -DVELTRANE_BUILD_BENCH=OFF \
    -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g1 -DNDEBUG" -DCMAKE_C_FLAGS_RELWITHDEBINFO="-O1 -g1 -DNDEBUG"
}

# The whole suite under AddressSanitizer and UndefinedBehaviorSanitizer (label hostile: the
# hostile recordings); benchmarks are not tests and stay out.
run_asan() {
  sanitizer_environment
  configure_sanitized build-asan address,undefined
  cmake --build build-asan -j "$jobs"
  ctest --test-dir build-asan -j "$jobs" --output-on-failure --timeout 900
}

# The tests of the threaded pipelines (label thread) under ThreadSanitizer; only what they need
# is built, which keeps the configuration inside CI's time.
run_tsan() {
  sanitizer_environment
  configure_sanitized build-tsan thread
  cmake --build build-tsan -j "$jobs" --target veltrane_thread_sanitized_tests
  ctest --test-dir build-tsan -L thread -j "$jobs" --output-on-failure --timeout 900
}

case "${1:-}" in
  sanitize) run_asan; run_tsan; exit 0 ;;
  asan) run_asan; exit 0 ;;
  tsan) run_tsan; exit 0 ;;
esac

build_dir=${VELTRANE_BUILD_DIR:-build}
configure "$build_dir"
cmake --build "$build_dir" -j "$jobs"

if [ "${1:-}" = "test" ]; then
  ctest --test-dir "$build_dir" -j "$jobs" --output-on-failure --timeout 600
fi
