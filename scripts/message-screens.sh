#!/usr/bin/env bash
# Shows every message box and the file dialog on a virtual X display and
# saves a picture of each in docs/screens/.
# Usage: scripts/message-screens.sh [build-dir]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
cmake --build "$build" --target tst_message_screens
# The file dialog's folder shows in its picture: a clinic's, made and removed
# by the test (creating it under /srv needs root).
VELMORA_SCREENS_DIR="$root/docs/screens" VELMORA_SCREENS_FOLDER=/srv/ostra QT_QPA_PLATFORM=xcb \
  xvfb-run -a -s "-screen 0 1280x800x24" "$build/tests/app/tst_message_screens"
