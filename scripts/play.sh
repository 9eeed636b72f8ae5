#!/usr/bin/env bash
# Installs what is missing, builds and starts the game from the repository root,
# where its data/ folder lies.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install_deps.sh game
scripts/build.sh -DVS_BUILD_TESTS=OFF -DVS_BUILD_BENCH=OFF
exec ./build/vektor-swarm
