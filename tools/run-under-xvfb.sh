#!/bin/sh
# Runs a command with a display of its own: a fresh Xvfb, stopped again afterwards.
# Every screenshot the command leaves as BMP in $QM_ARTIFACT_DIR is converted to PNG.
set -u
displayFile=$(mktemp)
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$displayFile" 2>/dev/null &
xvfb=$!
for _ in $(seq 1 100); do [ -s "$displayFile" ] && break; sleep 0.1; done
export DISPLAY=":$(cat "$displayFile")"
rm -f "$displayFile"
"$@"
status=$?
# Wine's desktop process holds the display: end it before the display goes.
[ -n "${WINEPREFIX:-}" ] && wineserver -k 2>/dev/null
kill "$xvfb" 2>/dev/null
wait "$xvfb" 2>/dev/null
if [ -n "${QM_ARTIFACT_UNIX_DIR:-}" ]; then
  for bmp in "$QM_ARTIFACT_UNIX_DIR"/*.bmp; do
    [ -e "$bmp" ] && convert "$bmp" "${bmp%.bmp}.png" && rm -f "$bmp"
  done
fi
exit $status
