#!/usr/bin/env bash
# Makes the README's picture of the main window: a generated sample store of
# 1000 events, Zolt started on it in an X server of its own (Xvfb), and the
# window taken once it has stopped changing.
#   bash tools/screenshot.sh [OUT.png]     (default: docs/main-window.png)
# Needs a build (tools/build.sh) and Xvfb, xdotool and ImageMagick (tools/setup.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR=${BUILD_DIR:-build}
OUT=${1:-docs/main-window.png}
mkdir -p "$(dirname "$OUT")"

work=$(mktemp -d)
xvfb_pid=""
zolt_pid=""
cleanup() {
  [ -n "$zolt_pid" ] && kill "$zolt_pid" 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

"$BUILD_DIR/bench/zolt-sample-store" "$work/store" 1000 >/dev/null
mkdir -p "$work/cloud"
# A fixed window size, and no setup assistant over the window.
cat >"$work/Defaults.plist" <<'PLIST'
<?xml version="1.0" encoding="UTF-8"?>
<!DOCTYPE plist PUBLIC "-//Apple//DTD PLIST 1.0//EN" "http://www.apple.com/DTDs/PropertyList-1.0.dtd">
<plist version="1.0">
<dict>
	<key>Check Config at Startup</key>
	<false/>
	<key>NSWindow Frame MainWindow</key>
	<string>{{0, 0}, {1400, 900}}</string>
</dict>
</plist>
PLIST

# Xvfb picks a free display itself and names it on the descriptor given.
exec 3< <(Xvfb -displayfd 1 -screen 0 1400x900x24 -nolisten tcp 2>/dev/null & echo "pid $!")
read -r -u 3 first
read -r -u 3 second
for line in "$first" "$second"; do
  case $line in
    pid\ *) xvfb_pid=${line#pid } ;;
    *) display=":$line" ;;
  esac
done
export DISPLAY=$display

ZOLT_STORE_DIR="$work/store" ZOLT_DEFAULTS="$work/Defaults.plist" ZOLT_CLOUD_DIR="$work/cloud" \
  XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data" QT_QPA_PLATFORM=xcb \
  "$BUILD_DIR/zolt" >"$work/zolt.log" 2>&1 &
zolt_pid=$!

# The picture is taken once two screens a second apart are the same (the year
# page and the side pages drawn, the progress strip gone), not before three
# seconds and at most after a minute.
previous=""
for second in $(seq 1 60); do
  sleep 1
  if ! kill -0 "$zolt_pid" 2>/dev/null; then
    echo "zolt ended early:" >&2; cat "$work/zolt.log" >&2; exit 1
  fi
  import -window root "$work/shot.png" 2>/dev/null || continue
  sum=$(md5sum <"$work/shot.png")
  [ "$sum" = "$previous" ] && [ "$second" -ge 3 ] && break
  previous=$sum
done
# Stored as a palette image: the README's copy stays small.
convert "$work/shot.png" -colors 256 PNG8:"$OUT"
echo "$OUT"
