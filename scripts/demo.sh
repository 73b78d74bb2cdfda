#!/usr/bin/env bash
# The main job on a fresh Debian machine: installs what the build needs (as
# root), builds, generates the sample networks into a fresh working folder
# beside the three deliverables, runs one host calculation there with
# pellmar-run, prints the four series and writes the chart.
#   scripts/demo.sh [FOLDER]   (default build/demo, emptied first;
#   QUENBY_BUILD names another build tree than build/)
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(realpath -m "${QUENBY_BUILD:-build}")
work=$(realpath -m "${1:-$build/demo}")

export DEBIAN_FRONTEND=noninteractive
if [ "$(id -u)" = 0 ] && command -v apt-get >/dev/null; then
  need=""
  for tool in cmake g++ make; do command -v "$tool" >/dev/null || need=yes; done
  [ -f /usr/include/gtest/gtest.h ] || need=yes
  [ -f /usr/include/CLI/CLI.hpp ] || need=yes
  if [ -n "$need" ]; then
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends cmake g++ make googletest libgtest-dev libcli11-dev >/dev/null
  fi
fi

cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j"$(nproc)" --target Torvane Quenby Pellmar sample-generator pellmar-run quenby

# A fresh working folder: nothing of an earlier run (compiled networks,
# exchange files) may stay in it.
case "$work" in
  "$build"/*) rm -rf "$work" ;;
  *) if [ -e "$work" ] && [ -n "$(ls -A "$work" 2>/dev/null)" ]; then
       echo "demo: $work is not empty; name a new folder" >&2
       exit 1
     fi ;;
esac
mkdir -p "$work"
cp "$build"/bin/Torvane "$build"/bin/libQuenby.so "$build"/bin/libPellmar.so "$work"/
"$build"/bin/sample-generator "$work"

cd "$work"
"$build"/bin/pellmar-run --svg chart.svg inputs.txt
# The same calculation, exactly as the generator predicts it.
"$build"/bin/pellmar-run --csv inputs.txt > series.csv
if cmp -s series.csv <(tr -d '\r' < checks/demo-expected.csv); then
  echo "demo: the 400 values equal the generator's own predictions (checks/demo-expected.csv)"
else
  echo "demo: the 400 values differ from checks/demo-expected.csv" >&2
  exit 1
fi
echo "demo: working folder $work; chart $work/chart.svg"
