#!/usr/bin/env bash
# Builds the Linux tree with AddressSanitizer and UndefinedBehaviorSanitizer
# in build-asan/ and runs the whole test suite there. Any report fails the
# test that caused it. Built with clang when it is installed: its
# UndefinedBehaviorSanitizer also catches offsets applied to null pointers.
#   QUENBY_SANITIZE_BUILD  build folder (default build-asan/)
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(realpath -m "${QUENBY_SANITIZE_BUILD:-build-asan}")
compilers=()
if [ ! -f "$build/CMakeCache.txt" ] && command -v clang++ >/dev/null && command -v clang >/dev/null; then
  compilers=(-DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++)
fi
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUENBY_SANITIZE=ON "${compilers[@]}" >/dev/null
cmake --build "$build" -j"$(nproc)"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0:strict_string_checks=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
ctest --test-dir "$build" --output-on-failure -j"$(nproc)" --timeout 300
