#!/usr/bin/env bash
# Runs the peer vdir calendar khal on the same generated sample store as Zolt's
# store, compares the two occurrence lists of one span (uid, start, end) and then
# prints both timings side by side.
#
#   bench/compare-khal.sh                 10k events, the year 2024
#   EVENTS=1000 FROM=2024-03-01 TO=2024-04-01 bench/compare-khal.sh
#
# Timings are wall-clock seconds of one run each, both from a cold start: Zolt's
# dump tool opens (reads and indexes) the store and queries the span; khal's
# cache database is removed first, so it reads and indexes the store too.
set -euo pipefail
cd "$(dirname "$0")/.."

EVENTS=${EVENTS:-10000}
FROM=${FROM:-2024-01-01}
TO=${TO:-2025-01-01}
BUILD_DIR=${BUILD_DIR:-build-bench}
export TZ=${TZ:-Europe/Berlin}
export LANG=C.UTF-8

if ! command -v khal >/dev/null 2>&1; then
    echo "Installing khal ..."
    SUDO=""
    if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends khal >/dev/null
fi

BUILD_TYPE=Release BUILD_DIR="$BUILD_DIR" JOBS="${JOBS:-4}" \
    bash tools/build.sh zolt-sample-store zolt-store-dump >/dev/null

WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
STORE="$WORK/store"
"$BUILD_DIR/bench/zolt-sample-store" "$STORE" "$EVENTS"

# khal reads the same folders; its dates and times are written the way the dump tool writes them.
{
    echo "[calendars]"
    for folder in "$STORE"/*/; do
        name=$(basename "$folder")
        printf '[[%s]]\npath = %s\ntype = calendar\n' "$name" "${folder%/}"
    done
    cat <<EOF
[locale]
timeformat = %H:%M
dateformat = %Y-%m-%d
longdateformat = %Y-%m-%d
datetimeformat = %Y-%m-%dT%H:%M
longdatetimeformat = %Y-%m-%dT%H:%M
local_timezone = $TZ
default_timezone = $TZ
[sqlite]
path = $WORK/khal.db
EOF
} >"$WORK/khal.conf"

now() { date +%s.%N; }

# khal's end day is included; the dump tool's is not.
LAST=$(date -d "$TO - 1 day" +%F)

t0=$(now)
"$BUILD_DIR/bench/zolt-store-dump" "$STORE" "$FROM" "$TO" >"$WORK/zolt.txt" 2>"$WORK/zolt.err"
t1=$(now)
rm -f "$WORK/khal.db"
khal -c "$WORK/khal.conf" list --format "{uid}|{start}|{end}" --day-format "" "$FROM" "$LAST" \
    >"$WORK/khal.txt" 2>"$WORK/khal.err"
t2=$(now)

# khal lists an event on every day it covers, so both lists are compared as sets
# of distinct uid|start|end lines.
cut -d'|' -f1-3 "$WORK/zolt.txt" | sort -u >"$WORK/zolt.norm"
grep '|' "$WORK/khal.txt" | cut -d'|' -f1-3 | sort -u >"$WORK/khal.norm"

echo "Sample store: $EVENTS event series, span $FROM to $TO (exclusive), TZ=$TZ"
echo "Occurrences: zolt $(wc -l <"$WORK/zolt.norm"), khal $(wc -l <"$WORK/khal.norm")"
if [ -s "$WORK/zolt.err" ]; then echo "zolt reported:"; head -5 "$WORK/zolt.err"; fi
if [ -s "$WORK/khal.err" ]; then echo "khal reported:"; head -5 "$WORK/khal.err"; fi
differences=$(diff "$WORK/zolt.norm" "$WORK/khal.norm" | grep -c '^[<>]' || true)
if [ "$differences" -eq 0 ]; then
    echo "Occurrence lists: identical"
else
    echo "Occurrence lists: $differences lines differ (< zolt only, > khal only), first ones:"
    diff "$WORK/zolt.norm" "$WORK/khal.norm" | grep '^[<>]' | head -20 || true
fi

awk -v t0="$t0" -v t1="$t1" -v t2="$t2" 'BEGIN {
    zolt = t1 - t0; khal = t2 - t1
    printf "%-36s %10s\n", "Cold open + query of the span", "seconds"
    printf "%-36s %10.3f\n", "zolt-store-dump", zolt
    printf "%-36s %10.3f\n", "khal list (cache removed)", khal
    printf "%-36s %9.1fx\n", "zolt is faster by", khal / zolt
}'
