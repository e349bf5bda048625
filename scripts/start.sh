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

echo "No display found: starting the window on a virtual display (Xvfb)."
shot="$root/sample/velmora-screenshot.png"
exec xvfb-run -a -s "-screen 0 1024x768x24" env VELMORA_SCREENSHOT="$shot" "$program"
