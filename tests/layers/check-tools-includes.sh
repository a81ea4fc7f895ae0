#!/bin/sh
# Nothing in tools/ includes anything from tests/: what the host program and the tests share lives
# in tools/host/support. An include fails this check when it names tests/ or would only be found
# with tests/ on the include path.
set -u
root=$1
status=0
for file in $(find "$root/tools" -name '*.cpp' -o -name '*.h'); do
  for path in $(sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"\([^"]*\)".*/\1/p' "$file"); do
    case $path in
      tests/*) echo "${file#"$root"/} includes $path"; status=1 ;;
      *) if [ -e "$root/tests/$path" ] && [ ! -e "$root/$path" ]; then
           echo "${file#"$root"/} includes $path from tests/"
           status=1
         fi ;;
    esac
  done
done
exit $status
