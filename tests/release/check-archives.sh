#!/usr/bin/env bash
# The zip and the tarball: their members with modes and owners, the binaries in them as built, the
# tarball's launcher and INSTALL, the page's zip, SHA256SUMS over the five packages, and no build
# path in any shipped binary.
#   check-archives.sh PACKAGES_FOLDER DIST_FOLDER VERSION SOURCE_FOLDER BUILD_FOLDER
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/release-lib.sh"
packages=$1 dist=$2 version=$3 source=$(realpath "$4") build=$(realpath "$5")
zip="$packages/QuellmarV3-$version-windows.zip"
top="QuellmarV3-$version-linux-x86_64"
tarball="$packages/$top.tar.gz"

expect "zip members and modes" "$(zipinfo "$zip" | awk 'NR > 1 && /^-/ {print $1, $NF}')" "$(cat <<'MEMBERS'
-rw-r--r-- INSTALL.txt
-rw-r--r-- LICENSE.txt
-rw-r--r-- win32/QuellmarV3.dll
-rw-r--r-- win64/QuellmarV3.dll
MEMBERS
)"
expect "tarball members, owners and modes" "$(tar -tvzf "$tarball" | awk '{print $1, $2, $6}')" "$(cat <<MEMBERS
drwxr-xr-x 0/0 $top/
-rw-r--r-- 0/0 $top/INSTALL
-rw-r--r-- 0/0 $top/LICENSE
drwxr-xr-x 0/0 $top/QuellmarV3.lv2/
-rw-r--r-- 0/0 $top/QuellmarV3.lv2/QuellmarV3.ttl
-rw-r--r-- 0/0 $top/QuellmarV3.lv2/QuellmarV3_dsp.so
-rw-r--r-- 0/0 $top/QuellmarV3.lv2/QuellmarV3_ui.so
-rw-r--r-- 0/0 $top/QuellmarV3.lv2/manifest.ttl
-rw-r--r-- 0/0 $top/QuellmarV3.lv2/presets.ttl
-rw-r--r-- 0/0 $top/QuellmarV3.so
drwxr-xr-x 0/0 $top/completions/
-rw-r--r-- 0/0 $top/completions/_quellmar-duck
-rw-r--r-- 0/0 $top/completions/quellmar-duck.bash
drwxr-xr-x 0/0 $top/libexec/
-rwxr-xr-x 0/0 $top/libexec/quellmar-duck
-rwxr-xr-x 0/0 $top/quellmar-duck
-rw-r--r-- 0/0 $top/quellmar-duck.1
MEMBERS
)"

while IFS='|' read -r archive member built; do
  case $archive in
    zip) unzip -p "$zip" "$member" ;;
    tar) tar -xzOf "$tarball" "$top/$member" ;;
  esac | cmp -s - "$dist/$built" && pass "$member in the $archive is the built one" || fail "$member in the $archive differs"
done <<BINARIES
zip|win32/QuellmarV3.dll|win32/QuellmarV3.dll
zip|win64/QuellmarV3.dll|win64/QuellmarV3.dll
tar|QuellmarV3.so|linux-x86_64/QuellmarV3.so
tar|QuellmarV3.lv2/QuellmarV3_dsp.so|linux-x86_64/QuellmarV3.lv2/QuellmarV3_dsp.so
tar|QuellmarV3.lv2/QuellmarV3_ui.so|linux-x86_64/QuellmarV3.lv2/QuellmarV3_ui.so
tar|QuellmarV3.lv2/QuellmarV3.ttl|linux-x86_64/QuellmarV3.lv2/QuellmarV3.ttl
tar|QuellmarV3.lv2/manifest.ttl|linux-x86_64/QuellmarV3.lv2/manifest.ttl
tar|QuellmarV3.lv2/presets.ttl|linux-x86_64/QuellmarV3.lv2/presets.ttl
tar|libexec/quellmar-duck|linux-x86_64/quellmar-duck
BINARIES

