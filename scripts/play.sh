#!/usr/bin/env bash
# Installs what is missing, builds and starts the game from the repository root, where its
# data/ folder lies. It builds into build-play/, without tests or benchmarks, and leaves build/
# to the tests and to building by hand.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install_deps.sh game
scripts/build.sh build-play -DVS_BUILD_TESTS=OFF -DVS_BUILD_BENCH=OFF
exec ./build-play/vektor-swarm "$@"
