#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test with CTest.
set -euo pipefail
cd "$(dirname "$0")"
source scripts/deps.sh
sheetcut_install_deps

preset="${1:-default}"
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" -j "$(nproc)"
export QT_QPA_PLATFORM=offscreen
ctest --preset "$preset"
