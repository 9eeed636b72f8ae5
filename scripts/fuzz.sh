#!/usr/bin/env bash
# Builds every fuzz target with clang under AddressSanitizer and UBSan and fuzzes
# each for the given number of seconds (default 60), starting from fuzz/corpus/<name>/.
# Usage: scripts/fuzz.sh [seconds] [target-name ...]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
shift || true
scripts/install_deps.sh fuzz
CC=clang CXX=clang++ cmake -S . -B build-fuzz -DVS_FUZZ=ON -DVS_SANITIZE=ON \
  -DVS_BUILD_TESTS=OFF -DVS_BUILD_BENCH=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for f in fuzz/corpus/*/; do targets+=("$(basename "$f")"); done
fi
cmake --build build-fuzz -j"$(nproc)" --target "${targets[@]/#/fuzz_}"
for t in "${targets[@]}"; do
  work="build-fuzz/corpus/$t"
  mkdir -p "$work" "build-fuzz/crashes/$t"
  seeds=("fuzz/corpus/$t")
  if [ "$t" = font ]; then
    # Real outline fonts from the installed fonts-play package seed the font target as well.
    seeds+=(/usr/share/fonts/truetype/play /usr/share/fonts/opentype/play)
  fi
  echo "== fuzz_$t for ${seconds}s"
  "build-fuzz/fuzz/fuzz_$t" -max_total_time="$seconds" -print_final_stats=1 \
    -artifact_prefix="build-fuzz/crashes/$t/" -rss_limit_mb=2048 -malloc_limit_mb=1024 \
    "$work" "${seeds[@]}" 2>&1 | grep -E "^(stat::|==|SUMMARY|#[0-9]+[[:space:]]+(INITED|DONE))" || true
done
