#!/usr/bin/env bash
# Players that speak MTP, in the MTP test machine, beside libmtp's own tools on the same boot:
# Compare of uMTP-Responder's storage holding 3,000 songs in 30 folders beside its mtp-files
# listing (medians of five runs); a second boot lists one folder of 8,000 songs; a third sends
# $MTP_BENCH_SONGS (40) songs of 1-3 MB through Sync beside mtp-sendfile sending them one by
# one (each of its runs opens the device anew, seconds under emulation), and times how soon a
# Ctrl+C in the middle of sending a 48 MB file and a 200 MB one ends the program.
# Usage: bench/mtp_bench.sh [BUILD_DIR [SCENARIO...]]   (folders, wide, sending; all by default)
set -uo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
shift
scenarios=${*:-folders wide sending full}
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

cat >"$work/sending.sh" <<'SCENARIO'
. /common.sh
mkdir -p /tmp/songs /data/Up /data/Stop /tmp/big
for s in $(seq SONGS); do
    dd if=/dev/urandom of="/tmp/songs/Track $s.flac" bs=1M count=$((1 + s % 3)) 2>/dev/null
done
mkdir -p /tmp/bigger /data/Stop2
dd if=/dev/urandom of=/tmp/big/long.flac bs=1M count=48 2>/dev/null
dd if=/dev/urandom of=/tmp/bigger/longer.flac bs=1M count=200 2>/dev/null
address="mtp://Parlowen_Test_Player_0001/Internal storage"
read -r start _ </proc/uptime
for s in $(seq SONGS); do mtp-sendfile "/tmp/songs/Track $s.flac" "sent-$s.flac" >/dev/null 2>&1; done
read -r end _ </proc/uptime
sendfile=$(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.2f", b - a }')
sync=$(seconds parlowen-compare --apply --no-log "$address/Up" /tmp/songs)
echo "SONGS songs of 1-3 MB: mtp-sendfile one by one $sendfile s, Sync $sync s," \
    "ratio $(awk -v a="$sync" -v b="$sendfile" 'BEGIN { printf "%.2f", a / b }')," \
    "$(parlowen-compare "$address/Up" /tmp/songs | grep -c '^OP') left to copy"
export XDG_STATE_HOME=/tmp/state
# Seconds from Ctrl+C to the end of a run sending the file in FOLDER to the player's TARGET.
stopTime() {
    parlowen-compare --apply --no-log "$address/$2" "$1" >/dev/null 2>&1 &
    copier=$!
    while ! grep -q flac /tmp/state/parlowen/uploads 2>/dev/null; do sleep 0.02; done
    sleep 0.5
    read -r start _ </proc/uptime
    kill -INT $copier
    wait $copier
    read -r end _ </proc/uptime
    awk -v a="$start" -v b="$end" 'BEGIN { printf "%.2f", b - a }'
}
echo "songs: Stop in the middle of sending a 48 MB file (finished): $(stopTime /tmp/big Stop) s;" \
    "of a 200 MB one (cancelled): $(stopTime /tmp/bigger Stop2) s"
SCENARIO

cat >"$work/full.sh" <<'SCENARIO'
. /common.sh
mkdir -p /tmp/songs
for s in $(seq NEW); do
    dd if=/dev/urandom of="/tmp/songs/Track $s.flac" bs=1M count=$((1 + s % 3)) 2>/dev/null
done
address="mtp://Parlowen_Test_Player_0001/Internal storage"
for run in 1 2 3; do
    for d in "Floor$run" "Sync$run"; do
        mkdir -p "/data/$d"
        for s in $(seq 2000); do echo "old $s" >"/data/$d/Old $s.mp3"; done
    done
    seconds mtp_send_floor "Floor$run" /tmp/songs/* >>/tmp/floor
    seconds parlowen-compare --apply --no-log --only-to left "$address/Sync$run" /tmp/songs >>/tmp/sync
    # --apply compares before and after the run: a Compare of the folder, to tell the run apart.
    seconds parlowen-compare "$address/Sync$run" /tmp/songs >>/tmp/compare
    rm -rf "/data/Floor$run" "/data/Sync$run"
done
floor=$(median </tmp/floor)
sync=$(median </tmp/sync)
compare=$(median </tmp/compare)
run=$(awk -v a="$sync" -v c="$compare" 'BEGIN { printf "%.2f", a - 2 * c }')
echo "NEW new songs of 1-3 MB into a folder of 2,000 songs: one libmtp session $floor s," \
    "Sync (--apply) $sync s, of which two Compares of $compare s, so the run $run s," \
    "ratio $(awk -v a="$run" -v b="$floor" 'BEGIN { printf "%.2f", a / b }')" \
    "(runs: floor $(tr '\n' ' ' </tmp/floor)/ Sync $(tr '\n' ' ' </tmp/sync)/ Compare $(tr '\n' ' ' </tmp/compare))"
SCENARIO

floor=$work/mtp_send_floor
${CC:-cc} -O2 -o "$floor" bench/mtp_send_floor.c $(pkg-config --cflags --libs libmtp) ||
    { echo "SKIP: the floor program could not be built"; exit 0; }

for scenario in $scenarios; do
    cat "$work/common.sh" >"$work/run.sh"
    sed '1d' "$work/$scenario.sh" | sed "s/SONGS/${MTP_BENCH_SONGS:-40}/g; s/NEW/${MTP_BENCH_NEW:-200}/g" >>"$work/run.sh"
    MTP_MEMORY=3072 MTP_DATA=1536m MTP_TIMEOUT=900 tests/mtp/machine.sh "$build/mtp" "$work/run.sh" "$(command -v mtp-files)" \
        "$(command -v mtp-sendfile)" "$compare" "$floor" |
        grep -E "rows|songs|SKIP|FAIL"
done
