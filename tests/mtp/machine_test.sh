#!/usr/bin/env bash
# The MTP test machine holds a real MTP stack, and Parlowen works with both of its players:
# libmtp's own tools find them and read and write uMTP-Responder's storage; then, on each
# player, parlowen-compare lists it by its address, compares a folder of it with a PC folder
# exactly as the same tree on a drive, copies both ways byte for byte (changing nothing on the
# player outside the plan), leaves nothing when stopped or killed in the middle of a file, and
# names the player when another program holds it. Exits 77 where the machine cannot run.
# Usage: machine_test.sh CACHE_DIR PARLOWEN_COMPARE REPLUG_CHECK
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
song "Music/Older/f.mp3" "old" 1600000000
song "pc/Older/f.mp3" "newer on the PC" 1700000000
mkdir -p "$files/Music/Up"
song "Refuse/Blocked" "a file where a folder is to be made" 1600000000
song "refuse-pc/Blocked/g.mp3" "g" 1600000000
song "full-pc/h.flac" "$(head -c 200000 /dev/zero | tr '\0' h)" 1600000000
# A lossless song the players are given as MP3: ten seconds of noise as a FLAC.
mkdir -p "$files/conv/Conv"
head -c 1764000 /dev/urandom | flac --silent --force-raw-format --endian=little --sign=signed \
    --channels=2 --bps=16 --sample-rate=44100 -T "TITLE=Valse" -o "$files/conv/Conv/Été.flac" - ||
    { echo "the flac tool is needed to make the converted song"; exit 77; }
mkdir -p "$files/conv/Lists" && printf '../Conv/Été.flac\n' >"$files/conv/Lists/mix.m3u8"
mkdir -p "$files/Big"
head -c 48M /dev/urandom >"$files/Big/long.flac"
export MTP_GUEST_FILES=$files
# QEMU's usb-mtp serves a folder of this machine.
export MTP_SECOND_PLAYER=$work/second
mkdir -p "$MTP_SECOND_PLAYER"
echo qemu >"$MTP_SECOND_PLAYER/on-qemu.mp3"
cp -a "$files/Music" "$files/Big" "$files/Refuse" "$MTP_SECOND_PLAYER/"
mkdir -p "$MTP_SECOND_PLAYER/Music/Up"

