#!/usr/bin/env bash
# Builds the fuzz targets with clang's libFuzzer and runs each for a while.
#
#   bash tools/fuzz/fuzz.sh [seconds per target]     (default 300)
#
# Installs clang when it is missing (not part of the normal set-up). The seed
# corpus is taken from the calendar and settings texts of the tests; new inputs
# and crashes land in build-fuzz/ of the checkout.
set -euo pipefail
cd "$(dirname "$0")/../.."
SECONDS_PER_TARGET="${1:-300}"
JOBS="${JOBS:-3}"

if ! command -v clang++ >/dev/null; then
  SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  $SUDO apt-get update
  $SUDO apt-get install -y clang
fi

BUILD=build-fuzz
cmake -S tools/fuzz -B "$BUILD" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=Debug >/dev/null
cmake --build "$BUILD" -j "$JOBS"

# Seeds: the lines the tests write, cut out of their sources.
mkdir -p "$BUILD/seeds/ics" "$BUILD/seeds/plist" "$BUILD/corpus/ics" "$BUILD/corpus/plist"
python3 tools/fuzz/seeds.py "$BUILD/seeds"

run() {
  local target="$1" corpus="$2" seeds="$3"
  echo "== $target for ${SECONDS_PER_TARGET}s"
  "$BUILD/$target" -max_total_time="$SECONDS_PER_TARGET" -timeout=10 -rss_limit_mb=3072 \
    -max_len=65536 -artifact_prefix="$BUILD/$target-" -print_final_stats=1 \
    "$corpus" "$seeds" 2>&1 | tail -25
}
export QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=0
run fuzz_ics "$BUILD/corpus/ics" "$BUILD/seeds/ics"
run fuzz_plist "$BUILD/corpus/plist" "$BUILD/seeds/plist"
