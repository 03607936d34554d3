#!/usr/bin/env bash
# Installs what is missing, builds, and starts Sheetcut.
set -euo pipefail
cd "$(dirname "$0")"
source scripts/deps.sh
sheetcut_install_deps

cmake --preset default >/dev/null
cmake --build --preset default -j "$(nproc)"
if [ -x build/default/bin/Sheetcut ]; then
  exec build/default/bin/Sheetcut "$@"
fi
echo "Built; the Sheetcut program is not part of this build yet."
