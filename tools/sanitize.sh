#!/usr/bin/env bash
# Builds Zolt with ThreadSanitizer (build-tsan/) and with AddressSanitizer and
# UndefinedBehaviorSanitizer (build-asan/), each in its own build folder, and runs
# the whole test suite under each. Not part of CI: a cold build takes long.
#
#   JOBS=3 bash tools/sanitize.sh            # both
#   JOBS=3 bash tools/sanitize.sh asan       # one of them
#
# Each run's output is kept in <build folder>/sanitize.log. Leaks are not
# reported unless LEAKS=1 (Qt and the font libraries keep caches to the end).
set -uo pipefail
cd "$(dirname "$0")/.."
kinds=("$@")
[ ${#kinds[@]} -eq 0 ] && kinds=(tsan asan)
jobs=${JOBS:-3}
status=0
for kind in "${kinds[@]}"; do
  case "$kind" in
    tsan) flags="-fsanitize=thread" ;;
    asan) flags="-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer" ;;
    *) echo "unknown sanitizer '$kind' (tsan or asan)" >&2; exit 2 ;;
  esac
  dir="build-$kind"
  if [ ! -f "$dir/build.ninja" ]; then
    cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZOLT_BUILD_BENCH=OFF \
      -DCMAKE_CXX_FLAGS="$flags" -DCMAKE_EXE_LINKER_FLAGS="$flags" \
      -DCMAKE_SHARED_LINKER_FLAGS="$flags" >/dev/null || { status=1; continue; }
  fi
  if ! BUILD_DIR="$dir" JOBS="$jobs" bash tools/build.sh; then
    echo "$kind: build failed" >&2
    status=1
    continue
  fi
  (
    cd "$dir" || exit 1
    export QT_QPA_PLATFORM=offscreen TZ=Europe/Berlin LANG=en_US.UTF-8
    export TSAN_OPTIONS="halt_on_error=0 die_after_fork=0 second_deadlock_stack=1 history_size=4 suppressions=$PWD/../tools/tsan.supp"
    export ASAN_OPTIONS="detect_leaks=${LEAKS:-0} abort_on_error=0 strict_string_checks=1"
    export UBSAN_OPTIONS="print_stacktrace=1 halt_on_error=1"
    ctest -j"$jobs" --timeout 3600 --output-on-failure
  ) 2>&1 | tee "$dir/sanitize.log"
  [ "${PIPESTATUS[0]}" -eq 0 ] || status=1
  echo "$kind: findings, if any, are in $dir/sanitize.log"
done
exit $status
