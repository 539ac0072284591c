#!/usr/bin/env bash
# The MTP test machine holds a real MTP stack, and Parlowen works with both of its players:
# libmtp's own tools find them and read and write uMTP-Responder's storage; then, on each
# player, parlowen-compare lists it by its address, compares a folder of it with a PC folder
# exactly as the same tree on a drive, copies from it byte for byte and leaves nothing when
# stopped, and names the player when another program holds it. Exits 77 where the machine
# cannot run.
# Usage: machine_test.sh CACHE_DIR PARLOWEN_COMPARE
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The player's tree (both players serve it) and the PC's folder, with fixed times.
files=$work/files
song() { mkdir -p "$(dirname "$files/$1")"; printf '%s' "$2" >"$files/$1"; touch -d "@$3" "$files/$1"; }
song "Music/a.mp3" "aaaa" 1600000000
song "Music/Ünïcödé/Вальс №2.mp3" "valse" 1600000100
song "Music/Ünïcödé/what?.mp3" "question" 1600000200
song "Music/Newer/b.mp3" "bbbbbbbb" 1700000000
song "Music/Same/d.mp3" "dd" 1600000000
song "Music/.hidden/c.mp3" "c" 1600000000
song "pc/Newer/b.mp3" "bb" 1600000000
song "pc/Same/d.mp3" "dd" 1650000000
song "pc/Only on PC/e.mp3" "eee" 1600000000
mkdir -p "$files/Big"
head -c 48M /dev/urandom >"$files/Big/long.flac"
export MTP_GUEST_FILES=$files
# QEMU's usb-mtp serves a folder of this machine.
export MTP_SECOND_PLAYER=$work/second
mkdir -p "$MTP_SECOND_PLAYER"
echo qemu >"$MTP_SECOND_PLAYER/on-qemu.mp3"
cp -a "$files/Music" "$files/Big" "$MTP_SECOND_PLAYER/"

cat >"$work/scenario.sh" <<'SCENARIO'
echo song > "/data/Chanson été.mp3"
cp -a /files/Music /files/Big /data/
mtp-detect 2>/dev/null | grep -E "^   (Manufacturer|Model):|Found [0-9]+ device"
mtp-files 2>/dev/null | grep "Filename:"
parlowen-compare --devices 2>/dev/null | tee /tmp/devices
n=0
while IFS= read -r address; do
    n=$((n + 1))
    p="player $n"
    echo "--- $p: $address"
    rm -rf /tmp/pc && cp -a /files/pc /tmp/pc
    parlowen-compare "$address/Music" /tmp/pc >/tmp/device.txt 2>&1
    parlowen-compare /files/Music /tmp/pc >/tmp/drive.txt 2>&1
    sed "s|$address/Music|ROOT|g" /tmp/device.txt | sort >/tmp/a
    sed "s|/files/Music|ROOT|g" /tmp/drive.txt | sort >/tmp/b
    if cmp -s /tmp/a /tmp/b; then echo "$p: compares as the drive"; else diff /tmp/b /tmp/a; fi
    parlowen-compare --apply --create-folders --no-log "$address/Music" /tmp/pc >/tmp/apply.txt 2>&1
    echo "$p: apply exit $? with $(grep -c '^FAILED' /tmp/apply.txt) failed"
    grep '^FAILED' /tmp/apply.txt
    for f in "a.mp3" "Ünïcödé/Вальс №2.mp3" "Ünïcödé/what?.mp3" "Newer/b.mp3"; do
        cmp "/files/Music/$f" "/tmp/pc/$f" && echo "$p: whole $f"
    done
    echo "$p: temporaries left $(find /tmp/pc -name '*parlowen-copy' | wc -l)"
    echo "$p: planned after the copies $(parlowen-compare "$address/Music" /tmp/pc | grep -c '^OP')"
    # Stopped in the middle of a large file; while it is held still, it holds the player.
    rm -rf /tmp/big && mkdir /tmp/big
    parlowen-compare --apply --no-log "$address/Big" /tmp/big >/tmp/stop.txt 2>&1 &
    copier=$!
    for i in $(seq 200); do find /tmp/big -name '*parlowen-copy' | grep -q . && break; sleep 0.05; done
    kill -STOP $copier
    parlowen-compare "$address/Music" /tmp/pc >/dev/null 2>/tmp/busy.txt
    grep -q "another program holds it" /tmp/busy.txt && echo "$p: held by another program is said"
    cat /tmp/busy.txt
    kill -CONT $copier
    kill -INT $copier
    wait $copier
    echo "$p: stopped with $? leaving $(ls -A /tmp/big | wc -l) entries"
    parlowen-compare --apply --no-log "$address/Big" /tmp/big 2>/dev/null
    cmp /files/Big/long.flac /tmp/big/long.flac && echo "$p: whole after the stop"
done </tmp/devices
echo "uploaded by libmtp" > /tmp/up.mp3
mtp-sendfile /tmp/up.mp3 up.mp3 2>&1 | tail -3
echo "on the storage: $(cat /data/up.mp3 /data/Music/up.mp3 2>/dev/null)"
SCENARIO
output=$("$here/machine.sh" "$1" "$work/scenario.sh" "$(command -v mtp-detect)" \
    "$(command -v mtp-files)" "$(command -v mtp-sendfile)" "$2")
status=$?
[ "$status" = 0 ] || { echo "$output"; exit "$status"; }
echo "$output"
failures=0
expect() {
    grep -qF "$1" <<<"$output" || { echo "FAIL: the machine did not say '$1'"; failures=$((failures + 1)); }
}
for expected in "Found 2 device(s)" "Manufacturer: Parlowen" "Model: Test Player" \
    "Filename: on-qemu.mp3" "Filename: Chanson été.mp3" "on the storage: uploaded by libmtp" \
    "mtp://Parlowen_Test_Player_0001/Internal storage" "mtp://QEMU_QEMU_filesharing"; do
    expect "$expected"
done
for p in "player 1" "player 2"; do
    for expected in "compares as the drive" "apply exit 3 with 1 failed" "whole a.mp3" \
        "whole Ünïcödé/Вальс №2.mp3" "whole Ünïcödé/what?.mp3" "whole Newer/b.mp3" \
        "temporaries left 0" "planned after the copies 1" "held by another program is said" \
        "stopped with 130 leaving 0 entries" "whole after the stop"; do
        expect "$p: $expected"
    done
done
[ "$failures" = 0 ] && echo "both players answer as players, and Parlowen reads them exactly"
exit $((failures > 0))
