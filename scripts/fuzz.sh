#!/usr/bin/env bash
# Builds the libFuzzer targets (fuzz/) with clang, AddressSanitizer and
# UndefinedBehaviorSanitizer, writes their seed corpora and runs each target
# for a while. A crash, a leak, undefined behaviour, a time-out, an
# allocation beyond the limits or an input that ends in anything but a
# result or a failure of the engine's classes stops the target; its input is
# kept in <build>/artifacts/<target>/.
#   scripts/fuzz.sh [seconds per target, default 600] [target ...]
#   QUENBY_FUZZ_BUILD   build folder (default build-fuzz/); its corpus/
#                       folder keeps what each target found between runs
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
seconds=${1:-600}
shift || true
build=$(realpath -m "${QUENBY_FUZZ_BUILD:-build-fuzz}")

cxx=$(command -v clang++ || command -v clang++-14 || true)
if [ -z "$cxx" ]; then
  echo "fuzz: clang++ not found; install it with:" >&2
  echo "  apt-get install -y --no-install-recommends clang libclang-rt-14-dev" >&2
  exit 1
fi

CXX=$cxx cmake -S fuzz -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j"$(nproc)"

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  targets=(dllfile_loader_fuzz grnn_deferral_fuzz compile_dat_fuzz compile_flg_fuzz compile_ndp_fuzz compile_MinMax_fuzz
           compile_clu_fuzz compile_net_fuzz compile_grn_fuzz outfile_reader_fuzz control_file_fuzz
           inputvars_fuzz number_form_fuzz)
fi

rm -rf "$build/seeds"
"$build/write_seeds" "$build/seeds" "$root/engine/tests/data" >/dev/null

export ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
failed=0
printf '%-22s %12s %8s  %s\n' target executions corpus result
for t in "${targets[@]}"; do
  mkdir -p "$build/corpus/$t" "$build/artifacts/$t" "$build/logs"
  log="$build/logs/$t.log"
  result=ok
  # Everything that runs has a time-out: libFuzzer's own, and one around it.
  # Inputs that once failed run first, with the seeds.
  regressions=()
  if [ -d "fuzz/regressions/$t" ]; then regressions=("fuzz/regressions/$t"); fi
  if ! timeout $((seconds + 120)) "$build/$t" "$build/corpus/$t" "$build/seeds/$t" "${regressions[@]}" \
      -max_total_time="$seconds" -rss_limit_mb=512 -malloc_limit_mb=256 -timeout=10 \
      -dict="$root/fuzz/markers.dict" -print_final_stats=1 \
      -artifact_prefix="$build/artifacts/$t/" >"$log" 2>&1; then
    result="FAILED (see $log)"
    failed=1
  fi
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  corpus=$(find "$build/corpus/$t" -type f | wc -l)
  printf '%-22s %12s %8s  %s\n' "$t" "${execs:-?}" "$corpus" "$result"
done
exit $failed