cat >"$work/scenario.sh" <<'SCENARIO'
echo song > "/data/Chanson été.mp3"
cp -a /files/Music /files/Big /files/Refuse /data/
mkdir -p /data/Music/Up
export XDG_STATE_HOME=/tmp/state XDG_CACHE_HOME=/tmp/cache XDG_CONFIG_HOME=/tmp/config
journal=/tmp/state/parlowen/uploads
mount -t debugfs none /sys/kernel/debug && insmod /lib/modules/usbmon.ko
mtp-detect 2>/dev/null | grep -E "^   (Manufacturer|Model):|Found [0-9]+ device"
mtp-files 2>/dev/null | grep "Filename:"
parlowen-compare --devices 2>/dev/null | tee /tmp/devices
# The player's whole storage as names and sizes, to tell what a run changed.
listing() { mkdir -p /tmp/none; parlowen-compare "$1" /tmp/none 2>/dev/null | awk -F '\t' '$1 == "L" { print $6, $3 }' | sort; }
n=0
while IFS= read -r address; do
    n=$((n + 1))
    p="player $n"
    storage=${address}
    echo "--- $p: $address"
    rm -rf /tmp/pc && cp -a /files/pc /tmp/pc
    parlowen-compare "$address/Music" /tmp/pc >/tmp/device.txt 2>&1
    parlowen-compare /files/Music /tmp/pc >/tmp/drive.txt 2>&1
    sed "s|$address/Music|ROOT|g" /tmp/device.txt | sort >/tmp/a
    sed "s|/files/Music|ROOT|g" /tmp/drive.txt | sort >/tmp/b
    if cmp -s /tmp/a /tmp/b; then echo "$p: compares as the drive"; else diff /tmp/b /tmp/a; fi
    listing "$storage" >/tmp/before
    parlowen-compare --apply --create-folders "$address/Music" /tmp/pc >/tmp/apply.txt 2>/tmp/apply.err
    echo "$p: apply exit $? with $(grep -c '^FAILED' /tmp/apply.txt) failed"
    grep '^FAILED' /tmp/apply.txt
    grep -q "keeps its own file times" /tmp/state/parlowen/sync.log && echo "$p: the log notes the player's times"
    for f in "a.mp3" "Ünïcödé/Вальс №2.mp3" "Ünïcödé/what?.mp3" "Newer/b.mp3"; do
        cmp "/files/Music/$f" "/tmp/pc/$f" && echo "$p: whole $f"
    done
    echo "$p: temporaries left $(find /tmp/pc -name '*parlowen-copy' | wc -l)"
    echo "$p: planned after the copies $(parlowen-compare "$address/Music" /tmp/pc | grep -c '^OP')"
    listing "$storage" >/tmp/after
    echo "$p: changed on the player: $(diff /tmp/before /tmp/after | grep '^[-+][^-+]' | tr '\n' '|')"
    # What went onto the player comes back byte for byte.
    rm -rf /tmp/back && mkdir /tmp/back
    parlowen-compare --apply --create-folders --no-log "$address/Music" /tmp/back >/dev/null 2>&1
    for f in "Only on PC/e.mp3" "Older/f.mp3"; do
        cmp "/files/pc/$f" "/tmp/back/$f" && echo "$p: sent whole $f"
    done
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
    # Stopped, then killed, in the middle of sending a large file.
    # QEMU's player brings the whole machine down (a segmentation fault in QEMU) when a client
    # is killed in the middle of an upload: there only the stop is tried.
    hows="INT KILL"
    case $address in *QEMU*) hows=INT ;; esac
    for how in $hows; do
        mkdir -p "/tmp/send-$how/$how" && ln -sf /files/Big/long.flac "/tmp/send-$how/$how/"
        set -- --apply --create-folders --no-log --only-to left "$address/Music/Up" "/tmp/send-$how"
        parlowen-compare "$@" >/dev/null 2>&1 &
        sender=$!
        for i in $(seq 400); do grep -q long.flac "$journal" 2>/dev/null && break; sleep 0.02; done
        kill -$how $sender
        wait $sender
        echo "$p: sending stopped by $how with $?, journal $(wc -l <"$journal")"
        # uMTP-Responder needs a few seconds after a client died.
        [ "$how" = KILL ] &&
            for i in $(seq 30); do parlowen-compare --devices 2>/dev/null | grep -qF "$address" && break; sleep 1; done
        listing "$storage" | grep "Up/$how"
        parlowen-compare "$@" 2>&1 | grep -E "unfinished|^FAILED" | sed "s/^/$p: /"
        echo "$p: after a run, journal $(wc -l <"$journal"), on the player: $(listing "$storage" | grep -c "Up/$how")"
        rm -rf /tmp/back && mkdir /tmp/back
        parlowen-compare --apply --no-log "$address/Music/Up/$how" /tmp/back >/dev/null 2>&1
        cmp /files/Big/long.flac /tmp/back/long.flac && echo "$p: sent whole after $how"
    done
    # A folder the player will not make.
    parlowen-compare --apply --create-folders --no-log --only-to left "$address/Refuse" /files/refuse-pc |
        grep "^FAILED" | grep -q "did not make the folder" && echo "$p: a folder it refuses is said"
    # What each upload declares on the bus: the object format of its SendObjectInfo (after the
    # 12-byte container header and the storage), MP3 3009, FLAC b906, Ogg b902 (little-endian).
    rm -rf /tmp/kinds && mkdir -p /tmp/kinds/Kinds
    echo m >/tmp/kinds/Kinds/k.mp3 && echo f >/tmp/kinds/Kinds/k.flac && echo o >/tmp/kinds/Kinds/k.ogg
    cat /sys/kernel/debug/usb/usbmon/0u >/tmp/usbmon.txt &
    monitor=$!
    parlowen-compare --apply --no-log --create-folders --only-to left "$address/Music" /tmp/kinds >/dev/null 2>&1
    sleep 1
    kill $monitor
    echo "$p: uploads declare $(awk '/ Bo:/ && $0 ~ / = / { for (i = 1; i <= NF; i++) if ($i == "=") { if ($(i + 2) == "02000c10") print substr($(i + 5), 1, 4) } }' /tmp/usbmon.txt | grep -v '^0130' | sort | tr '\n' ' ')"
    # A song directly at the storage's top (its objects have parent 0), sent and overwritten.
    rm -rf /tmp/top && mkdir /tmp/top && printf 'top, first' >/tmp/top/top.mp3 && touch -d @1600000000 /tmp/top/top.mp3
    parlowen-compare --apply --no-log --only-to left "$storage" /tmp/top >/dev/null 2>&1
    # Newer than the copy the player stamped with the time it was sent.
    printf 'top, the newer and longer' >/tmp/top/top.mp3 && touch -d @2000000000 /tmp/top/top.mp3
    parlowen-compare --apply --no-log --only-to left "$storage" /tmp/top >/tmp/top.txt 2>&1
    echo "$p: at the top, exit $? with $(grep -c '^FAILED' /tmp/top.txt) failed: $(listing "$storage" | grep '^top.mp3 ')"
    # Two folder levels made for one copy: the folder just made is not asked for its listing.
    rm -rf /tmp/deep && mkdir -p "/tmp/deep/New/Deeper" && echo deep >/tmp/deep/New/Deeper/x.mp3
    parlowen-compare --apply --no-log --create-folders --only-to left "$address/Music/Up" /tmp/deep >/tmp/deep.txt 2>&1
    echo "$p: two new levels, exit $? with $(grep -c '^FAILED' /tmp/deep.txt) failed: $(listing "$storage" | grep 'Up/New/Deeper/')"
    grep '^FAILED' /tmp/deep.txt
    # A FLAC converted on its way, sent as the player's MP3, and known as its copy next time.
    parlowen-compare --apply --no-log --create-folders --only-to left --convert mp3-v2 \
        "$address/Music/Up" /files/conv >/tmp/conv.txt 2>&1
    echo "$p: converted, exit $? with $(grep -c '^FAILED' /tmp/conv.txt) failed: $(listing "$storage" | grep 'Up/Conv/' | cut -d' ' -f1)"
    grep '^FAILED' /tmp/conv.txt
    echo "$p: after converting, planned $(parlowen-compare --only-to left --convert mp3-v2 "$address/Music/Up" /files/conv | grep -c '^OP')"
    # The PC's playlist written for the player, naming the song as the player has it.
    parlowen-compare --apply --no-log --create-folders --only-to left --convert mp3-v2 --playlists \
        "$address/Music/Up" /files/conv >/tmp/lists.txt 2>&1
    echo "$p: playlist written, exit $?: $(listing "$storage" | grep 'Up/Lists/' | cut -d' ' -f1)"
    echo "$p: after the playlist, planned $(parlowen-compare --only-to left --convert mp3-v2 --playlists "$address/Music/Up" /files/conv | grep -c '^OP')"
    # A source rewritten in place while it is sent: never placed as a mixture.
    rm -rf /tmp/rw && mkdir -p /tmp/rw/RW && dd if=/dev/urandom of=/tmp/rw/RW/rewrite.flac bs=1M count=24 2>/dev/null
    parlowen-compare --apply --no-log --create-folders --only-to left "$address/Music/Up" /tmp/rw >/tmp/rw.txt 2>&1 &
    sender=$!
    for i in $(seq 400); do grep -q rewrite.flac "$journal" 2>/dev/null && break; sleep 0.02; done
    dd if=/dev/urandom of=/tmp/rw/RW/rewrite.flac bs=1M count=24 conv=notrunc 2>/dev/null
    wait $sender
    grep '^FAILED' /tmp/rw.txt | grep -q "the source changed while it was copied" && echo "$p: a source rewritten while sent is said"
    echo "$p: rewritten source on the player: $(listing "$storage" | grep -c 'Up/RW/rewrite.flac'), journal $(wc -l <"$journal")"
