#!/usr/bin/env bash
# Compare of a player that speaks MTP, in the MTP test machine, beside libmtp's own listing of
# the same storage (mtp-files) on the same boot: uMTP-Responder's storage holds 3,000 songs in
# 30 folders; a second boot lists one folder of 8,000 songs. Medians of five runs each.
# Usage: bench/mtp_bench.sh [BUILD_DIR]
set -uo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
compare=$build/parlowen-compare

cat >"$work/common.sh" <<'COMMON'
# The median of the numbers on standard input.
median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
# Seconds a command takes (to the hundredth: the clock of /proc/uptime), its output dropped.
seconds() {
    read -r start _ </proc/uptime
    "$@" >/dev/null 2>&1
    read -r end _ </proc/uptime
    awk -v a="$start" -v b="$end" 'BEGIN { printf "%.2f\n", b - a }'
}
COMMON

cat >"$work/folders.sh" <<'SCENARIO'
. /common.sh
for f in $(seq 30); do
    mkdir -p "/data/Music/Album $f"
    for s in $(seq 100); do echo "song $f $s" >"/data/Music/Album $f/Track $s.mp3"; done
done
mkdir /tmp/empty
address="mtp://Parlowen_Test_Player_0001/Internal storage/Music"
echo "rows: $(parlowen-compare "$address" /tmp/empty | grep -c '^L')"
for i in 1 2 3 4 5; do seconds mtp-files; done | median >/tmp/files
for i in 1 2 3 4 5; do seconds parlowen-compare "$address" /tmp/empty; done | median >/tmp/compare
echo "3,000 songs in 30 folders: mtp-files $(cat /tmp/files) s, Compare $(cat /tmp/compare) s," \
    "ratio $(awk -v a="$(cat /tmp/compare)" -v b="$(cat /tmp/files)" 'BEGIN { printf "%.2f", a / b }')"
SCENARIO

cat >"$work/wide.sh" <<'SCENARIO'
. /common.sh
mkdir -p /data/Wide
for s in $(seq 8000); do echo "song $s" >"/data/Wide/Track $s.mp3"; done
mkdir /tmp/empty
address="mtp://Parlowen_Test_Player_0001/Internal storage/Wide"
echo "one folder of 8,000 songs: $(parlowen-compare "$address" /tmp/empty 2>&1 | grep -c '^L') rows," \
    "Compare $(seconds parlowen-compare "$address" /tmp/empty) s, mtp-files $(seconds mtp-files) s"
SCENARIO

for scenario in folders wide; do
    cat "$work/common.sh" >"$work/run.sh"
    sed '1d' "$work/$scenario.sh" >>"$work/run.sh"
    tests/mtp/machine.sh "$build/mtp" "$work/run.sh" "$(command -v mtp-files)" "$compare" |
        grep -E "rows|songs|SKIP|FAIL"
done
