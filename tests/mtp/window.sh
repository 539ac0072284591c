#!/usr/bin/env bash
# Parlowen's window inside the MTP test machine, on its real MTP stack: Qt's linuxfb platform on
# QEMU's virtual display, used from the keyboard alone through QEMU's monitor as a user would
# (the player chosen from the left box's list, the PC's folder typed, Compare, Sync, the choice
# of the missing folders, OK, a Stop in the middle of a large song), with a picture (PNG) of
# each step in OUT_DIR. For people to look at; the checks are machine_test.sh's.
# Usage: tests/mtp/window.sh BUILD_DIR OUT_DIR
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "$1" && pwd)
out=$(mkdir -p "$2" && cd "$2" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The PC's music: songs with long and non-ASCII names, a new album in two new folder levels,
# and a large song to stop in the middle of. The player holds some of them, older.
files=$work/files
song() { mkdir -p "$(dirname "$files/$1")"; head -c "$2" /dev/urandom >"$files/$1"; touch -d "@$3" "$files/$1"; }
for i in $(seq -w 1 12); do
    song "pc/Ünïcödé Orchestra/Вальс и песни/$i – Песня о далёкой родине (live at the Konzerthaus).mp3" 300000 1700000000
    song "player/Ünïcödé Orchestra/Вальс и песни/$i – Песня о далёкой родине (live at the Konzerthaus).mp3" 200000 1600000000
done
for i in $(seq -w 1 6); do
    song "pc/Nouveaux/Disque 1/$i – Chanson d'été.mp3" 250000 1700000000
done
song "pc/Large/Longer Mix – 200 MB.flac" 209715200 1700000000

# What the window needs inside: Qt's frame-buffer platform, SVG pictures, fonts.
plugins=$(dirname "$(dirname "$(find /usr/lib -path '*qt6/plugins/platforms/libqlinuxfb.so' | head -1)")")
mkdir -p "$files/plugins/platforms" "$files/plugins/imageformats" "$files/plugins/iconengines" "$files/fonts"
cp "$plugins/platforms/libqlinuxfb.so" "$files/plugins/platforms/"
cp "$plugins/imageformats/libqsvg.so" "$files/plugins/imageformats/" 2>/dev/null
cp "$plugins/iconengines/libqsvgicon.so" "$files/plugins/iconengines/" 2>/dev/null
cp /usr/share/fonts/truetype/liberation/LiberationSans-*.ttf "$files/fonts/"
cp -r /etc/fonts "$files/etc-fonts"
export MTP_GUEST_FILES=$files
export MTP_OUT=$work/out
mkdir -p "$MTP_OUT"

cat >"$work/scenario.sh" <<'SCENARIO'
for module in drm drm_kms_helper ttm drm_ttm_helper drm_vram_helper bochs evdev; do
    insmod "/lib/modules/$module.ko" 2>/dev/null
done
mkdir -p /etc /usr/share/fonts /tmp/home /tmp/run
cp -r /files/etc-fonts /etc/fonts
cp -r /files/fonts /usr/share/fonts/liberation
cp -a /files/player /data/Music
cp -a /files/pc /tmp/pc
keyboard=
for event in /sys/class/input/event*; do
    grep -q "keyboard" "$event/device/name" 2>/dev/null && keyboard=/dev/input/${event##*/}
done
shot() { sleep "$2"; echo "=== MONITOR screendump @OUT@/$1.ppm"; sleep 3; }
keys() { for key in "$@"; do echo "=== MONITOR sendkey $key"; sleep 0.4; done; }
typed() { # a path or an address, a key at a time
    echo "$1" | sed 's/./&\n/g' | while IFS= read -r c; do
        case $c in
        "") ;;
        "/") keys slash ;; ":") keys shift-semicolon ;; "_") keys shift-minus ;;
        "-") keys minus ;; ".") keys dot ;; " ") keys spc ;;
        [A-Z]) keys "shift-$(echo "$c" | tr 'A-Z' 'a-z')" ;;
        *) keys "$c" ;;
        esac
    done
}
export HOME=/tmp/home XDG_RUNTIME_DIR=/tmp/run XDG_STATE_HOME=/tmp/state
export QT_QPA_PLATFORM=linuxfb:fb=/dev/fb0 QT_QPA_FB_NO_LIBINPUT=1 QT_PLUGIN_PATH=/files/plugins
export QT_QPA_EVDEV_KEYBOARD_PARAMETERS=$keyboard
parlowen >/tmp/parlowen.log 2>&1 &
shot 1-window-open 30
# The player's folder typed in the left box (the focus is there), the PC's in the right; Enter
# compares.
typed "mtp://Parlowen_Test_Player_0001/Internal storage/Music"
keys tab tab
typed /tmp/pc
keys ret
shot 2-compared 45
keys alt-s
shot 3-sync-wizard 25
keys alt-o
shot 4-missing-folders-question 10
keys alt-m
shot 5-copying 4
keys alt-t
shot 6-stopping 1
shot 7-stopped 40
keys ret
shot 8-after-the-run 40
# The left box's list offers the players attached.
keys shift-tab shift-tab alt-down
shot 9-players-offered 5
cat /tmp/parlowen.log
SCENARIO

MTP_MEMORY=2048 MTP_TIMEOUT=900 \
    MTP_EXTRA_MODULES="drm drm_kms_helper ttm drm_ttm_helper drm_vram_helper bochs evdev" \
    MTP_QEMU_ARGS="-device VGA,xres=1280,yres=960" \
    "$here/machine.sh" "$build/mtp" "$work/scenario.sh" "$build/parlowen" \
    "$files"/plugins/*/*.so
# PPM to PNG with nothing but Python's standard library.
for picture in "$MTP_OUT"/*.ppm; do
    [ -f "$picture" ] || continue
    python3 - "$picture" "$out/$(basename "${picture%.ppm}").png" <<'PYTHON'
import struct, sys, zlib
data = open(sys.argv[1], 'rb').read()
parts, at = [], 0
while len(parts) < 4:
    while data[at:at + 1].isspace():
        at += 1
    end = at
    while not data[end:end + 1].isspace():
        end += 1
    parts.append(data[at:end]); at = end
width, height = int(parts[1]), int(parts[2])
pixels = data[at + 1:]
rows = b''.join(b'\x00' + pixels[y * width * 3:(y + 1) * width * 3] for y in range(height))
chunk = lambda kind, body: struct.pack('>I', len(body)) + kind + body + struct.pack('>I', zlib.crc32(kind + body))
open(sys.argv[2], 'wb').write(b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', width, height, 8, 2, 0, 0, 0))
                              + chunk(b'IDAT', zlib.compress(rows)) + chunk(b'IEND', b''))
PYTHON
done
ls "$out"