done </tmp/devices
# uMTP-Responder tells its true free space: filled to its last few kB, the room is asked about
# and nothing is touched.
address=$(head -1 /tmp/devices)
listing "$address" >/tmp/before
free=$(df -k /data | awk 'NR == 2 { print $4 }')
dd if=/dev/zero of=/data/filler bs=1k count=$((free - 8)) 2>/dev/null
parlowen-compare --apply --no-log --only-to left "$address/Music/Up" /files/full-pc >/dev/null 2>/tmp/full.txt
echo "player 1: full, exit $?: $(grep -o 'The copies need .* free' /tmp/full.txt)"
listing "$address" | grep -v '^filler ' >/tmp/after
cmp -s /tmp/before /tmp/after && echo "player 1: full and untouched" || diff /tmp/before /tmp/after
rm /data/filler
echo "player 1: hidden temporaries left $(find /data -name '*parlowen-copy*' | wc -l)"
echo "player 1: the playlist says $(tail -1 /data/Music/Up/Lists/mix.m3u8)"
echo "player 1: the converted copy begins with $(head -c 3 "/data/Music/Up/Conv/Été.mp3")"; grep -c Valse "/data/Music/Up/Conv/Été.mp3"
# A long-lived process (as the window is) keeps working with QEMU's player pulled out and
# plugged in again.
mkdir -p /tmp/replug && echo replugged >/tmp/replug/replugged.mp3
replug_check "$(sed -n 2p /tmp/devices)/Music" /tmp/replug
echo "uploaded by libmtp" > /tmp/up.mp3
mtp-sendfile /tmp/up.mp3 up.mp3 2>&1 | tail -1
echo "on the storage: $(cat /data/up.mp3 /data/Music/up.mp3 2>/dev/null)"
SCENARIO
export MTP_EXTRA_MODULES=usbmon
output=$("$here/machine.sh" "$1" "$work/scenario.sh" "$(command -v mtp-detect)" \
    "$(command -v mtp-files)" "$(command -v mtp-sendfile)" "$2" "$3")
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
    for expected in "compares as the drive" "apply exit 0 with 0 failed" "whole a.mp3" \
        "whole Ünïcödé/Вальс №2.mp3" "whole Ünïcödé/what?.mp3" "whole Newer/b.mp3" \
        "temporaries left 0" "planned after the copies 0" "held by another program is said" \
        "stopped with 130 leaving 0 entries" "whole after the stop" \
        "the log notes the player's times" "sent whole Only on PC/e.mp3" "sent whole Older/f.mp3" \
        "changed on the player: -Music/Older/f.mp3 3 bytes|+Music/Older/f.mp3 15 bytes|+Music/Only on PC/e.mp3 3 bytes|" \
        "sending stopped by INT with 130, journal 0" \
        "after a run, journal 0, on the player: 1" \
        "sent whole after INT" "a folder it refuses is said" \
        "at the top, exit 0 with 0 failed: top.mp3 25 bytes" \
        "two new levels, exit 0 with 0 failed: Music/Up/New/Deeper/x.mp3 5 bytes" \
        "a source rewritten while sent is said" "rewritten source on the player: 0, journal 0" \
        "uploads declare 02b9 06b9 0930 " "converted, exit 0 with 0 failed: Music/Up/Conv/Été.mp3" \
        "after converting, planned 0" "playlist written, exit 0: Music/Up/Lists/mix.m3u8" \
        "after the playlist, planned 0"; do
        expect "$p: $expected"
    done
