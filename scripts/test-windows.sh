#!/usr/bin/env bash
# Cross-builds the Windows deliverables in build-windows/ with MinGW-w64 and
# runs their tests under Wine: the unit tests, the import/export table checks
# and the whole calculation, compared with the Linux tree's run of it.
# Headless (no display: a message box returns at once) and with time-outs.
#   QUENBY_LINUX_BUILD   Linux tree to compare against (default build/,
#                        which scripts/test.sh has built; built when missing)
#   QUENBY_WINDOWS_BUILD Windows tree (default build-windows/)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
linux_build=$(realpath -m "${QUENBY_LINUX_BUILD:-build}")
win_build=$(realpath -m "${QUENBY_WINDOWS_BUILD:-build-windows}")
wine64=/usr/lib/wine/wine64
jobs=$(nproc)

for need in x86_64-w64-mingw32-g++-posix x86_64-w64-mingw32-objdump "$wine64"; do
  if ! command -v "$need" >/dev/null; then
    echo "test-windows: $need not found; install it with:" >&2
    echo "  apt-get install -y --no-install-recommends g++-mingw-w64-x86-64-posix wine wine64" >&2
    exit 1
  fi
done

if [ ! -x "$linux_build/tests/pellmar_host" ]; then
  cmake -S . -B "$linux_build" -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build "$linux_build" -j"$jobs"
fi

cmake -S . -B "$win_build" -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake" \
  -DQUENBY_LINUX_BUILD="$linux_build" >/dev/null
cmake --build "$win_build" -j"$jobs"

export WINEPREFIX="${WINEPREFIX:-$win_build/wineprefix}"
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe="
unset DISPLAY WAYLAND_DISPLAY
stop_wine() { timeout 60 wineserver -k >/dev/null 2>&1 || true; }
trap stop_wine EXIT

if [ ! -f "$WINEPREFIX/system.reg" ]; then
  start=$(date +%s)
  timeout 300 "$wine64" wineboot --init </dev/null >/dev/null 2>&1
  echo "test-windows: Wine prefix $WINEPREFIX prepared in $(( $(date +%s) - start )) s"
fi

timeout 1800 ctest --test-dir "$win_build" --output-on-failure -j"$jobs" --timeout 300
