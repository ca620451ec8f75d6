#!/usr/bin/env bash
# Installs what is missing, builds Rimvista and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DRIMVISTA_TESTS=OFF -DRIMVISTA_BENCH=OFF
cmake --build build/release --target rimvista
exec build/release/rimvista "$@"
