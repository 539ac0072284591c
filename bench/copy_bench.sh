#!/usr/bin/env bash
# Copying a few hundred songs: Parlowen's Sync (parlowen-compare --apply into an empty folder)
# beside `cp -r` followed by `sync`, alternating, medians of several runs.
set -euo pipefail
cd "$(dirname "$0")/.."
tool=${PARLOWEN_TOOL:-build/parlowen-compare}
songs=bench/trees/songs
count=${PARLOWEN_BENCH_SONGS:-300}
runs=${PARLOWEN_BENCH_RUNS:-5}
if [ ! -d "$songs/src" ] || [ "$(ls "$songs/src" | wc -l)" -ne "$count" ]; then
    rm -rf "$songs"; mkdir -p "$songs/src"
    for i in $(seq -w 1 "$count"); do
        head -c $(( (3 + 10#$i % 5) * 1000000 )) /dev/urandom > "$songs/src/track $i.mp3"
    done
fi
du -sh "$songs/src" | awk -v n="$count" '{print n " files, " $1}'

now() { date +%s.%N; }
measure() { # label command...
    rm -rf "$songs/dst"; mkdir "$songs/dst"; sync
    local start end
    start=$(now); "$@" >/dev/null; end=$(now)
    awk -v a="$start" -v b="$end" 'BEGIN {printf "%.3f\n", b - a}'
}
median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }

cp_times=(); our_times=()
for _ in $(seq "$runs"); do
    cp_times+=("$(measure sh -c "cp -r '$songs/src/.' '$songs/dst/' && sync")")
    our_times+=("$(measure sh -c "$tool --apply '$songs/src' '$songs/dst'; test \$? -eq 0")")
done
cp_median=$(printf '%s\n' "${cp_times[@]}" | median)
our_median=$(printf '%s\n' "${our_times[@]}" | median)
echo "cp -r + sync:                median ${cp_median} s"
echo "parlowen-compare --apply:    median ${our_median} s = $(awk -v a="$our_median" -v b="$cp_median" 'BEGIN {printf "%.2f", a / b}') x cp"
rm -rf "$songs/dst"
