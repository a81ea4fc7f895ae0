#!/usr/bin/env bash
# The demo's job as on a fresh machine: against a Wine prefix that does not exist yet, so that
# making the prefix and then showing the editor under Xvfb is what gets checked.
#   demo-first-run.sh BUILD_FOLDER
set -euo pipefail
build=$(realpath "$1")
root=$(cd "$(dirname "$0")/../../../.." && pwd)
work="$build/demo-first-run"
rm -rf "$work"
mkdir -p "$work"

QM_WINEPREFIX="$work/wineprefix" QM_BUILD_DIR="$build" bash "$root/tools/demo-job.sh" "$work/out" "$work/audio"

for file in quellmar-demo-ducked.wav quellmar-demo-mix.wav editor.png quellmar-demo-gain.png; do
  [ -s "$work/out/$file" ] || { echo "missing or empty: $work/out/$file" >&2; exit 1; }
done
size=$(identify -format '%wx%h' "$work/out/editor.png")
colours=$(identify -format '%k' "$work/out/editor.png")
echo "editor.png: $size, $colours colours"
[ "$size" = "317x260" ] || { echo "the editor screenshot is $size, not 317x260" >&2; exit 1; }
[ "$colours" -gt 8 ] || { echo "the editor screenshot has $colours colours: nothing drawn" >&2; exit 1; }
rm -rf "$work/wineprefix" "$work/audio"
