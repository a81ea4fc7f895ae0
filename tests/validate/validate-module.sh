#!/bin/sh
# The validate tier's slice over one module: single-threaded sessions, then sessions with audio on
# two threads of their own, then one of the single-threaded sessions replayed in a fresh process,
# which must give the same output bytes (the same hash) as it did the first time.
#   validate-module.sh SEED SESSIONS CALLS THREADED-SESSIONS THREADED-CALLS MODULE HOST [HOST...]
# HOST... is our host program as it is run: its path, or `wine` and its path.
set -u
seed=$1 sessions=$2 calls=$3 threadedSessions=$4 threadedCalls=$5 module=$6
shift 6
log=$(mktemp)
trap 'rm -f "$log"' EXIT

"$@" validate "$module" --seed "$seed" --sessions "$sessions" --calls "$calls" | tee "$log"
status=$?
[ "$status" -eq 0 ] || { echo "FAIL: single-threaded sessions (exit $status)"; exit 1; }
"$@" validate "$module" --seed $((seed + 100000)) --sessions "$threadedSessions" --calls "$threadedCalls" --threads
status=$?
[ "$status" -eq 0 ] || { echo "FAIL: threaded sessions (exit $status)"; exit 1; }

# The middle session, replayed alone.
replayed=$((sessions / 2))
replaySeed=$((seed + replayed))
expected=$(awk -v n="$replayed" '$1 == "session" && $2 == n { print $NF }' "$log")
again=$("$@" validate "$module" --seed "$replaySeed" --sessions 1 --calls "$calls" | tee /dev/stderr |
  awk '$1 == "session" && $2 == 0 { print $NF }')
if [ -z "$expected" ] || [ "$expected" != "$again" ]; then
  echo "FAIL: session of seed $replaySeed gave hash $expected, replayed alone $again"
  exit 1
fi
echo "session of seed $replaySeed replayed alone: the same output bytes (hash $again)"
