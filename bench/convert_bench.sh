#!/usr/bin/env bash
# Converting FLAC to MP3 (LAME VBR quality 2) through parlowen-compare --convert beside the
# `ffmpeg` command on the same files, medians of several runs alternating in one session: the
# CPU of both on one core (tags, cover, flush and rename included in ours), songs a minute on
# one core, the speed-up on every core, and a second Sync with the songs unchanged.
set -euo pipefail
cd "$(dirname "$0")/.."
tool=${PARLOWEN_TOOL:-build/parlowen-compare}
songs=${PARLOWEN_BENCH_SONGS:-12}
seconds=${PARLOWEN_BENCH_SECONDS:-240}
runs=${PARLOWEN_BENCH_RUNS:-3}
trees=bench/trees/convert
for program in ffmpeg flac metaflac; do
    command -v "$program" >/dev/null || { echo "needs $program (apt-get install ffmpeg flac)"; exit 2; }
done
if [ ! -d "$trees/pc" ] || [ "$(ls "$trees/pc" | wc -l)" -ne "$songs" ]; then
    rm -rf "$trees" && mkdir -p "$trees/pc" "$trees/wav"
    build/bench/make_songs "$trees/wav" "$songs" "$seconds"
    ffmpeg -loglevel error -f lavfi -i testsrc=size=600x600:rate=1 -frames:v 1 "$trees/cover.jpg"
    for wav in "$trees"/wav/*.wav; do
        flac="$trees/pc/$(basename "${wav%.wav}").flac"
        flac --silent -o "$flac" "$wav"
        metaflac --set-tag="TITLE=$(basename "$flac")" --set-tag=ARTIST=Bench \
            --import-picture-from="$trees/cover.jpg" "$flac"
    done
    rm -rf "$trees/wav"
fi
export XDG_STATE_HOME=$PWD/$trees/state XDG_CONFIG_HOME=$PWD/$trees/config
median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN {printf "%.2f", a / b}'; }
# CPU seconds (user + system) and wall seconds of a command.
measure() { /usr/bin/time -f "%U %S %e" "$@" 2>&1 >/dev/null | tail -1 | awk '{printf "%.2f %.2f\n", $1 + $2, $3}'; }
ours() { # cores...
    rm -rf "$trees/player" "$trees/cache" "$trees/state" && mkdir -p "$trees/player"
    XDG_CACHE_HOME=$PWD/$trees/cache measure taskset -c "$1" "$tool" --convert mp3-v2 --apply \
        --no-log "$trees/player" "$trees/pc"
}
theirs() {
    rm -rf "$trees/ffmpeg" && mkdir -p "$trees/ffmpeg"
    measure taskset -c 0 sh -c "for f in '$trees'/pc/*.flac; do ffmpeg -loglevel error -threads 1 \
        -i \"\$f\" -map 0:a -c:a libmp3lame -q:a 2 \"$trees/ffmpeg/\$(basename \"\$f\" .flac).mp3\"; done"
}
cpu_ours=() cpu_theirs=() wall_one=() wall_all=()
all=$(seq -s, 0 $(($(nproc) - 1)))
for _ in $(seq "$runs"); do
    read -r cpu wall < <(theirs); cpu_theirs+=("$cpu")
    read -r cpu wall < <(ours 0); cpu_ours+=("$cpu"); wall_one+=("$wall")
    read -r cpu wall < <(ours "$all"); wall_all+=("$wall")
done
theirs_cpu=$(printf '%s\n' "${cpu_theirs[@]}" | median)
ours_cpu=$(printf '%s\n' "${cpu_ours[@]}" | median)
one=$(printf '%s\n' "${wall_one[@]}" | median)
every=$(printf '%s\n' "${wall_all[@]}" | median)
echo "-- $songs songs of $seconds s, FLAC with tags and a 600x600 cover, to MP3 VBR 2"
echo "ffmpeg -threads 1, one core:       median CPU ${theirs_cpu} s"
echo "parlowen-compare --convert, 1 core: median CPU ${ours_cpu} s = $(ratio "$ours_cpu" "$theirs_cpu") x ffmpeg;" \
     "$(awk -v n="$songs" -v s="$one" 'BEGIN {printf "%.1f", n * 60 / s}') songs a minute"
echo "on $(nproc) cores:                      median ${every} s = $(ratio "$one" "$every") x faster than one core"
# Unchanged songs: the second Sync plans nothing and writes nothing.
before=$(find "$trees/player" "$trees/cache" -type f -printf '%p %s %T@\n' | sort | md5sum)
planned=$(XDG_CACHE_HOME=$PWD/$trees/cache "$tool" --convert mp3-v2 "$trees/player" "$trees/pc" | grep -c '^OP' || true)
XDG_CACHE_HOME=$PWD/$trees/cache "$tool" --convert mp3-v2 --apply --no-log "$trees/player" "$trees/pc" >/dev/null
after=$(find "$trees/player" "$trees/cache" -type f -printf '%p %s %T@\n' | sort | md5sum)
echo "second Sync: $planned operations planned, files $([ "$before" = "$after" ] && echo unchanged || echo CHANGED)"
