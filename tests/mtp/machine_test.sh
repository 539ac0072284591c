#!/usr/bin/env bash
# The MTP test machine holds a real MTP stack: libmtp finds uMTP-Responder's player, reads its
# storage (a non-ASCII name included) and uploads a file that lands whole on the player's
# storage. The ground every later MTP check stands on. Exits 77 where the machine cannot run.
# parlowen-compare --devices names each player's storage by its address.
# Usage: machine_test.sh CACHE_DIR PARLOWEN_COMPARE
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cat >"$work/scenario.sh" <<'SCENARIO'
echo song > "/data/Chanson été.mp3"
mkdir /data/Album
echo second > /data/Album/second.mp3
mtp-detect 2>/dev/null | grep -E "^   (Manufacturer|Model):|Found [0-9]+ device"
mtp-files 2>/dev/null | grep "Filename:"
echo "uploaded by libmtp" > /tmp/up.mp3
mtp-sendfile /tmp/up.mp3 up.mp3 >/dev/null 2>&1
echo "on the storage: $(cat /data/up.mp3 2>/dev/null)"
parlowen-compare --devices
SCENARIO
# QEMU's usb-mtp serves a folder of this machine: a file put there is listed inside.
export MTP_SECOND_PLAYER=$work/second
mkdir -p "$MTP_SECOND_PLAYER"
echo qemu > "$MTP_SECOND_PLAYER/on-qemu.mp3"
output=$("$here/machine.sh" "$1" "$work/scenario.sh" "$(command -v mtp-detect)" \
    "$(command -v mtp-files)" "$(command -v mtp-sendfile)" "$2")
status=$?
[ "$status" = 0 ] || { echo "$output"; exit "$status"; }
echo "$output"
failures=0
for expected in "Found 2 device(s)" "Manufacturer: Parlowen" "Model: Test Player" \
    "Filename: on-qemu.mp3" "Filename: Chanson été.mp3" \
    "Filename: second.mp3" "on the storage: uploaded by libmtp" \
    "mtp://Parlowen_Test_Player_0001/Internal storage" "mtp://QEMU_QEMU_filesharing"; do
    grep -qF "$expected" <<<"$output" || { echo "FAIL: the machine did not say '$expected'"; failures=$((failures + 1)); }
done
[ "$failures" = 0 ] && echo "the MTP machine answers as a player"
exit $((failures > 0))
