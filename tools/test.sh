#!/usr/bin/env bash
# Builds everything, then runs every test tier: unit, module, sanitize, windows, gui, fuzz,
# release, validate, web (the engine in WebAssembly and the page in headless Chromium), fresh (the
# README's commands in clean Debian roots) and bench (not fuzz-long,
# which runs as long as QM_FUZZ_SECONDS asks). One tier alone: ctest --test-dir build -L <tier>
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/build.sh
ctest --test-dir build -j2 --output-on-failure -LE fuzz-long
