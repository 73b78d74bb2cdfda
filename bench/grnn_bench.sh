#!/usr/bin/env bash
# The general regression pass, 1,000 cases x 10,000 patterns x 50 inputs,
# "Holdout" and "Genetic": the engine (bench/grnn_bench.cpp) and numpy
# (bench/grnn_numpy.py) in the same run, in kernel terms per second.
#
#   bench/grnn_bench.sh [build folder, default build-bench]
#
# Needs Google Benchmark and Debian's python3-numpy (/usr/bin/python3).
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build-bench}"

cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DQUENBY_BENCH=ON >/dev/null
cmake --build "$build" -j"$(nproc)" --target grnn_bench >/dev/null

echo "== $(date -u '+%F %T') on $(nproc) cores, load $(cut -d' ' -f1-3 /proc/loadavg)"
"$build/bench/grnn_bench" --benchmark_min_time=1 --benchmark_filter='BM_RunGrnn' 2>/dev/null
/usr/bin/python3 bench/grnn_numpy.py
