#!/usr/bin/env bash
# The Debian package: the module in /usr/lib/vst (where Linux hosts look for VST 2 plug-ins), the
# LV2 bundle in /usr/lib/lv2, quellmar-duck with its manual page, the copyright and changelog. Its Depends come from the
# binaries themselves (dpkg-shlibdeps). Every file carries SOURCE_DATE_EPOCH.
#   make-deb.sh DIST_FOLDER MANUAL_PAGE VERSION WORK_FOLDER OUTPUT_DEB
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
dist=$1 manual=$2 version=$3 work=$4 output=$5
stage="$work/root"
doc="$stage/usr/share/doc/quellmarv3"

install -D -m 0644 "$dist/linux-x86_64/QuellmarV3.so" "$stage/usr/lib/vst/QuellmarV3.so"
install -d -m 0755 "$stage/usr/lib/lv2/QuellmarV3.lv2"
install -m 0644 "$dist/linux-x86_64/QuellmarV3.lv2/"* "$stage/usr/lib/lv2/QuellmarV3.lv2/"
install -D -m 0755 "$dist/linux-x86_64/quellmar-duck" "$stage/usr/bin/quellmar-duck"
install -d -m 0755 "$stage/usr/share/man/man1" "$doc" "$stage/DEBIAN"
gzip -9n <"$manual" >"$stage/usr/share/man/man1/quellmar-duck.1.gz"
install -m 0644 "$here/copyright" "$doc/copyright"
{
  printf 'quellmarv3 (%s) unstable; urgency=medium\n\n' "$version"
  sed 's/^/  /' "$here/changes"
  printf '\n -- %s  %s\n' "$(sed -n 's/^Maintainer: //p' "$here/control.in")" \
    "$(date -u -R -d "@$SOURCE_DATE_EPOCH")"
} | gzip -9n >"$doc/changelog.gz"

# dpkg-shlibdeps reads the package's name from a source tree's debian/control.
mkdir -p "$work/shlibs/debian"
printf 'Source: quellmarv3\n\nPackage: quellmarv3\nArchitecture: amd64\n' >"$work/shlibs/debian/control"
depends=$(cd "$work/shlibs" && dpkg-shlibdeps -O "-e$stage/usr/lib/vst/QuellmarV3.so" \
  "-e$stage/usr/lib/lv2/QuellmarV3.lv2/QuellmarV3_dsp.so" "-e$stage/usr/lib/lv2/QuellmarV3.lv2/QuellmarV3_ui.so" \
  "-e$stage/usr/bin/quellmar-duck" 2>"$work/shlibdeps.log" | sed -n 's/^shlibs:Depends=//p')
[ -n "$depends" ] || { cat "$work/shlibdeps.log" >&2; echo "dpkg-shlibdeps found no dependencies" >&2; exit 1; }

installedKiB=$(du -sk --apparent-size --exclude=DEBIAN "$stage" | cut -f1)
sed -e "s/@VERSION@/$version/" -e "s/@DEPENDS@/$depends/" -e "s/@INSTALLED_SIZE@/$installedKiB/" \
  "$here/control.in" >"$stage/DEBIAN/control"
(cd "$stage" && find usr -type f | sort | xargs md5sum) >"$stage/DEBIAN/md5sums"

find "$stage" -type d -exec chmod 0755 {} +
chmod 0644 "$stage/DEBIAN/control" "$stage/DEBIAN/md5sums"
find "$stage" -exec touch -h -d "@$SOURCE_DATE_EPOCH" {} +
dpkg-deb --root-owner-group -Zgzip -z9 --build "$stage" "$output" >/dev/null
