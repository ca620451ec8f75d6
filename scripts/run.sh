#!/usr/bin/env bash
# Installs what is missing, builds Rimvista (the `release` preset) and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake --preset release
cmake --build --preset release --target rimvista
exec build/release/rimvista "$@"
