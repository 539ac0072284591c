#!/usr/bin/env bash
# Builds Parlowen, makes the benchmark trees once (bench/trees, about 210,000 sparse files),
# and runs the benchmarks with their floors measured in the same run.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh -DPARLOWEN_BENCH=ON
trees=bench/trees
if [ ! -d "$trees/pc" ]; then
    build/bench/make_trees "$trees" "${PARLOWEN_BENCH_ALBUMS:-5000}"
fi
echo "== scan and compare =="
build/bench/compare_bench build/parlowen-compare "$trees/player" "$trees/pc" "${PARLOWEN_BENCH_RUNS:-7}"
echo "== the window's Compare: longest stall of the event loop =="
QT_QPA_PLATFORM=offscreen build/bench/window_bench "$trees/player" "$trees/pc"
echo "== the window's Compare of a player that speaks MTP (in memory, 5 ms a request, 3,000 songs) =="
mkdir -p "$trees/empty"
QT_QPA_PLATFORM=offscreen build/bench/window_bench --device 3000 "$trees/empty"
echo "== the Sync wizard over a plan of 100,000 copies (the PC's tree beside an empty folder) =="
mkdir -p "$trees/empty"
QT_QPA_PLATFORM=offscreen build/bench/window_bench --wizard "$trees/empty" "$trees/pc"
echo "== answering: the wizard on a slow device, Stop in each phase, the log's cost =="
QT_QPA_PLATFORM=offscreen build/bench/run_control_bench
echo "== copying songs: Sync beside cp -r + sync =="
bench/copy_bench.sh
echo "== converting: beside the ffmpeg command, and Compare with a copy map =="
bench/convert_bench.sh || echo "(skipped: needs the ffmpeg and flac commands)"
build/bench/convert_compare_bench "$trees/convert-compare"
