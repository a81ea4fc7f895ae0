#!/usr/bin/env bash
# The Debian package: its fields, its files with their owners and modes, Lintian, installing and
# removing it with dpkg in a root of the test's own, the module taken out of it loaded and ducking
# in our host program, and the LV2 bundle it installs checked as hosts see it.
#   check-deb.sh DEB DIST_FOLDER VERSION MODULE_TESTS WORK_FOLDER [LV2_MODULE_TESTS]
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/release-lib.sh"
deb=$1 dist=$2 version=$3 moduleTests=$4 work=$5 lv2ModuleTests=${6:-}
rm -rf "$work" && mkdir -p "$work"

while IFS='|' read -r field expected; do
  expect "field $field" "$(dpkg-deb -f "$deb" "$field")" "$expected"
done <<FIELDS
Package|quellmarv3
Version|$version
Architecture|amd64
Section|sound
Priority|optional
Maintainer|Quellmar V3 <quellmarv3@example.org>
FIELDS
depends=$(dpkg-deb -f "$deb" Depends)
for library in libc6 libcairo2 libx11-6 libsndfile1; do
  case ", $depends" in
    *", $library "* | *", $library," | *", $library") pass "Depends names $library" ;;
    *) fail "Depends [$depends] lacks $library" ;;
  esac
done

expect "files, owners and modes" "$(dpkg-deb -c "$deb" | awk '{print $1, $2, $6}' | sort -k3)" "$(sort -k3 <<'FILES'
drwxr-xr-x root/root ./
drwxr-xr-x root/root ./usr/
drwxr-xr-x root/root ./usr/bin/
-rwxr-xr-x root/root ./usr/bin/quellmar-duck
drwxr-xr-x root/root ./usr/lib/
drwxr-xr-x root/root ./usr/lib/lv2/
drwxr-xr-x root/root ./usr/lib/lv2/QuellmarV3.lv2/
-rw-r--r-- root/root ./usr/lib/lv2/QuellmarV3.lv2/QuellmarV3.ttl
-rw-r--r-- root/root ./usr/lib/lv2/QuellmarV3.lv2/QuellmarV3_dsp.so
-rw-r--r-- root/root ./usr/lib/lv2/QuellmarV3.lv2/QuellmarV3_ui.so
-rw-r--r-- root/root ./usr/lib/lv2/QuellmarV3.lv2/manifest.ttl
-rw-r--r-- root/root ./usr/lib/lv2/QuellmarV3.lv2/presets.ttl
drwxr-xr-x root/root ./usr/lib/vst/
-rw-r--r-- root/root ./usr/lib/vst/QuellmarV3.so
drwxr-xr-x root/root ./usr/share/
drwxr-xr-x root/root ./usr/share/bash-completion/
drwxr-xr-x root/root ./usr/share/bash-completion/completions/
-rw-r--r-- root/root ./usr/share/bash-completion/completions/quellmar-duck
drwxr-xr-x root/root ./usr/share/doc/
drwxr-xr-x root/root ./usr/share/doc/quellmarv3/
-rw-r--r-- root/root ./usr/share/doc/quellmarv3/changelog.gz
-rw-r--r-- root/root ./usr/share/doc/quellmarv3/copyright
drwxr-xr-x root/root ./usr/share/man/
drwxr-xr-x root/root ./usr/share/man/man1/
-rw-r--r-- root/root ./usr/share/man/man1/quellmar-duck.1.gz
drwxr-xr-x root/root ./usr/share/zsh/
drwxr-xr-x root/root ./usr/share/zsh/vendor-completions/
-rw-r--r-- root/root ./usr/share/zsh/vendor-completions/_quellmar-duck
FILES
)"
expect "one time on every file" "$(dpkg-deb -c "$deb" | awk '{print $4, $5}' | sort -u | wc -l)" 1

lintian --tag-display-limit 0 "$deb" >"$work/lintian.txt" 2>/dev/null
cat "$work/lintian.txt"
expect "Lintian errors" "$(grep -c '^E:' "$work/lintian.txt")" 0

