#!/usr/bin/env bash
# Runs a Windows Qt program under wine on an X display of its own (Xvfb), for
# the dialog's tests. Without a display such a program does its work and then
# never exits, so it runs with a time limit too (PENDRAK_WINE_TIMEOUT seconds,
# default 240): a hang fails instead of stalling the test run.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
limit=${PENDRAK_WINE_TIMEOUT:-240}
status=0
# Parallel runs start searching for a free display at different numbers, so
# that two do not race for the same one.
xvfb-run -a -n $((100 + RANDOM % 400)) -s "-screen 0 1280x1024x24 -nolisten tcp" \
  env PENDRAK_WINE_DISPLAY=1 timeout --kill-after=10 "$limit" "$here/wine-run.sh" "$@" || status=$?
if [ "$status" -eq 124 ] || [ "$status" -eq 137 ]; then
  echo "wine-gui-run.sh: $1 did not end within $limit s" >&2
fi
exit "$status"
