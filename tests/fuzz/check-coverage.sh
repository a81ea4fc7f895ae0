#!/bin/sh
# Checks that the fuzz targets' seeds reach what each target exists for: runs each target over its
# seeds alone (-runs=0: no mutation, as the first moment of a fresh fuzz slice), reads the functions
# it covered (-print_coverage=1) and looks up every function that TABLE requires for it. Prints each
# one missed with the reason the table gives, and fails then, or when a target fails on its seeds.
#
#   check-coverage.sh TABLE NAME FUZZER SEEDS [OPTION...] [-- NAME FUZZER SEEDS [OPTION...]]...
#
# NAME is the target's name in TABLE; the options are those of its fuzz run (-max_len truncates
# longer seeds there, so it belongs here too). Leaks are the fuzz runs' concern: not checked here.
set -eu
set -f
table=$1
shift
work=$(mktemp -d "${TMPDIR:-/tmp}/quellmar-coverage-XXXXXX")
trap 'rm -rf "$work"' EXIT
ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0"
export ASAN_OPTIONS
status=0
checked=" "

has_avx2() { grep -qw avx2 /proc/cpuinfo && grep -qw fma /proc/cpuinfo; }

# Demangled names of the functions the log lists as covered (or not): the text between the edge
# counts and the source location.
names() { sed -n -E "s/^$1: hits: [0-9]+ edges: [0-9]+\/[0-9]+ (.*) [^ ]+\$/\1/p" "$2"; }

check() {
  name=$1 fuzzer=$2 seeds=$3
  shift 3
  case $seeds in /*) ;; *) seeds=$PWD/$seeds ;; esac
  checked="$checked$name "
  log="$work/$name.log"
  if ! "$fuzzer" -runs=0 -print_coverage=1 -detect_leaks=0 "$@" "$seeds" > "$log" 2>&1; then
    echo "$name: the fuzzer failed over its seeds in $seeds:"
    grep -v -E '^(UN)?COVERED_' "$log" | tail -n 30
    status=1
    return
  fi
  names COVERED_FUNC "$log" > "$work/$name.covered"
  names UNCOVERED_FUNC "$log" > "$work/$name.uncovered"
  required=0
  missed=0
  why=""
  while read -r target when pattern; do
    case $target in
      "#") why="$when $pattern"; continue ;;
      "#"* | "") continue ;;
    esac
    [ "$target" = "$name" ] || continue
    if [ "$when" = avx2 ] && ! has_avx2; then
      echo "$name: not checked without AVX2 and FMA: $pattern"
      continue
    fi
    required=$((required + 1))
    grep -E -q -e "$pattern" "$work/$name.covered" && continue
    missed=$((missed + 1))
    if grep -E -q -e "$pattern" "$work/$name.uncovered"; then
      echo "$name: MISSED $pattern (not reached by any seed)"
    else
      echo "$name: MISSED $pattern (no function of the target has such a name)"
    fi
    echo "    needed for ${why#*: }"
  done < "$table"
  seedCount=$(find "$seeds" -type f | wc -l)
  echo "$name: $((required - missed)) of $required required functions covered by $seedCount seeds"
  [ "$missed" -eq 0 ] || status=1
}

while [ $# -gt 0 ]; do
  name=$1 fuzzer=$2 seeds=$3
  shift 3
  options=""
  while [ $# -gt 0 ] && [ "$1" != "--" ]; do
    options="$options $1"
    shift
  done
  [ $# -eq 0 ] || shift
  check "$name" "$fuzzer" "$seeds" $options
done

# A target of the table that was not run would pass unnoticed.
for target in $(grep -v -E '^(#|$)' "$table" | cut -d ' ' -f 1 | sort -u); do
  case $checked in
    *" $target "*) ;;
    *) echo "$target: required in $table but not run"; status=1 ;;
  esac
done
exit "$status"
