#!/usr/bin/env bash
# The Linux tarball as a user on a bare Debian 12 meets it: in a clean root, the unpacked tarball's
# quellmar-duck launcher names the libraries that are missing and the packages that provide them;
# after installing exactly those packages (nothing they merely recommend), the tool runs a job.
#   tarball.sh WORK_FOLDER   (after first-command.sh, which leaves the tarball in WORK_FOLDER/shipped)
here=$(cd "$(dirname "$0")" && pwd)
work=$(realpath -m "$1")
source "$here/fresh-lib.sh"
root=$work/root-tarball shipped=$work/shipped

requireArchive
tarball=$(ls "$shipped"/QuellmarV3-*-linux-x86_64.tar.gz 2>/dev/null | head -n 1)
[ -n "$tarball" ] || { echo "FAIL: no tarball in $shipped: the first command's part did not make one"; exit 1; }
newRoot "$root"
trap 'removeRoot "$root"' EXIT
mkdir -p "$root/tmp/check"
cp "$shipped/key.wav" "$shipped/music.wav" "$root/tmp/check/"
tar -C "$root/tmp/check" -xzf "$tarball"
top=/tmp/check/$(basename "$tarball" .tar.gz)

inRoot "$root" "$top/quellmar-duck --version" >"$work/tarball-first.log" 2>&1
status=$?
cat "$work/tarball-first.log"
packages=$(sed -n 's/^ *sudo apt install //p' "$work/tarball-first.log")
if [ $status -eq 127 ] && [ -n "$packages" ] && grep -q 'libraries it was built against are missing' "$work/tarball-first.log"; then
  pass "the launcher names the missing libraries and the packages to install: $packages"
else
  fail "the launcher exited $status without naming what to install"
fi

if [ -n "$packages" ]; then
  inRoot "$root" "export DEBIAN_FRONTEND=noninteractive; apt-get update -qq && apt-get install -y -qq --no-install-recommends $packages" \
    >"$work/tarball-install.log" 2>&1 || { tail -n 20 "$work/tarball-install.log"; fail "cannot install $packages"; }
fi
if inRoot "$root" "cd /tmp/check && $top/quellmar-duck --quiet --key key.wav music.wav -o ducked.wav" &&
    [ -s "$root/tmp/check/ducked.wav" ]; then
  pass "with exactly those packages installed, the tool ducks a file"
else
  fail "the tool does not run with the packages its launcher named"
fi

[ $failures -eq 0 ]
