#!/usr/bin/env bash
# Makes what users download from the built modules: the Debian package, the Windows installer,
# the Windows zip, the Linux tarball, the page's zip (when the page is built) and SHA256SUMS over
# them. Every file carries the time SOURCE_DATE_EPOCH, fixed owners and modes, and archives list
# their members sorted, so that the same binaries give the same bytes in any folder on any day. The packages are made in a folder
# beside OUT_FOLDER and take its place only when all of them are complete.
#   make-packages.sh DIST_FOLDER OUT_FOLDER VERSION SOURCE_DATE_EPOCH MANUAL_PAGE [WEB_FOLDER]
# WEB_FOLDER is the built page (dist/web); "-" or none makes no page zip.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dist=$(realpath "$1")
out=$(realpath -m "$2")
version=$3
export SOURCE_DATE_EPOCH=$4
manual=$(realpath "$5")
web=${6:--}
export TZ=UTC LC_ALL=C
umask 022

step="preparing"
mkdir -p "$(dirname "$out")"
work=$(mktemp -d "$(dirname "$out")/.packages-XXXXXX")
trap 'status=$?; rm -rf "$work"; [ $status -eq 0 ] || echo "packaging failed at step: $step" >&2' EXIT
packages="$work/packages"
mkdir -p "$packages"

deb="quellmarv3_${version}_amd64.deb"
installer="QuellmarV3-${version}-windows-setup.exe"
zip="QuellmarV3-${version}-windows.zip"
tarball="QuellmarV3-${version}-linux-x86_64.tar.gz"
webZip="QuellmarV3-${version}-web.zip"

# Modes and times as every archive records them: folders and programs 0755, the rest 0644.
normalise() {
  find "$1" -type d -exec chmod 0755 {} +
  find "$1" -type f -exec chmod 0644 {} +
  local program
  for program in "${@:2}"; do chmod 0755 "$program"; done
  find "$1" -exec touch -h -d "@$SOURCE_DATE_EPOCH" {} +
}

# Text files for Windows users end their lines with CR LF.
crlf() { sed 's/$/\r/' "$1" >"$2"; }

step="Debian package"
bash "$root/packaging/deb/make-deb.sh" "$dist" "$manual" "$version" "$work/deb" "$packages/$deb"

step="Windows installer"
setup="$work/setup"
mkdir -p "$setup/win32" "$setup/win64"
cp "$dist/win32/QuellmarV3.dll" "$setup/win32/"
cp "$dist/win64/QuellmarV3.dll" "$setup/win64/"
crlf "$root/LICENSE" "$setup/LICENSE.txt"
normalise "$setup"
makensis -V2 -INPUTCHARSET UTF8 -DVERSION="$version" -DFILES="$setup" -DOUTFILE="$packages/$installer" \
  "$root/packaging/windows/QuellmarV3.nsi" >"$work/makensis.log" || { cat "$work/makensis.log" >&2; false; }

step="Windows zip"
tree="$work/zip"
mkdir -p "$tree/win32" "$tree/win64"
cp "$dist/win32/QuellmarV3.dll" "$tree/win32/"
cp "$dist/win64/QuellmarV3.dll" "$tree/win64/"
crlf "$root/packaging/windows/INSTALL.txt" "$tree/INSTALL.txt"
crlf "$root/LICENSE" "$tree/LICENSE.txt"
normalise "$tree"
(cd "$tree" && find . -type f | sed 's|^\./||' | sort | zip -X -D -9 -q "$packages/$zip" -@)

step="Linux tarball"
top="QuellmarV3-${version}-linux-x86_64"
tree="$work/tar/$top"
mkdir -p "$tree/libexec"
cp "$dist/linux-x86_64/QuellmarV3.so" "$tree/"
cp "$dist/linux-x86_64/quellmar-duck" "$tree/libexec/"
cp -r "$dist/linux-x86_64/QuellmarV3.lv2" "$tree/"
cp "$manual" "$tree/quellmar-duck.1"
mkdir -p "$tree/completions"
"$dist/linux-x86_64/quellmar-duck" --completion bash >"$tree/completions/quellmar-duck.bash"
"$dist/linux-x86_64/quellmar-duck" --completion zsh >"$tree/completions/_quellmar-duck"
cp "$root/LICENSE" "$tree/"
# quellmar-duck starts through a launcher that checks the libraries read from the binary now;
# INSTALL names them with their versions.
bash "$root/packaging/linux/list-libraries.sh" "$dist/linux-x86_64/quellmar-duck" >"$work/libraries"
awk -v list="$(tr '\n' ' ' <"$work/libraries" | sed 's/ $//')" '{ gsub(/@LIBRARIES@/, list); print }' \
  "$root/packaging/linux/launcher.sh.in" >"$tree/quellmar-duck"
{
  cat "$root/packaging/linux/INSTALL"
  echo
  echo "quellmar-duck was built on Debian 12 against these libraries (Debian package and version):"
  echo
  awk -F'|' '{ printf "    %-22s %-20s %s\n", $1, $2, $3 }' "$work/libraries"
} >"$tree/INSTALL"
normalise "$tree" "$tree/quellmar-duck" "$tree/libexec/quellmar-duck"
tar --sort=name --owner=0 --group=0 --numeric-owner --mtime="@$SOURCE_DATE_EPOCH" --format=gnu \
  -C "$work/tar" -cf - "$top" | gzip -9n >"$packages/$tarball"

made=("$deb" "$installer" "$zip" "$tarball")
if [ "$web" != - ]; then
  step="page zip"
  top="QuellmarV3-${version}-web"
  tree="$work/web/$top"
  mkdir -p "$tree/page"
  # What a static server serves: the page's folder without the interface's type declarations.
  for file in sw.js quellmar.wasm quellmar-relaxed.wasm index.html; do
    [ -s "$web/$file" ] || { echo "$web is not a built page: no $file" >&2; false; }
  done
  (cd "$web" && find . -type f ! -name '*.d.ts' | sort) >"$work/web-files"
  (cd "$web" && xargs -a "$work/web-files" cp --parents -t "$tree/page")
  cp "$root/packaging/web/HOSTING.txt" "$tree/"
  cp "$root/LICENSE" "$tree/LICENSE.txt"
  normalise "$tree"
  (cd "$work/web" && find "$top" -type f | sort | zip -X -D -9 -q "$packages/$webZip" -@)
  made+=("$webZip")
fi

step="checksums"
(cd "$packages" && sha256sum "${made[@]}" >SHA256SUMS)

step="moving the packages into place"
rm -rf "$out.old"
[ ! -e "$out" ] || mv "$out" "$out.old"
mv "$packages" "$out"
rm -rf "$out.old"
echo "packages: $out"
