#!/usr/bin/env bash
# Installs what is missing, then builds into build/ and dist/.
#   build.sh ship   what ships: the three modules, quellmar-duck, the page (dist/web/), the host
#                   program the demo runs and the packages in dist/packages/
#   build.sh        everything: the above, the native tests and benchmarks, the sanitizer and
#                   fuzzing builds and the Windows test programs
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/setup.sh "${1:-}"
if [ "${1:-}" = ship ]; then
  cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQM_TESTS=OFF -DQM_WEB=ON >/dev/null
  cmake --build build -j"$(nproc)" --target ship
else
  cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQM_TESTS=ON -DQM_WEB=ON >/dev/null
  cmake --build build -j"$(nproc)"
fi
