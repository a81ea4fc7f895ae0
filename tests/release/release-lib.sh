# Shared by the release tier's checks: each check prints one line, and the script ends with the
# counts and fails when any check failed.
passed=0
failed=0
pass() { passed=$((passed + 1)); echo "ok: $*"; }
fail() { failed=$((failed + 1)); echo "FAIL: $*"; }
# expect NAME ACTUAL EXPECTED
expect() { if [ "$2" = "$3" ]; then pass "$1"; else fail "$1: got [$2], expected [$3]"; fi; }
finish() {
  echo "$passed passed, $failed failed"
  [ "$failed" -eq 0 ]
}
