#!/usr/bin/env bash
# Makes the two install kits with CPack and checks them: what they hold, the
# quick-start text's CR LF line ends, the tools' --version, and a calculation
# of the sample deployment from each kit. The Windows kit is unpacked into a
# folder whose path holds a blank and a non-ASCII letter ("Modèle 1") and
# calculates there under Wine, with the Western code page (1252), UTF-8 as
# the system code page (65001) and one that cannot spell the folder (1251);
# its 400 values must equal the Linux kit's, and `quenby check` must find no
# error there.
# Runs after scripts/test.sh and scripts/test-windows.sh, on their trees:
#   QUENBY_LINUX_BUILD   (default build/)   QUENBY_WINDOWS_BUILD (default build-windows/)
set -euo pipefail
cd "$(dirname "$0")/.."
linux_build=$(realpath -m "${QUENBY_LINUX_BUILD:-build}")
win_build=$(realpath -m "${QUENBY_WINDOWS_BUILD:-build-windows}")
wine64=/usr/lib/wine/wine64
jobs=$(nproc)
failures=0
fail() { echo "test-packages: FAIL: $*" >&2; failures=$((failures + 1)); }

version=$(sed -n 's/^project(Quenby VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
cmake --build "$linux_build" -j"$jobs" --target package >/dev/null
cmake --build "$win_build" -j"$jobs" --target package >/dev/null
linux_kit=$linux_build/package/Quenby-$version-linux-$(uname -m).tar.gz
win_kit=$win_build/package/Quenby-$version-windows-x64.zip

work=$(mktemp -d)
stop_wine() { timeout 60 wineserver -k >/dev/null 2>&1 || true; }
trap 'stop_wine; rm -rf "$work"' EXIT

# check_kit KIT TOP DELIVERABLE... -- TOOL...: the kit holds QuickStart.txt,
# bin/ with exactly the deliverables and the tools, and sample/ with the
# deliverables and the sample deployment; nothing else.
sample_files="Control.dat inputs.txt checks/demo-expected.csv"
for p in Arrival SourceZone Spring Well; do
  for s in dat flg ndp net; do sample_files+=" projects/$p.$s"; done
done
sample_files+=" projects/Arrival.clu projects/Arrival.grn projects/Spring.grn projects/Well.MinMax"
check_kit() {
  local kit=$1 top=$2; shift 2
  local deliverables=() tools=()
  while [ "$1" != -- ]; do deliverables+=("$1"); shift; done
  shift
  tools=("$@")
  [ -f "$kit" ] || { fail "no kit $kit"; return; }
  local listing
  listing=$(cmake -E tar tf "$kit" | sed 's|/$||')
  local expected=("$top/QuickStart.txt")
  for f in "${deliverables[@]}" "${tools[@]}"; do expected+=("$top/bin/$f"); done
  for f in "${deliverables[@]}" $sample_files; do expected+=("$top/sample/$f"); done
  for f in "${expected[@]}"; do grep -qxF "$f" <<<"$listing" || fail "$(basename "$kit") lacks $f"; done
  local bin_count
  bin_count=$(grep -c "^$top/bin/[^/]*$" <<<"$listing" || true)
  [ "$bin_count" = $(( ${#deliverables[@]} + ${#tools[@]} )) ] || fail "$(basename "$kit"): bin/ holds $bin_count files"
  if grep -v -e "^$top$" -e "^$top/QuickStart.txt$" -e "^$top/bin" -e "^$top/sample" <<<"$listing"; then
    fail "$(basename "$kit") holds files outside bin/ and sample/ (listed above)"
  fi
}
check_kit "$linux_kit" "Quenby-$version-linux-$(uname -m)" libPellmar.so Torvane libQuenby.so -- quenby pellmar-run sample-generator
check_kit "$win_kit" "Quenby-$version-windows-x64" Pellmar.dll Torvane.exe Quenby.dll -- quenby.exe pellmar-run.exe sample-generator.exe

# compare_series LINUX.csv WINDOWS.csv: pellmar-run's table of the four
# series, value by value. Equal text is equal doubles (shortest exact form),
# and the engine computes the same bits on both platforms: any difference,
# a missing row or a different header fails.
compare_series() {
  awk -F, 'NR == FNR { ref[FNR] = $0; n = FNR; next }
    { rows = FNR; if (FNR == 1) { if ($0 != ref[1]) { print "header differs"; bad = 1 }; next }
      split(ref[FNR], r, ",")
      for (j = 1; j <= NF; ++j) if ($j != r[j]) { printf "row %d column %d: %s, Linux %s\n", FNR, j, $j, r[j]; bad = 1 } }
    END { if (rows != n || n != 101) { print "rows: " rows ", Linux " n; bad = 1 }
      exit bad }' "$1" "$2"
}

# The Linux kit: its sample deployment calculates; the reference values.
mkdir -p "$work/linux"
(cd "$work/linux" && cmake -E tar xf "$linux_kit")
linux_top=$work/linux/Quenby-$version-linux-$(uname -m)
if grep -q -v $'\r$' "$linux_top/QuickStart.txt"; then fail "QuickStart.txt (Linux) has lines without CR LF"; fi
for tool in quenby pellmar-run sample-generator; do
  [ "$("$linux_top/bin/$tool" --version)" = "$tool $version" ] || fail "$tool --version (Linux)"
done
(cd "$linux_top/sample" && timeout 120 ../bin/pellmar-run --csv inputs.txt) >"$work/linux.csv" || fail "the Linux kit's sample does not calculate"

# The Windows kit under Wine, in "Modèle 1".
export WINEPREFIX="${WINEPREFIX:-$win_build/wineprefix}"
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe="
unset DISPLAY WAYLAND_DISPLAY
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  timeout 300 "$wine64" wineboot --init </dev/null >/dev/null 2>&1
fi
folder="$work/Modèle 1"
mkdir -p "$folder"
(cd "$folder" && cmake -E tar xf "$win_kit")
win_top=$folder/Quenby-$version-windows-x64
if grep -q -v $'\r$' "$win_top/QuickStart.txt"; then fail "QuickStart.txt (Windows) has lines without CR LF"; fi
# Wine takes its code page from the locale when its server starts, and
# spells Linux file names by the C library's locale, which must exist: the
# two beyond C.UTF-8 are made here, in a folder of this run (LOCPATH).
mkdir -p "$work/locales"
for l in ru_RU hi_IN; do
  localedef -i $l -f UTF-8 "$work/locales/$l.UTF-8" ||
    { fail "cannot make the locale $l.UTF-8 (apt-get install locales)"; exit 1; }
done
for locale in C.UTF-8:1252 hi_IN.UTF-8:65001 ru_RU.UTF-8:1251; do
  lang=${locale%%:*} codepage=${locale##*:}
  if [ "$lang" = C.UTF-8 ]; then unset LOCPATH; else export LOCPATH=$work/locales; fi
  stop_wine
  run="$win_top/sample $codepage"
  cp -r "$win_top/sample" "$run"
  # Where the code page can spell it, "Control.dat" names the projects by
  # absolute paths in that code page, as a modeller's editor writes them.
  case $codepage in
    1252) charset=WINDOWS-1252 ;;
    65001) charset=UTF-8 ;;
    *) charset= ;;
  esac
  if [ -n "$charset" ]; then
    windows_run="Z:${run//\//\\}"
    while IFS= read -r line; do
      line=${line%$'\r'}
      case $line in projects/*) line="$windows_run\\projects\\${line#projects/}" ;; esac
      printf '%s\r\n' "$line"
    done <"$run/Control.dat" | iconv -f UTF-8 -t "$charset" >"$run/Control.dat.new"
    mv "$run/Control.dat.new" "$run/Control.dat"
  fi
  for tool in quenby pellmar-run sample-generator; do
    answer=$(cd "$run" && LANG=$lang LC_ALL=$lang timeout 120 "$wine64" "../bin/$tool.exe" --version </dev/null | tr -d '\r')
    [ "$answer" = "$tool $version" ] || fail "$tool.exe --version (code page $codepage): $answer"
  done
  if (cd "$run" && LANG=$lang LC_ALL=$lang timeout 300 "$wine64" ../bin/pellmar-run.exe --csv inputs.txt </dev/null) \
      >"$work/windows-$codepage.csv" 2>"$work/windows-$codepage.err"; then
    tr -d '\r' <"$work/windows-$codepage.csv" >"$work/windows.csv"
    compare_series "$work/linux.csv" "$work/windows.csv" || fail "code page $codepage: the Windows kit's values differ from the Linux kit's"
  else
    fail "code page $codepage: the Windows kit's sample does not calculate in $run: $(cat "$work/windows-$codepage.err")"
  fi
  # The deployment check finds no error, the calculation included.
  if ! (cd "$run" && LANG=$lang LC_ALL=$lang timeout 300 "$wine64" ../bin/quenby.exe check --inputs inputs.txt </dev/null \
        >"$work/check-$codepage.txt" 2>&1) || grep -q '^error' "$work/check-$codepage.txt"; then
    fail "code page $codepage: quenby.exe check in $run: $(grep -v '^ok' "$work/check-$codepage.txt")"
  fi
  # Many realizations: the driver runs in a temporary copy from this folder.
  (tr -d '\r' <"$run/inputs.txt" | paste -sd, -; tr -d '\r' <"$run/inputs.txt" | paste -sd, -) >"$run/realizations.csv"
  (cd "$run" && LANG=$lang LC_ALL=$lang timeout 300 "$wine64" ../bin/pellmar-run.exe --realizations realizations.csv \
      --out realized.csv --no-progress </dev/null >/dev/null 2>"$work/windows-$codepage.err") && [ -s "$run/realized.csv" ] ||
    fail "code page $codepage: pellmar-run --realizations fails in $run: $(cat "$work/windows-$codepage.err")"
done
stop_wine
unset LOCPATH

if [ "$failures" -gt 0 ]; then
  echo "test-packages: $failures check(s) failed" >&2
  exit 1
fi
echo "test-packages: both kits hold what they should; the Windows kit calculates the Linux kit's values in \"Modèle 1\""
