#!/usr/bin/env bash
# Installs what is missing, builds Zolt and starts it. Arguments go to the program.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/setup.sh
bash tools/build.sh zolt
exec "${BUILD_DIR:-build}/zolt" "$@"
