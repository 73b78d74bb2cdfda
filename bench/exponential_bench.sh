#!/usr/bin/env bash
# The "Back Prop" and "GRNN" passes with the engine's own exponential beside
# the same passes built from REF (default: the commit before the exponential
# came in, whose kernels call the C library's exp per lane), in one run,
# alternating, one thread per instruction set (bench/pass_times.cpp). Then
# the exponential alone beside std::exp (bench/exponential_bench.cpp).
#
#   bench/exponential_bench.sh [BUILD, default build-bench] [REF]
#   QUENBY_BENCH_WINDOWS=1 also cross-builds both for Windows and runs them
#   under Wine (headless).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath -m "${1:-$root/build-bench}")
ref=${2:-$(git -C "$root" log --diff-filter=A --format=%H -- engine/src/exponential.cpp | tail -1)^}
ref=$(git -C "$root" rev-parse --short "$ref")
launch=()
if command -v ccache >/dev/null; then launch=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache); fi

base=$(mktemp -d "${TMPDIR:-/tmp}/quenby-exp-bench.XXXXXX")
echo "earlier build: $ref in $base" >&2
git -C "$root" archive "$ref" | tar -x -C "$base/"
# The earlier tree gets today's timing program, and a build rule for it alone.
cp "$root/bench/pass_times.cpp" "$base/bench/"
cat >"$base/bench/CMakeLists.txt" <<'CMAKE'
add_executable(pass_times pass_times.cpp)
if(TARGET quenby_engine_internal)
  target_link_libraries(pass_times PRIVATE quenby_engine_internal quenby_testing)
else()
  target_link_libraries(pass_times PRIVATE quenby_engine)
endif()
set_target_properties(pass_times PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
CMAKE

configure() {  # source folder, build folder, extra options
  cmake -S "$1" -B "$2" -DCMAKE_BUILD_TYPE=Release -DQUENBY_BENCH=ON -DQUENBY_TESTS=OFF "${launch[@]}" "${@:3}" >/dev/null
}
configure "$root" "$build"
configure "$base" "$base/build"
cmake --build "$build" -j"$(nproc)" --target pass_times exponential_bench >/dev/null
cmake --build "$base/build" -j"$(nproc)" --target pass_times >/dev/null

echo "== $(date -u '+%F %T') UTC on $(nproc) cores, load $(cut -d' ' -f1-3 /proc/loadavg)"
for round in 1 2; do
  echo "-- round $round: this tree (load $(cut -d' ' -f1-3 /proc/loadavg))"
  "$build/bench/pass_times"
  echo "-- round $round: $ref (std::exp)"
  "$base/build/bench/pass_times"
done
"$build/bench/exponential_bench" --benchmark_min_time=0.5 2>/dev/null

if [ -n "${QUENBY_BENCH_WINDOWS:-}" ]; then
  toolchain=(-DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake")
  configure "$root" "$build-windows" "${toolchain[@]}"
  configure "$base" "$base/build-windows" -DCMAKE_TOOLCHAIN_FILE="$base/cmake/mingw-w64.cmake"
  cmake --build "$build-windows" -j"$(nproc)" --target pass_times >/dev/null
  cmake --build "$base/build-windows" -j"$(nproc)" --target pass_times >/dev/null
  export WINEPREFIX="${WINEPREFIX:-$build-windows/wineprefix}" WINEDEBUG=-all
  unset DISPLAY WAYLAND_DISPLAY
  for round in 1 2; do
    echo "-- round $round, Windows build under Wine: this tree (load $(cut -d' ' -f1-3 /proc/loadavg))"
    timeout 600 "$root/cmake/wine-run.sh" "$build-windows/bench/pass_times.exe"
    echo "-- round $round, Windows build under Wine: $ref (std::exp)"
    timeout 600 "$root/cmake/wine-run.sh" "$base/build-windows/bench/pass_times.exe"
  done
  timeout 60 wineserver -k >/dev/null 2>&1 || true
fi
rm -rf "$base"
