#!/usr/bin/env bash
# Copying with Parlowen beside `cp -r` followed by `sync`, alternating, medians of several runs:
# a few hundred songs (through parlowen-compare --apply and through the window's OK, which
# also gives the longest stall of its event loop), many small files, and how soon a stop in the
# middle of a large file ends the writing.
set -euo pipefail
cd "$(dirname "$0")/.."
tool=${PARLOWEN_TOOL:-build/parlowen-compare}
window=${PARLOWEN_WINDOW_BENCH:-build/bench/window_bench}
songs=bench/trees/songs
small=bench/trees/small
count=${PARLOWEN_BENCH_SONGS:-300}
runs=${PARLOWEN_BENCH_RUNS:-5}
if [ ! -d "$songs/src" ] || [ "$(ls "$songs/src" | wc -l)" -ne "$count" ]; then
    rm -rf "$songs"; mkdir -p "$songs/src"
    for i in $(seq -w 1 "$count"); do
        head -c $(( (3 + 10#$i % 5) * 1000000 )) /dev/urandom > "$songs/src/track $i.mp3"
    done
fi
# Covers, lyrics and playlists: 5,000 files of 20 kB in 200 folders.
if [ ! -d "$small/src" ]; then
    mkdir -p "$small/src"
    for f in $(seq -w 1 200); do
        mkdir "$small/src/album $f"
        for i in $(seq -w 1 25); do
            head -c 20000 /dev/urandom > "$small/src/album $f/part $i.lrc"
        done
    done
fi

# The runs' Sync log stays with the trees.
export XDG_STATE_HOME="$PWD/bench/trees/state"
now() { date +%s.%N; }
# A fresh empty target with the source's folders (Parlowen never creates folders; cp -r does).
fresh() { rm -rf "$1/dst"; mkdir "$1/dst"; (cd "$1/src" && find . -mindepth 1 -type d -exec mkdir -p "../dst/{}" \;); sync; }
measure() { # tree command...
    local tree=$1; shift
    fresh "$tree"
    local start end
    start=$(now); "$@" >/dev/null; end=$(now)
    awk -v a="$start" -v b="$end" 'BEGIN {printf "%.3f\n", b - a}'
}
median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN {printf "%.2f", a / b}'; }

compare_copies() { # tree
    local tree=$1 cp_times=() our_times=()
    for _ in $(seq "$runs"); do
        cp_times+=("$(measure "$tree" sh -c "rm -rf '$tree/dst' && cp -r '$tree/src' '$tree/dst' && sync")")
        our_times+=("$(measure "$tree" sh -c "$tool --apply '$tree/src' '$tree/dst'; test \$? -eq 0")")
    done
    cp_median=$(printf '%s\n' "${cp_times[@]}" | median)
    our_median=$(printf '%s\n' "${our_times[@]}" | median)
    echo "cp -r + sync:                median ${cp_median} s"
    echo "parlowen-compare --apply:    median ${our_median} s = $(ratio "$our_median" "$cp_median") x cp"
}

# The window's OK times the run alone: the process start and the two Compares of the tool's
# --apply are not copying.
window_ok() { # tree
    local tree=$1 ok_times=() stalls=() line
    [ -x "$window" ] || return 0
    for _ in $(seq "$runs"); do
        fresh "$tree"
        line=$(QT_QPA_PLATFORM=offscreen "$window" --sync "$tree/src" "$tree/dst" 2>/dev/null | tail -1)
        ok_times+=("$(echo "$line" | sed -n 's/.* in \([0-9.]*\) s;.*/\1/p')")
        stalls+=("$(echo "$line" | sed -n 's/.* \([0-9]*\) ms$/\1/p')")
    done
    ok_median=$(printf '%s\n' "${ok_times[@]}" | median)
    echo "the window's OK (progress shown): median ${ok_median} s = $(ratio "$ok_median" "$cp_median") x cp;" \
         "longest stall of its event loop: median $(printf '%s\n' "${stalls[@]}" | median) ms," \
         "worst $(printf '%s\n' "${stalls[@]}" | sort -n | tail -1) ms"
}

echo "-- songs: $count files, $(du -sh "$songs/src" | cut -f1)"
compare_copies "$songs"
window_ok "$songs"

echo "-- small files: $(find "$small/src" -type f | wc -l) files in $(find "$small/src" -mindepth 1 -type d | wc -l) folders, $(du -sh "$small/src" | cut -f1)"
compare_copies "$small"
window_ok "$small"

echo "-- stop in the middle of a 500 MB file (SIGINT to parlowen-compare --apply)"
big=bench/trees/big
if [ ! -f "$big/src/concert.flac" ]; then
    mkdir -p "$big/src"; head -c 500000000 /dev/urandom > "$big/src/concert.flac"
fi
stops=(); drains=(); late=0
for _ in $(seq "$runs"); do
    fresh "$big"
    "$tool" --apply "$big/src" "$big/dst" >/dev/null 2>&1 &
    pid=$!
    # Into the file: once its temporary copy holds 100 MB.
    while kill -0 "$pid" 2>/dev/null; do
        size=$(stat -c %s "$big/dst"/.*.parlowen-copy 2>/dev/null || echo 0)
        [ "${size:-0}" -ge 100000000 ] && break
        sleep 0.005
    done
    start=$(now); kill -INT "$pid" 2>/dev/null || true; wait "$pid" || true; ended=$(now)
    sync; drained=$(now)
    [ -f "$big/dst/concert.flac" ] && late=$((late + 1))
    stops+=("$(awk -v a="$start" -v b="$ended" 'BEGIN {printf "%.3f\n", b - a}')")
    drains+=("$(awk -v a="$start" -v b="$drained" 'BEGIN {printf "%.3f\n", b - a}')")
done
echo "from SIGINT to the program's end: median $(printf '%s\n' "${stops[@]}" | median) s;" \
     "to nothing left to write (sync after it): median $(printf '%s\n' "${drains[@]}" | median) s;" \
     "runs where the copy had already ended: $late of $runs"
rm -rf "$songs/dst" "$small/dst" "$big/dst"
