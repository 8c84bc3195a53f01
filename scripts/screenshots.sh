#!/usr/bin/env bash
# Pictures of the start-up, new-user, card (with its play data and with a limit), limits,
# model search, model registration, version, help, 貯玉, import (with its preview), export,
# wait, monthly graph and analysis windows (the 成績 page too), taken under a virtual display from the real
# windows (QT_QPA_PLATFORM=offscreen takes the same pictures without xvfb).
# Needs xvfb. Usage: scripts/screenshots.sh [OUTDIR]; QT_SCALE_FACTOR=2 scripts/screenshots.sh
# docs/screenshots/2x takes them as a screen of twice the pixels shows them.
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-docs/screenshots}
mkdir -p "$out"
cmake -S . -B build -DTAMANOTE_BUILD_TOOLS=ON >/dev/null
cmake --build build --target tamanote-screenshots
xvfb-run -a -s "-screen 0 1280x1024x24" ./build/tamanote-screenshots "$out"
echo "pictures in $out"
