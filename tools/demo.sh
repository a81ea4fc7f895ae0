#!/usr/bin/env bash
# The main job: builds what ships (the three modules, quellmar-duck and the packages in
# dist/packages/), then our Windows host program loads dist/win32/QuellmarV3.dll under Wine, runs
# a sender carrying speech and a listener on Alpha in duck mode carrying music, writes the
# listener's ducked output (and a mix with the speech) as WAV files into out/, a screenshot of the
# listener's editor while it ducks as out/editor.png, and the listener's gain over time, drawn by
# quellmar-duck, as out/quellmar-demo-gain.png.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/build.sh ship
bash tools/demo-job.sh out build/demo