done
expect "player 1: sending stopped by KILL with 137, journal 1"
expect "player 1: sent whole after KILL"
expect "player 1: full, exit 4: The copies need 200.0 kB on mtp://Parlowen_Test_Player_0001/Internal storage"
expect "player 1: full and untouched"
expect "player 1: hidden temporaries left 0"
expect "replug: first compare ok"
expect "replug: compare after the replug ok"
expect "replug: sync after the replug, 1 of 1 done"
expect "player 1: the converted copy begins with ID3"
expect "player 1: the playlist says ../Conv/Été.mp3"
[ "$(tail -1 "$MTP_SECOND_PLAYER/Music/Up/Lists/mix.m3u8")" = "../Conv/Été.mp3" ] ||
    { echo "FAIL: player 2's playlist does not name its MP3"; failures=$((failures + 1)); }
[ "$(head -c 3 "$MTP_SECOND_PLAYER/Music/Up/Conv/Été.mp3")" = ID3 ] ||
    { echo "FAIL: player 2 has no MP3 made from the FLAC"; failures=$((failures + 1)); }
left=$(find "$MTP_SECOND_PLAYER" -name '*parlowen-copy*' | wc -l)
[ "$left" = 0 ] || { echo "FAIL: player 2 keeps $left hidden temporaries"; failures=$((failures + 1)); }
[ "$failures" = 0 ] && echo "both players answer as players, and Parlowen reads and writes them exactly"
exit $((failures > 0))
