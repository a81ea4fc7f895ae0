#!/bin/sh
# Runs the plug-in fuzzer for as long as asked: QM_FUZZ_SECONDS seconds (default 3600) on
# QM_FUZZ_WORKERS processes (default 1), keeping its corpus in the folder given. Its last lines
# give the executions, their rate and the coverage (cov, ft); crashing or slow inputs land in the
# folder beside the corpus whose name ends in "-artifacts".
set -eu
fuzzer=$1
corpus=$2
artifacts="$corpus-artifacts/"
mkdir -p "$corpus" "$artifacts"
seconds=${QM_FUZZ_SECONDS:-3600}
workers=${QM_FUZZ_WORKERS:-1}
if [ "$workers" -gt 1 ]; then
  exec "$fuzzer" -fork="$workers" -max_total_time="$seconds" -max_len=256 -rss_limit_mb=4096 -artifact_prefix="$artifacts" -print_final_stats=1 "$corpus"
fi
exec "$fuzzer" -max_total_time="$seconds" -max_len=256 -rss_limit_mb=4096 -artifact_prefix="$artifacts" -print_final_stats=1 "$corpus"
