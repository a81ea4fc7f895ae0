#!/usr/bin/env bash
# The Debian package as a user installs it: in a clean Debian 12 root, `apt-get install ./DEB`
# resolves its Depends alone; then from the installed paths quellmar-duck makes a finished episode
# at -16 LUFS, lilv finds the LV2 plug-in in /usr/lib/lv2 and lv2apply ducks with it, every
# library of the VST 2 module resolves and the manual page opens; `apt-get purge` leaves none of
# its files. Measured outside the root, so that the root holds only the package and lilv's and
# man's programs.
#   package.sh WORK_FOLDER   (after first-command.sh, which leaves the package in WORK_FOLDER/shipped)
here=$(cd "$(dirname "$0")" && pwd)
work=$(realpath -m "$1")
source "$here/fresh-lib.sh"
root=$work/root-package shipped=$work/shipped uri=http://quellmar.org/lv2/QuellmarV3

requireArchive
deb=$(ls "$shipped"/quellmarv3_*_amd64.deb 2>/dev/null | head -n 1)
[ -n "$deb" ] || { echo "FAIL: no package in $shipped: the first command's part did not make one"; exit 1; }
for tool in ffmpeg sox; do
  command -v "$tool" >/dev/null || { echo "FAIL: $tool is missing (tools/setup.sh installs it)"; exit 1; }
done
newRoot "$root"
trap 'removeRoot "$root"' EXIT
mkdir -p "$root/tmp/check"
cp "$deb" "$shipped/key.wav" "$shipped/music.wav" "$root/tmp/check/"
# Music on the audio inputs and a steady loud key on the side-chain, for lv2apply.
sox -n -r 48000 -c 2 -e floating-point -b 32 "$root/tmp/check/bed.wav" synth 4 sine 220 sine 277 gain -12
sox -n -r 48000 -c 2 -e floating-point -b 32 "$root/tmp/check/tone.wav" synth 4 sine 300 gain -6
sox -M "$root/tmp/check/bed.wav" "$root/tmp/check/tone.wav" -e floating-point -b 32 "$root/tmp/check/four.wav"

started=$SECONDS
if inRoot "$root" "export DEBIAN_FRONTEND=noninteractive; apt-get update -qq && apt-get install -y -qq ./tmp/check/$(basename "$deb")" \
    >"$work/package-install.log" 2>&1; then
  pass "apt-get install ./$(basename "$deb") in $((SECONDS - started)) s"
else
  tail -n 30 "$work/package-install.log"
  echo "FAIL: apt-get cannot install the package"
  exit 1
fi
grep -o '^Setting up [^ ]*' "$work/package-install.log" | cut -d' ' -f3 | sed 's/:.*//' >"$work/package-installed"
echo "apt installed $(wc -l <"$work/package-installed") packages with it: $work/package-installed"
inRoot "$root" "dpkg -L quellmarv3" >"$work/package-files"

# The episode, from the installed tool.
if inRoot "$root" "cd /tmp/check && quellmar-duck --quiet --key key.wav --preset podcast music.wav -o episode.mp3"; then
  loudness=$(ffmpeg -nostats -hide_banner -i "$root/tmp/check/episode.mp3" -af ebur128 -f null - 2>&1 |
    sed -n 's/^ *I: *\(-\{0,1\}[0-9.]*\) LUFS/\1/p' | tail -n 1)
  if awk -v l="$loudness" 'BEGIN { exit !(l != "" && l >= -16.5 && l <= -15.5) }'; then
    pass "quellmar-duck --preset podcast gives an MP3 at $loudness LUFS"
  else
    fail "the episode is at ${loudness:-an unknown loudness} LUFS, not -16"
  fi
else
  fail "quellmar-duck --preset podcast failed from /usr/bin"
fi

# The LV2 plug-in through lilv, from /usr/lib/lv2 (lilv's programs installed only to look).
inRoot "$root" "DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends lilv-utils man-db" \
  >>"$work/package-install.log" 2>&1 || fail "cannot install lilv-utils and man-db to look at the package"
if inRoot "$root" "lv2ls" | grep -qx "$uri"; then pass "lv2ls lists $uri"; else fail "lv2ls does not list $uri"; fi
if inRoot "$root" "cd /tmp/check && mkdir -p run && chmod 700 run && XDG_RUNTIME_DIR=/tmp/check/run \
    lv2apply -i four.wav -o ducked.wav -c enabled 1 -c duck_key 1 -c threshold -40 -c range 12 $uri" >/dev/null 2>&1; then
  level() { sox "$1" -n stats 2>&1 | awk '/^RMS lev dB/ { print $4 }'; }
  before=$(level "$root/tmp/check/bed.wav") after=$(level "$root/tmp/check/ducked.wav")
  if awk -v b="$before" -v a="$after" 'BEGIN { exit !(a != "" && b - a >= 9) }'; then
    pass "lv2apply ducks with it: $before dB before, $after dB after"
  else
    fail "lv2apply did not duck: $before dB before, ${after:-no} dB after"
  fi
else
  fail "lv2apply could not run the installed plug-in"
fi
unresolved=$(inRoot "$root" "ldd /usr/lib/vst/QuellmarV3.so" | grep 'not found')
if [ -z "$unresolved" ] && inRoot "$root" "ldd /usr/lib/vst/QuellmarV3.so" >/dev/null; then
  pass "every library of /usr/lib/vst/QuellmarV3.so resolves"
else
  fail "/usr/lib/vst/QuellmarV3.so: ${unresolved:-ldd failed}"
fi
if inRoot "$root" "man -P cat quellmar-duck 2>/dev/null" | grep -q 'quellmar-duck'; then
  pass "man quellmar-duck opens"
else
  fail "man quellmar-duck does not open"
fi

# Purged, none of its files stays; of its folders only those other packages own.
inRoot "$root" "DEBIAN_FRONTEND=noninteractive apt-get purge -y -qq quellmarv3" >>"$work/package-install.log" 2>&1 ||
  fail "apt-get purge failed"
left=0
while read -r path; do
  [ "$path" = /. ] && continue
  if [ -L "$root$path" ] || [ -f "$root$path" ]; then
    fail "$path is left after purge"; left=1
  elif [ -d "$root$path" ] && ! inRoot "$root" "dpkg -S '$path'" >/dev/null 2>&1; then
    fail "the folder $path is left after purge, and no other package owns it"; left=1
  fi
done <"$work/package-files"
[ $left -eq 0 ] && pass "apt-get purge leaves none of its $(wc -l <"$work/package-files") paths"

[ $failures -eq 0 ]
