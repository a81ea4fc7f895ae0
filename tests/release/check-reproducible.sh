#!/usr/bin/env bash
# The same bytes twice. Packages: made again from the same binaries in another folder, they equal
# dist/packages/. The DLLs' PE headers carry the last commit's time. With --rebuild, what ships is
# built once more from a copy of the sources in another folder, and every binary and package
# equals this build's.
#   check-reproducible.sh [--rebuild] SOURCE_FOLDER DIST_FOLDER VERSION SOURCE_DATE_EPOCH MANUAL_PAGE WORK_FOLDER
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/release-lib.sh"
rebuild=0
[ "$1" = --rebuild ] && { rebuild=1; shift; }
source=$(realpath "$1") dist=$(realpath "$2") version=$3 epoch=$4 manual=$5 work=$(realpath -m "$6")
rm -rf "$work" && mkdir -p "$work"
shipped="win32/QuellmarV3.dll win64/QuellmarV3.dll linux-x86_64/QuellmarV3.so linux-x86_64/quellmar-duck"
packageNames=$(awk '{print $2}' "$dist/packages/SHA256SUMS")

# same FOLDER_A FOLDER_B FILES...: each file is the same in both folders.
same() {
  local a=$1 b=$2 file
  shift 2
  for file in "$@"; do
    cmp -s "$a/$file" "$b/$file" && pass "$file is the same again" || fail "$file differs ($a, $b)"
  done
}

if [ $rebuild -eq 0 ]; then
  bash "$source/packaging/make-packages.sh" "$dist" "$work/another/folder/packages" "$version" "$epoch" "$manual" \
    >/dev/null && pass "packages made again" || fail "packages could not be made again"
  same "$dist/packages" "$work/another/folder/packages" SHA256SUMS $packageNames

  stamp=$(printf '%08x' "$epoch")
  for width in 32 64; do
    expect "PE time stamp of the win$width DLL" \
      "$(objdump -p "$dist/win$width/QuellmarV3.dll" | sed -n 's/^Time\/Date stamp[[:space:]]*//p')" "$stamp"
  done
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
