#!/usr/bin/env bash
# The real program under Xvfb with a window manager (openbox): the stored FormHeight is the
# window's outer height at every step of first start, resize, restart, maximize, restart and
# restore, as the X server reports the frame and the inside. Every expected height comes from
# what the X server reports, so any openbox theme and title font will do. Then a message taller
# than the screen stays inside it.
# Usage: window_frame_test.sh PARLOWEN   (exits 77, a skip, where it cannot run)
set -uo pipefail
program=$1
for tool in Xvfb openbox xdotool wmctrl xwininfo xprop; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
work=$(mktemp -d)
pids=()
cleanup() { kill "${pids[@]}" 2>/dev/null; wait 2>/dev/null; rm -rf "$work"; }
trap cleanup EXIT

Xvfb -displayfd 3 -screen 0 1600x1200x24 3>"$work/display" 2>/dev/null &
pids+=($!)
for _ in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || { echo "SKIP: Xvfb did not start"; exit 77; }
export DISPLAY=":$(cat "$work/display")" XDG_CONFIG_HOME="$work/config" QT_QPA_PLATFORM=xcb
mkdir -p "$XDG_CONFIG_HOME"
openbox >/dev/null 2>&1 &
pids+=($!)
sleep 0.5

failures=0
window=""
# The id of the visible window with this exact title, once it appears (empty after 5 s).
waitForWindow() {
    local id=""
    for _ in $(seq 50); do
        id=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -1)
        [ -n "$id" ] && break
        sleep 0.1
    done
    echo "$id"
}
start() {
    [ -n "${app:-}" ] && { kill "$app" 2>/dev/null; wait "$app" 2>/dev/null; }
    "$program" >/dev/null 2>&1 &
    app=$!
    pids+=("$app")
    window=$(waitForWindow Parlowen)
    [ -n "$window" ] || { echo "FAIL: the window did not appear"; exit 1; }
    sleep 1 # the window manager frames it, and the program settles its size
}
stored() { sed -n "s/^$1=//p" "$XDG_CONFIG_HOME/Vantrell.ini"; }
# step expected-state [expected-inside-width]
check() {
    local step=$1 state=$2 width=${3:-}
    local inside frame outer
    inside=$(xwininfo -id "$window" | awk '/Width:/ {w=$2} /Height:/ {h=$2} END {print w, h}')
    frame=$(xprop -id "$window" _NET_FRAME_EXTENTS | sed 's/.*= //; s/,//g')
    read -r iw ih <<<"$inside"
    read -r _ _ top bottom <<<"$frame"
    outer=$((ih + top + bottom))
    [ "$state" = 0 ] && normalOuter=$outer
    local heightTwips
    heightTwips=$(stored FormHeight)
    echo "$step: inside ${iw}x${ih}, frame top $top bottom $bottom, outer height $outer;" \
         "stored FormHeight $heightTwips WindowState $(stored WindowState)"
    if [ "$(stored WindowState)" != "$state" ]; then
        echo "FAIL: $step: WindowState $(stored WindowState), expected $state"; failures=$((failures + 1))
    fi
    if [ "$state" = 0 ] && [ "$heightTwips" != "$((outer * 15))" ]; then
        echo "FAIL: $step: FormHeight $heightTwips is not the outer height $((outer * 15))"
        failures=$((failures + 1))
    fi
    if [ -n "$width" ] && [ "$iw" != "$width" ]; then
        echo "FAIL: $step: inside width $iw, expected $width"; failures=$((failures + 1))
    fi
}

start
check "first start" 0 792
[ "$ih" = 489 ] || { echo "FAIL: first start: inside height $ih, expected the designed 489"; failures=$((failures + 1)); }
xdotool windowsize "$window" 792 600; sleep 0.5
check "resized to 600 inside" 0
start
check "restarted" 0 792
[ "$ih" = 600 ] || { echo "FAIL: restarted: inside height $ih, expected 600"; failures=$((failures + 1)); }
wmctrl -i -r "$window" -b add,maximized_vert,maximized_horz; sleep 0.5
check "maximized" 2
# The height it had before maximizing, as measured then.
[ "$(stored FormHeight)" = "$((normalOuter * 15))" ] || { echo "FAIL: maximized: the normal height $((normalOuter * 15)) was not kept"; failures=$((failures + 1)); }
start
check "restarted maximized" 2
wmctrl -i -r "$window" -b remove,maximized_vert,maximized_horz; sleep 1
check "restored" 0 792
[ "$ih" = 600 ] || { echo "FAIL: restored: inside height $ih, expected 600"; failures=$((failures + 1)); }

