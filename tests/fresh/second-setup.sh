#!/usr/bin/env bash
# The second command's set-up on a machine that ran only the first: in the first part's root,
# tools/setup.sh installs the full set; then every build variant configures (the native one looks
# for every program the test tiers run, so a missing one fails here by name) and `ctest -N` lists
# every tier this machine's own build has. Running the whole second command there would double the
# test run's time. The root is deleted afterwards.
#   second-setup.sh WORK_FOLDER THIS_BUILD_FOLDER
here=$(cd "$(dirname "$0")" && pwd)
work=$(realpath -m "$1") thisBuild=$(realpath "$2")
source "$here/fresh-lib.sh"
root=$work/root-first clone=/root/QuellmarV3

requireArchive
[ -d "$root$clone" ] || { echo "FAIL: no first root in $root: the first command's part did not run"; exit 1; }
bindRoot "$root"
trap 'removeRoot "$root"' EXIT

started=$SECONDS
if inRoot "$root" "cd $clone && bash tools/setup.sh" >"$work/second-setup.log" 2>&1; then
  pass "tools/setup.sh installs the test tiers' set in $((SECONDS - started)) s"
else
  tail -n 30 "$work/second-setup.log"
  fail "tools/setup.sh failed on the first command's machine"
fi

# Every variant the second command builds, configured as it configures them.
variants=(
  "native|-DQM_TESTS=ON"
  "asan|-DQM_VARIANT=asan"
  "tsan|-DQM_VARIANT=tsan"
  "fuzz|-DQM_VARIANT=fuzz -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++"
  "win32|-DQM_VARIANT=windows -DCMAKE_TOOLCHAIN_FILE=$clone/cmake/mingw-i686.cmake"
  "win64|-DQM_VARIANT=windows -DCMAKE_TOOLCHAIN_FILE=$clone/cmake/mingw-x86_64.cmake"
)
for entry in "${variants[@]}"; do
  name=${entry%%|*} options=${entry#*|}
  folder=build
  [ "$name" = native ] || folder=build/configure-$name
  if inRoot "$root" "cd $clone && cmake -S . -B $folder -DCMAKE_BUILD_TYPE=RelWithDebInfo $options" \
      >"$work/configure-$name.log" 2>&1; then
    pass "the $name build configures"
  else
    grep -A3 'Error' "$work/configure-$name.log" | head -n 20
    fail "the $name build does not configure ($work/configure-$name.log)"
  fi
done

# This machine's tiers, read from its test files as ctest reads them (the folder's file, then the
# folders it names): ctest itself would rewrite the running build's test log.
labelsUnder() {
  local file=$1/CTestTestfile.cmake sub
  [ -f "$file" ] || return 0
  grep -o 'LABELS "[^"]*"' "$file" | sed 's/^LABELS "//; s/"$//' | tr ';' '\n'
  for sub in $(sed -n 's/^subdirs("\(.*\)")$/\1/p' "$file"); do
    case $sub in /*) labelsUnder "$sub" ;; *) labelsUnder "$1/$sub" ;; esac
  done
}
expected=$(labelsUnder "$thisBuild" | sort -u)
listed=$(inRoot "$root" "cd $clone/build && ctest --print-labels" | sed -n 's/^  *//p' | sort)
count=$(inRoot "$root" "cd $clone/build && ctest -N" | sed -n 's/^Total Tests: //p')
if [ -n "$expected" ] && [ "$listed" = "$expected" ]; then
  pass "ctest -N lists ${count:-?} tests in every tier: $(echo $listed)"
else
  fail "ctest lists the tiers [$(echo $listed)], this machine's build [$(echo $expected)]"
fi

[ $failures -eq 0 ]
