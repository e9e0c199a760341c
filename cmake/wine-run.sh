#!/bin/sh
# Runs a Windows program under wine: wine-run.sh LOADER PROGRAM [ARGS...]
#
# Now and then wine's own loader process dies by a signal as the program
# exits, after the program has done all its work and said so (seen about once
# in two thousand test programs under a busy wineserver; never when the same
# program runs again). Such a death is wine's, not the program's: the program
# runs once more, and the second run's output and status are the answer. A
# program that really crashes is caught by wine and ends with its exception
# code, not by a signal, and a failure that repeats still fails.
set -u
loader=$1
shift
out=$(mktemp) && err=$(mktemp) || exit 125
trap 'rm -f "$out" "$err"' EXIT

"$loader" "$@" >"$out" 2>"$err"
status=$?
if [ "$status" -gt 128 ] && [ "$status" -le 192 ]; then
  echo "wine-run: wine died by signal $((status - 128)); running $1 once more" >&2
  "$loader" "$@" >"$out" 2>"$err"
  status=$?
fi
cat "$out"
cat "$err" >&2
exit "$status"
