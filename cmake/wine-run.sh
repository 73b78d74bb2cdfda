#!/bin/sh
# Runs a cross-built Windows program under Wine, headless.
# Wine's background services inherit the first program's output pipe and
# ctest then waits for it to close: start them first with their output on
# /dev/null, then run the program. No display: a message box must return at
# once instead of waiting for a person.
unset DISPLAY WAYLAND_DISPLAY
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml,winemenubuilder.exe=}"
WINE64="${WINE64:-/usr/lib/wine/wine64}"
"$WINE64" cmd.exe /c exit </dev/null >/dev/null 2>&1
exec "$WINE64" "$@"
