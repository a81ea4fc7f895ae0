#!/usr/bin/env bash
# The README's first command on a machine with nothing on it: in a clean Debian 12 root, a clean
# clone of the commit under test runs `bash tools/demo.sh` as a newcomer would. It must end well and
# leave every file the README names in out/ and in dist/packages/. The root is kept (unbound) for
# the second command's set-up; the packages (with the commit they were built from) and the demo's
# audio are kept for the other parts and for release.reproducible.build.
#   first-command.sh WORK_FOLDER SOURCE_CHECKOUT
here=$(cd "$(dirname "$0")" && pwd)
work=$(realpath -m "$1") source=$(realpath "$2")
source "$here/fresh-lib.sh"
root=$work/root-first clone=/root/QuellmarV3

requireArchive
newRoot "$root"
trap 'unbindRoot "$root"' EXIT
cloneInto "$root" "$clone" "$source"
inRoot "$root" "dpkg-query -W -f '\${Package}\n' | sort" >"$work/packages-before"

# Each line of its output with the second it came, to tell where the time goes.
stamped() { while IFS= read -r line; do printf '%(%s)T %s\n' -1 "$line"; done; }
started=$SECONDS startedAt=$(date +%s)
inRoot "$root" "cd $clone && bash tools/demo.sh" 2>&1 | stamped >"$work/first-command.log"
status=${PIPESTATUS[0]}
seconds=$((SECONDS - started))
# The set-up ends with the build's first line, the build with the packages' line.
buildAt=$(awk '$2 ~ /^(\[|--|Scanning)/ { print $1; exit }' "$work/first-command.log")
demoAt=$(awk '$2 == "packages:" { print $1; exit }' "$work/first-command.log")
if [ -n "$buildAt" ] && [ -n "$demoAt" ]; then
  echo "stages: packages installed in $((buildAt - startedAt)) s, built in $((demoAt - buildAt)) s," \
    "demo rendered in $((startedAt + seconds - demoAt)) s"
fi
if [ $status -eq 0 ]; then
  pass "bash tools/demo.sh on a clean Debian 12 root took $seconds s, every package it installs included"
else
  tail -n 40 "$work/first-command.log" | cut -d" " -f2-
  fail "bash tools/demo.sh exited $status after $seconds s (the whole log: $work/first-command.log)"
fi

inRoot "$root" "dpkg-query -W -f '\${Package}\n' | sort" >"$work/packages-after"
comm -13 "$work/packages-before" "$work/packages-after" >"$work/first-command-packages"
echo "it installed $(wc -l <"$work/first-command-packages") packages from the archive: $work/first-command-packages"

# Every file the README names in out/ and in the download table.
readme=$root$clone/README.md
version=$(sed -n 's/^project(QuellmarV3 VERSION \([0-9.]*\).*/\1/p' "$root$clone/CMakeLists.txt")
for file in $(grep -o 'out/[A-Za-z0-9._-]*\.[A-Za-z0-9]*' "$readme" | sort -u); do
  if [ -s "$root$clone/$file" ]; then pass "$file"; else fail "$file is missing"; fi
done
downloads=$(sed -n '/^## Download and install/,/^## /p' "$readme" | sed -n 's/^| `\([^`]*\)` |.*/\1/p')
[ "$(echo "$downloads" | wc -w)" -eq 6 ] || fail "the README's download table names $(echo "$downloads" | wc -w) files, not six"
for file in $downloads; do
  file=${file//<version>/$version}
  if [ -s "$root$clone/dist/packages/$file" ]; then pass "dist/packages/$file"; else fail "dist/packages/$file is missing"; fi
done

# What the other parts install and run.
rm -rf "$work/shipped" && mkdir -p "$work/shipped"
cp "$root$clone"/dist/packages/* "$work/shipped/" 2>/dev/null
git -C "$root$clone" rev-parse HEAD >"$work/shipped/COMMIT"
cp "$root$clone/build/demo/key.wav" "$root$clone/build/demo/music.wav" "$work/shipped/" 2>/dev/null

[ $failures -eq 0 ] && echo "first command: $seconds s" && exit 0
exit 1
