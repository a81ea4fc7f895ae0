#!/usr/bin/env bash
# The same bytes twice. Packages: made again from the same binaries in another folder, they equal
# dist/packages/. The DLLs' PE headers carry the last commit's time. With --rebuild, what ships is
# built once more elsewhere, and every package (so every binary in it) equals this build's. Where
# the fresh tier's clean Debian root built this very commit (CLEAN_PACKAGES holds its packages and
# COMMIT), that build is the other one: another machine, another folder. Otherwise (sources changed
# since, or no root could be made) a copy of the sources is built here in another folder.
#   check-reproducible.sh [--rebuild CLEAN_PACKAGES] SOURCE_FOLDER DIST_FOLDER VERSION SOURCE_DATE_EPOCH MANUAL_PAGE WORK_FOLDER
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/release-lib.sh"
rebuild=0 clean=""
[ "$1" = --rebuild ] && { rebuild=1 clean=$2; shift 2; }
source=$(realpath "$1") dist=$(realpath "$2") version=$3 epoch=$4 manual=$5 work=$(realpath -m "$6")
rm -rf "$work" && mkdir -p "$work"
shipped="win32/QuellmarV3.dll win64/QuellmarV3.dll linux-x86_64/QuellmarV3.so linux-x86_64/quellmar-duck
  linux-x86_64/QuellmarV3.lv2/QuellmarV3_dsp.so linux-x86_64/QuellmarV3.lv2/QuellmarV3_ui.so
  linux-x86_64/QuellmarV3.lv2/QuellmarV3.ttl linux-x86_64/QuellmarV3.lv2/manifest.ttl linux-x86_64/QuellmarV3.lv2/presets.ttl"
packageNames=$(awk '{print $2}' "$dist/packages/SHA256SUMS")
# The page's zip is made where the build made the page.
web=-
case $packageNames in *-web.zip*) web=$dist/web ;; esac

# same FOLDER_A FOLDER_B FILES...: each file is the same in both folders.
same() {
  local a=$1 b=$2 file
  shift 2
  for file in "$@"; do
    cmp -s "$a/$file" "$b/$file" && pass "$file is the same again" || fail "$file differs ($a, $b)"
  done
}

if [ $rebuild -eq 0 ]; then
  bash "$source/packaging/make-packages.sh" "$dist" "$work/another/folder/packages" "$version" "$epoch" "$manual" "$web" \
    >/dev/null && pass "packages made again" || fail "packages could not be made again"
  same "$dist/packages" "$work/another/folder/packages" SHA256SUMS $packageNames

  # A step that fails names itself and leaves the packages that were there as they were.
  broken="$work/broken"
  mkdir -p "$broken/dist/win32" "$broken/dist/linux-x86_64"
  cp "$dist/win32/QuellmarV3.dll" "$broken/dist/win32/"
  cp -r "$dist/linux-x86_64/"* "$broken/dist/linux-x86_64/"
  cp -r "$work/another/folder/packages" "$broken/packages"
  bash "$source/packaging/make-packages.sh" "$broken/dist" "$broken/packages" "$version" "$epoch" "$manual" "$web" \
    >/dev/null 2>"$broken/error.txt" && fail "packages made without the 64-bit DLL" || pass "no packages without the 64-bit DLL"
  expect "the failed step named" "$(tail -1 "$broken/error.txt")" "packaging failed at step: Windows installer"
  same "$work/another/folder/packages" "$broken/packages" SHA256SUMS $packageNames
  expect "temporary folders left" "$(find "$broken" -maxdepth 1 -name '.packages-*' | wc -l)" 0

  stamp=$(printf '%08x' "$epoch")
  for width in 32 64; do
    expect "PE time stamp of the win$width DLL" \
      "$(objdump -p "$dist/win$width/QuellmarV3.dll" | sed -n 's/^Time\/Date stamp[[:space:]]*//p')" "$stamp"
  done
elif [ -s "$clean/COMMIT" ] && [ "$(cat "$clean/COMMIT")" = "$(git -C "$source" rev-parse HEAD)" ] &&
     [ -z "$(git -C "$source" status --porcelain)" ]; then
  echo "the other build: the clean Debian root's, of commit $(cat "$clean/COMMIT")"
  same "$dist/packages" "$clean" SHA256SUMS $packageNames
else
  # The sources as they stand (tracked files and new ones git does not ignore), in a folder of
  # another name and depth, built with nothing but what ships.
  copy="$work/a/copy/of/the/sources"
  mkdir -p "$copy"
  (cd "$source" && git ls-files -z -co --exclude-standard | xargs -0 cp --parents -t "$copy" 2>/dev/null)
  (cmake -S "$copy" -B "$copy/out" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQM_SOURCE_DATE_EPOCH="$epoch" &&
    cmake --build "$copy/out" -j"$(nproc)" --target ship) >"$work/build.log" 2>&1 \
    && pass "what ships built again" || { tail -40 "$work/build.log"; fail "the second build failed"; }
  same "$dist" "$copy/dist" $shipped
  same "$dist/packages" "$copy/dist/packages" SHA256SUMS $packageNames
fi

finish
