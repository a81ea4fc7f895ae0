#!/bin/sh
# Runs a fuzzer for as long as asked: QM_FUZZ_SECONDS seconds (default 3600) on QM_FUZZ_WORKERS
# processes (default 1), keeping its corpus in the folder given; the arguments after it go to the
# fuzzer (its options, folders of seeds). Each process's last lines give its executions, their
# rate and the coverage (cov, ft); crashing or slow inputs land in the folder beside the corpus
# whose name ends in "-artifacts".
#
# Several workers are independent fuzzers sharing the corpus folder, each logging to
# worker-N.log in the artifacts folder: libFuzzer's fork mode replays seeds in every short job
# and reached less than half their executions here.
set -eu
fuzzer=$1
corpus=$2
shift 2
artifacts="$corpus-artifacts/"
mkdir -p "$corpus" "$artifacts"
seconds=${QM_FUZZ_SECONDS:-3600}
workers=${QM_FUZZ_WORKERS:-1}
run() {
  "$fuzzer" -max_total_time="$seconds" -artifact_prefix="$artifacts" -print_final_stats=1 "$corpus" "$@"
}
if [ "$workers" -le 1 ]; then
  run "$@"
  exit
fi
pids=""
worker=1
while [ "$worker" -le "$workers" ]; do
  run "$@" > "$artifacts/worker-$worker.log" 2>&1 &
  pids="$pids $!"
  worker=$((worker + 1))
done
status=0
for pid in $pids; do
  wait "$pid" || status=1
done
worker=1
while [ "$worker" -le "$workers" ]; do
  echo "== worker $worker"
  grep -E '^#[0-9]+|^stat::|^==[0-9]+==ERROR|^SUMMARY' "$artifacts/worker-$worker.log" | tail -n 8
  worker=$((worker + 1))
done
exit "$status"
