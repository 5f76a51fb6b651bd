#!/usr/bin/env bash
# Takes a screenshot of Kervane under Xvfb: the main window with a query window on the
# demonstration database, optionally after running a statement.
#   scripts/screenshot.sh IMAGE.png ["SELECT ..."]
set -euo pipefail
cd "$(dirname "$0")/.."
image=$(realpath -m "${1:-kervane.png}")
scripts/build.sh kervane_capture > /dev/null
unset QT_QPA_PLATFORM
xvfb-run -a -s "-screen 0 1280x1024x24" build/tests/frame/kervane_capture "$image" "${@:2}"
echo "$image"
