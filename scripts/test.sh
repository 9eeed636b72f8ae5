#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install_deps.sh test
scripts/build.sh build -DVS_BUILD_TESTS=ON -DVS_BUILD_BENCH=ON
cd build
ctest --output-on-failure -j"$(nproc)" --timeout 600
