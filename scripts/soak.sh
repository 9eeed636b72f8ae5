#!/usr/bin/env bash
# The soak: builds the game with AddressSanitizer, LeakSanitizer and UBSan in build-soak/ and
# runs it in-process on a virtual screen for MINUTES (default 30) of random mouse, key and
# virtual-joystick input, printing its resident memory every minute. Any sanitizer report
# ends the run with a non-zero exit; the log is kept in build-soak/soak.log.
# usage: scripts/soak.sh [MINUTES] [SEED]
set -eo pipefail
minutes=${1:-30}
seed=${2:-}
cd "$(dirname "$0")/.."
src=$(pwd)
cmake -S . -B build-soak -DVS_SANITIZE=ON -DVS_BUILD_TESTS=ON -DVS_BUILD_BENCH=OFF >/dev/null
cmake --build build-soak -j2 --target game_soak

# Leaks only the system's GL and SDL libraries keep are forgiven (scripts/soak_lsan.supp).
export LSAN_OPTIONS="suppressions=$src/scripts/soak_lsan.supp:print_suppressions=1"
export ASAN_OPTIONS="detect_leaks=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
status=0
tests/game/soak_run.sh build-soak/tests/game/game_soak "$minutes" $seed | tee build-soak/soak.log ||
  status=$?
echo "soak exit status: $status (log: build-soak/soak.log)"
exit "$status"