# A message longer than the screen is tall stays inside it: a Compare that skips 25 entries
# with long undecodable names shows them in one "Skip" box.
kill "$app" 2>/dev/null; wait "$app" 2>/dev/null
long=$(printf 'x%.0s' $(seq 180))
mkdir -p "$work/left" "$work/right"
for i in $(seq 25); do touch "$work/left/$long $i "$'\xff'".mp3"; done
printf '[Morrowlin]\nLeftCombo=%s,\nRightCombo=%s,\n[Parlowen]\nLeftComboIndex=0\nRightComboIndex=0\n' \
    "$work/left" "$work/right" \
    >"$XDG_CONFIG_HOME/Vantrell.ini"
start
xdotool windowactivate --sync "$window" key --clearmodifiers alt+c
box=$(waitForWindow Skip)
if [ -z "$box" ]; then
    echo "FAIL: the Skip message did not appear"; failures=$((failures + 1))
else
    sleep 0.5
    read -r top height < <(xwininfo -id "$box" | awk '/Absolute upper-left Y:/ {y=$4} /Height:/ {h=$2} END {print y, h}')
    screen=$(xwininfo -root | awk '/Height:/ {print $2}')
    read -r _ _ frameTop frameBottom < <(xprop -id "$box" _NET_FRAME_EXTENTS | sed 's/.*= //; s/,//g')
    echo "long message: inside from $top, height $height, frame top $frameTop bottom" \
         "$frameBottom; screen height $screen"
    if [ $((top + height + ${frameBottom:-0})) -gt "$screen" ] || [ $((top - ${frameTop:-0})) -lt 0 ]; then
        echo "FAIL: the long message reaches past the screen"; failures=$((failures + 1))
    fi
fi
# Exit ends the program within a second while a Compare waits on a player that does not answer
# (its FUSE daemon stopped). Needs root for the loop device; the rest ran whatever.
if [ "$(id -u)" = 0 ] && command -v mount.exfat-fuse >/dev/null && command -v mkfs.exfat >/dev/null; then
    kill "$app" 2>/dev/null; wait "$app" 2>/dev/null
    mkdir -p "$work/player"
    truncate -s 16M "$work/player.img" && mkfs.exfat "$work/player.img" >/dev/null 2>&1
    loop=$(losetup -f --show "$work/player.img" 2>/dev/null)
    if [ -n "$loop" ] && mount.exfat-fuse "$loop" "$work/player" >/dev/null 2>&1; then
        daemon=$(pgrep -f "mount.exfat-fuse $loop " | head -1)
        undoPlayer() { kill -CONT "$daemon" 2>/dev/null; umount "$work/player" 2>/dev/null || umount -l "$work/player"; losetup -d "$loop"; }
        trap 'undoPlayer; cleanup' EXIT
        printf '[Morrowlin]\nLeftCombo=%s,\nRightCombo=%s,\n[Parlowen]\nLeftComboIndex=0\nRightComboIndex=0\n' \
            "$work/player" "$work/right" >"$XDG_CONFIG_HOME/Vantrell.ini"
        start
        kill -STOP "$daemon"
        xdotool windowactivate --sync "$window" key --clearmodifiers alt+c
        sleep 1
        began=$(date +%s%N)
        xdotool key --clearmodifiers alt+x
        for _ in $(seq 50); do kill -0 "$app" 2>/dev/null || break; sleep 0.05; done
        took=$((($(date +%s%N) - began) / 1000000))
        echo "Exit with a hung player: the program was gone after ${took} ms"
        if kill -0 "$app" 2>/dev/null || [ "$took" -gt 1500 ]; then
            echo "FAIL: Exit did not end the program within a second"; failures=$((failures + 1))
        fi
        kill -CONT "$daemon"
    else
        echo "note: the exFAT player could not be mounted; Exit with a hung player not tried"
        [ -n "$loop" ] && losetup -d "$loop"
    fi
fi
[ "$failures" = 0 ] && echo "all steps agree"
exit $((failures > 0))
