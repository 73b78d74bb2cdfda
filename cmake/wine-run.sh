#!/bin/sh
# Runs a cross-built Windows program under Wine, headless.
# Wine's background processes (its services, and the desktop process a
# window or message box starts) inherit the program's output and outlive it;
# ctest would wait for them to close its pipe. So the services are started
# first with their output on /dev/null, and the program writes to files that
# are copied to our output once it has ended. No display: a message box must
# fail at once instead of waiting for a person.
unset DISPLAY WAYLAND_DISPLAY
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml,winemenubuilder.exe=}"
WINE64="${WINE64:-/usr/lib/wine/wine64}"
"$WINE64" cmd.exe /c exit </dev/null >/dev/null 2>&1

out=$(mktemp) && err=$(mktemp) || exit 125
trap 'rm -f "$out" "$err"' EXIT
trap 'exit 143' TERM INT
"$WINE64" "$@" >"$out" 2>"$err"
rc=$?
cat "$out"
cat "$err" >&2
exit $rc
