#!/usr/bin/env bash
# Sets up a fresh Debian machine and starts VELMORA on a sample patient
# database served by the embedded engine: installs the packages, builds,
# creates the sample database if it does not exist yet, prints its path and
# starts the window. Without a display the window runs on a virtual one (Xvfb)
# and a screenshot of it is written.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

scripts/install-deps.sh
scripts/build.sh "$root/build"

sample="$root/sample/Pazienti.fdb"
if [[ ! -f "$sample" ]]; then
  echo "Creating the sample patient database..."
  scripts/make-sample-db.sh "$sample" 3000
fi
echo "Sample patient database: $sample"

program="$root/build/app/velmora"
if [[ ! -x "$program" ]]; then
  echo "The window is not built yet; the sample database is ready at the path above."
  exit 0
fi

echo "Type the path above into the box \"File Database Pazienti\" and press \"Apri Database\"."
if [[ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]]; then
  exec "$program"
fi

# No display: a virtual one, the window on it, and a picture of it.
echo "No display found: starting the window on a virtual display (Xvfb)."
number=90
while [[ -e /tmp/.X${number}-lock ]]; do number=$((number + 1)); done
display=":$number"
Xvfb "$display" -screen 0 800x600x24 -nolisten tcp > /dev/null 2>&1 &
xvfb_pid=$!
sleep 1
DISPLAY="$display" QT_QPA_PLATFORM=xcb "$program" > /dev/null 2>&1 &
program_pid=$!
sleep 3
shot="$root/sample/velmora-screenshot.png"
if DISPLAY="$display" import -window root -crop 471x314+0+0 "$shot"; then
  echo "Screenshot of the window: $shot"
fi
echo "The window runs on the virtual display $display."
echo "Stop it with: kill $program_pid $xvfb_pid"