# The tarball's launcher: it starts the tool where every library is there, and where one is
# hidden (a library path of links to all but libebur128) it names it and its package instead.
unpacked=$(mktemp -d)
tar -xzf "$tarball" -C "$unpacked"
launcher="$unpacked/$top/quellmar-duck"
expect "the launcher starts the tool" "$("$launcher" --version 2>&1 | head -n 1)" "quellmar-duck $version (the QuellmarV3 ducking engine)"
expect "INSTALL names libebur128 with its package and version" \
  "$(grep -c "libebur128.so.1 *libebur128-1 *$(dpkg-query -W -f='${Version}' libebur128-1:amd64)" "$unpacked/$top/INSTALL")" 1
mkdir "$unpacked/libs"
for soname in $(readelf -d "$dist/linux-x86_64/quellmar-duck" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p'); do
  [ "$soname" = libebur128.so.1 ] || ln -s "$(ldconfig -p | awk -v s="$soname" '$1 == s && /x86-64/ { print $NF; exit }')" "$unpacked/libs/$soname"
done
message=$(QUELLMAR_DUCK_LIBRARY_DIRS="$unpacked/libs" "$launcher" --version 2>&1)
status=$?
expect "the launcher refuses to start without libebur128" "$status" 127
case $message in
  *"libebur128.so.1 (Debian 12: package libebur128-1"*"sudo apt install libebur128-1"*"build quellmar-duck from source"*)
    pass "the launcher names the missing library, its package and the build from source" ;;
  *) fail "the launcher's message: $message" ;;
esac
case $message in *"libsndfile.so.1 ("*) fail "the launcher names a library that is there" ;; *) pass "only the missing library is named" ;; esac
rm -rf "$unpacked"

# The page's zip: the built page as a static server serves it (no type declarations), every file
# as built, with its hosting notes and the licence.
webTop="QuellmarV3-$version-web"
webZip="$packages/$webTop.zip"
expect "page zip members" "$(zipinfo -1 "$webZip")" "$( { printf '%s\n' "$webTop/HOSTING.txt" "$webTop/LICENSE.txt"
  (cd "$dist/web" && find . -type f ! -name '*.d.ts' | sed "s|^\./|$webTop/page/|"); } | LC_ALL=C sort)"
for file in sw.js quellmar.wasm quellmar-relaxed.wasm index.html mp3/mp3.wasm mp3/LICENSE; do
  unzip -p "$webZip" "$webTop/page/$file" | cmp -s - "$dist/web/$file" && pass "page/$file in the page zip is the built one" \
    || fail "page/$file in the page zip differs or is missing"
done
expect "page zip modes" "$(zipinfo "$webZip" | awk 'NR > 1 && /^-/ {print $1}' | sort -u)" "-rw-r--r--"

(cd "$packages" && sha256sum --quiet -c SHA256SUMS) && pass "SHA256SUMS matches" || fail "SHA256SUMS does not match"
expect "files in SHA256SUMS" "$(awk '{print $2}' "$packages/SHA256SUMS" | sort | tr '\n' ' ')" \
  "QuellmarV3-$version-linux-x86_64.tar.gz QuellmarV3-$version-web.zip QuellmarV3-$version-windows-setup.exe QuellmarV3-$version-windows.zip quellmarv3_${version}_amd64.deb "

for binary in win32/QuellmarV3.dll win64/QuellmarV3.dll linux-x86_64/QuellmarV3.so linux-x86_64/quellmar-duck \
  linux-x86_64/QuellmarV3.lv2/QuellmarV3_dsp.so linux-x86_64/QuellmarV3.lv2/QuellmarV3_ui.so web/quellmar.wasm \
  web/quellmar-relaxed.wasm; do
  found=$(strings -a "$dist/$binary" | grep -c -e "$source" -e "$build")
  expect "build paths in $binary" "$found" 0
done

finish
