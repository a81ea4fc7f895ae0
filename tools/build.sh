#!/usr/bin/env bash
# Installs what is missing, then builds everything: the native library and tests, the sanitizer
# and fuzzing builds, and both Windows modules into dist/.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/setup.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)"
