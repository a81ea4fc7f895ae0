#!/usr/bin/env bash
# Builds everything, then runs every test tier: unit, sanitize, windows, fuzz and bench.
# One tier alone: ctest --test-dir build -L <tier>
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/build.sh
ctest --test-dir build -j2 --output-on-failure
