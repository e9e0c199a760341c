#!/bin/sh
# One wineserver session for a whole test run: start | stop | prepare.
# WINEPREFIX and the rest of wine's environment come from the caller.
#
# Why a session: wineserver and the helper processes it spawns (services.exe,
# winedevice.exe, ...) inherit the output pipe of the wine process that
# started them. Started by a test, they keep that test's pipe open, and ctest
# waits for it until the idle server exits, 3 s later (or forever, for a
# persistent server). Started here with their output on /dev/null, they hold
# nothing, and each test starts in a fraction of a second.
#
# The display is fixed per session: start it under the X server the tests
# are to see (run the whole ctest under xvfb-run).
set -u
loader=${RB_WINE_LOADER:-/usr/lib/wine/wine}
prepared=$WINEPREFIX/.prepared

# Creates the prefix on first use (several seconds), quietly. A program that
# crashes must end there, as a failed test with a backtrace: with a display,
# wine's debugger would instead show a dialog and wait for ever.
prepare() {
  [ -f "$prepared" ] && return 0
  mkdir -p "$WINEPREFIX" &&
    "$loader" wineboot --init </dev/null >/dev/null 2>&1 &&
    "$loader" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f \
      </dev/null >/dev/null 2>&1 &&
    wineserver -w </dev/null >/dev/null 2>&1 &&
    touch "$prepared"
}

case "${1:-}" in
  prepare)
    prepare ;;
  start)
    prepare || exit 1
    # A server left from a build (test discovery) may have no display.
    wineserver -k </dev/null >/dev/null 2>&1
    wineserver -p </dev/null >/dev/null 2>&1
    exec "$loader" wineboot </dev/null >/dev/null 2>&1 ;;
  stop)
    wineserver -k </dev/null >/dev/null 2>&1
    exit 0 ;;
  *)
    echo "usage: $0 prepare|start|stop" >&2
    exit 2 ;;
esac