# Installed into a root of its own and removed again: every file it brought goes with it.
root="$work/root"
mkdir -p "$root/var/lib/dpkg/info" "$root/var/lib/dpkg/updates"
touch "$root/var/lib/dpkg/status"
dpkg --root="$root" --force-not-root --force-depends --log=/dev/null -i "$deb" >/dev/null 2>&1 \
  && pass "dpkg installs it" || fail "dpkg could not install it"
cmp -s "$root/usr/lib/vst/QuellmarV3.so" "$dist/linux-x86_64/QuellmarV3.so" \
  && pass "the module in /usr/lib/vst is the built one" || fail "the module in /usr/lib/vst differs"
for file in QuellmarV3.ttl QuellmarV3_dsp.so QuellmarV3_ui.so manifest.ttl presets.ttl; do
  cmp -s "$root/usr/lib/lv2/QuellmarV3.lv2/$file" "$dist/linux-x86_64/QuellmarV3.lv2/$file" \
    && pass "$file in /usr/lib/lv2/QuellmarV3.lv2 is the built one" || fail "$file in /usr/lib/lv2/QuellmarV3.lv2 differs"
done
cmp -s "$root/usr/bin/quellmar-duck" "$dist/linux-x86_64/quellmar-duck" \
  && pass "quellmar-duck in /usr/bin is the built one" || fail "quellmar-duck in /usr/bin differs"
expect "copyright is machine-readable" "$(head -1 "$root/usr/share/doc/quellmarv3/copyright")" \
  "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/"
expect "changelog names the version" "$(zcat "$root/usr/share/doc/quellmarv3/changelog.gz" | head -1)" \
  "quellmarv3 ($version) unstable; urgency=medium"
expect "manual page names the version" "$(zcat "$root/usr/share/man/man1/quellmar-duck.1.gz" | head -1 | grep -c "QuellmarV3 $version")" 1

# The module as the package installs it, through the module checks that every build passes.
sh "$here/../formats/vst2/linux/check-module.sh" "$root/usr/lib/vst/QuellmarV3.so" >"$work/check-module.txt" \
  && pass "exports and needed libraries of the installed module" || { cat "$work/check-module.txt"; fail "installed module's exports or libraries"; }
QM_MODULE_PATH="$root/usr/lib/vst/QuellmarV3.so" "$moduleTests" --gtest_filter='LinuxModuleTest.*' \
  >"$work/module-tests.txt" 2>&1 && pass "the installed module loads, ducks, keys and bypasses" \
  || { cat "$work/module-tests.txt"; fail "module tests over the installed module"; }

sh "$here/../formats/lv2/check-bundle.sh" "$root/usr/lib/lv2/QuellmarV3.lv2" "$work/bundle" >"$work/check-bundle.txt" \
  && pass "the installed LV2 bundle validates, its ports and binaries as hosts need them" \
  || { cat "$work/check-bundle.txt"; fail "the installed LV2 bundle"; }
if [ -n "$lv2ModuleTests" ]; then
  QM_LV2_BUNDLE="$root/usr/lib/lv2/QuellmarV3.lv2" QM_MODULE_PATH="$root/usr/lib/vst/QuellmarV3.so" \
    "$lv2ModuleTests" --gtest_filter='Lv2ModuleTest.*' >"$work/lv2-module-tests.txt" 2>&1 \
    && pass "the installed LV2 plug-in loads through lilv, ducks, keys and bypasses" \
    || { cat "$work/lv2-module-tests.txt"; fail "LV2 module tests over the installed bundle"; }
fi

dpkg --root="$root" --force-not-root --log=/dev/null -r quellmarv3 >/dev/null 2>&1 \
  && pass "dpkg removes it" || fail "dpkg could not remove it"
expect "files left after removal" "$(find "$root" -path "$root/var" -prune -o ! -type d -print | wc -l)" 0

finish
