#!/usr/bin/env bash
# Runs every benchmark and prints one table (Markdown) of the figures beside
# their alternatives:
#   back-propagation throughput beside numpy   bench/backprop_bench.cpp, backprop_numpy.py
#   loading a compiled file beside wc -l         bench/load_bench.cpp
#   one host calculation beside its floor        bench/host_call_bench.cpp, copy_driver.cpp
#   compilation throughput beside wc -l          bench/compile_bench.sh
#   general regression beside numpy             bench/grnn_bench.sh
#
#   bench/run_all.sh [build folder, default build-bench] [host calls, default 300]
#   QUENBY_BENCH_OPENBLAS=FOLDER also runs numpy over the OpenBLAS in FOLDER.
#
# Needs Google Benchmark and Debian's python3-numpy (/usr/bin/python3);
# python3-threadpoolctl, when installed, names numpy's BLAS kernel. The raw
# outputs stay in a folder whose name the script prints.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath -m "${1:-$root/build-bench}")
calls=${2:-300}
py=/usr/bin/python3

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DQUENBY_BENCH=ON >/dev/null
cmake --build "$build" -j"$(nproc)" --target backprop_bench load_bench host_call_bench copy_driver \
  Torvane Quenby Pellmar sample-generator >/dev/null

out=$(mktemp -d "${TMPDIR:-/tmp}/quenby-bench.XXXXXX")
echo "raw outputs: $out" >&2

{
  echo "date: $(date -u '+%F %T') UTC"
  echo "cpu: $(lscpu | sed -n 's/^Model name: *//p' | head -1), $(nproc) cores, $(lscpu | sed -n 's/^Flags:.*\(avx512f\).*/AVX-512F/p')"
  echo "memory: $(free -g | awk '/^Mem:/ {print $2}') GB; kernel $(uname -r); $(g++ --version | head -1)"
  echo "numpy: $($py -c 'import numpy; print(numpy.__version__)' 2>/dev/null || echo missing)"
  echo "load before: $(cut -d' ' -f1-3 /proc/loadavg)"
} >"$out/machine.txt"

echo "back-propagation ..." >&2
"$build/bench/backprop_bench" --benchmark_repetitions=5 --benchmark_report_aggregates_only=true \
  --benchmark_out="$out/backprop.json" --benchmark_out_format=json >"$out/backprop.txt" 2>&1
# numpy as Debian ships it; OPENBLAS_CORETYPE / OPENBLAS_L2_SIZE, set on some
# machines, would hold an OpenBLAS back, so they are unset for this command.
env -u OPENBLAS_CORETYPE -u OPENBLAS_L2_SIZE "$py" "$root/bench/backprop_numpy.py" >"$out/backprop_numpy.txt"
# Optionally the same numpy over OpenBLAS, from a folder holding its
# libblas.so.3 (for example the openblas-pthread folder of an unpacked
# libopenblas0-pthread package), without changing the system's choice.
if [ -n "${QUENBY_BENCH_OPENBLAS:-}" ]; then
  env -u OPENBLAS_CORETYPE -u OPENBLAS_L2_SIZE LD_LIBRARY_PATH="$QUENBY_BENCH_OPENBLAS" \
    "$py" "$root/bench/backprop_numpy.py" >"$out/backprop_numpy_openblas.txt"
fi

echo "loading ..." >&2
mkdir -p "$out/load"
"$build/bench/load_bench" "$out/load" --benchmark_repetitions=5 --benchmark_report_aggregates_only=true \
  --benchmark_out="$out/load.json" --benchmark_out_format=json >"$out/load.txt" 2>&1
file="$out/load/load.DLLFile"
best=""
for _ in 1 2 3 4 5; do
  start=$(date +%s%N)
  lines=$(wc -l <"$file")
  end=$(date +%s%N)
  ns=$((end - start))
  if [ -z "$best" ] || [ "$ns" -lt "$best" ]; then best=$ns; fi
done
echo "wc -l: $lines lines, $(stat -c %s "$file") bytes, best $best ns" >"$out/load_wc.txt"
rm -f "$file"

echo "host calculation ($calls calls of each) ..." >&2
host="$out/host/work"
mkdir -p "$host"
cp "$build/bin/Torvane" "$build/bin/libQuenby.so" "$build/bin/libPellmar.so" "$host/"
"$build/bin/sample-generator" "$host" >/dev/null
"$build/bench/host_call_bench" "$host" "$build/bench/copy_driver" "$calls" >"$out/host.txt"
# The same sample set with network B keeping 20,000 stored patterns.
large="$out/host_20000/work"
mkdir -p "$large"
cp "$build/bin/Torvane" "$build/bin/libQuenby.so" "$build/bin/libPellmar.so" "$large/"
"$build/bin/sample-generator" "$large" >/dev/null
"$build/bench/host_call_bench" "$large" "$build/bench/copy_driver" "$((calls / 3 + 1))" 20000 >"$out/host_20000.txt"

echo "compilation ..." >&2
"$root/bench/compile_bench.sh" "$build" >"$out/compile.txt" 2>&1
echo "general regression ..." >&2
"$root/bench/grnn_bench.sh" "$build" >"$out/grnn.txt" 2>&1

echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)" >>"$out/machine.txt"
"$py" "$root/bench/bench_table.py" "$out" | tee "$out/table.md"
