#!/usr/bin/env bash
# Pictures of the main window on a virtual X display, after opening the
# sample patient database, and of the progress box of a long rewrite (over a
# fixture of 80,000 rows), saved in docs/screens/.
# Usage: scripts/window-screens.sh [build-dir]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
cmake --build "$build" --target tst_window_screens
# The path shows in the pictures: a clinic's folder, not this machine's.
# Creating it under /srv needs root; VELMORA_SAMPLE_DB names another place.
sample=${VELMORA_SAMPLE_DB:-/srv/clinica/Pazienti.fdb}
[[ -f "$sample" ]] || "$root/scripts/make-sample-db.sh" "$sample" 3000
VELMORA_SCREENS_DIR="$root/docs/screens" VELMORA_SAMPLE_DB="$sample" QT_QPA_PLATFORM=xcb \
  xvfb-run -a -s "-screen 0 1280x800x24" "$build/tests/window/tst_window_screens"
