#!/usr/bin/env bash
# Builds the Debian package from a build folder with CPack and checks it the
# way an installation would meet it: its control data (run-time Depends only,
# found by dpkg-shlibdeps plus the libraries loaded at run time), its exact
# file list with owners and modes, the desktop entry and the AppStream file
# by their validators; then unpacks it into a throw-away folder and runs the
# unpacked program offscreen on a sample database (driven by the preloaded
# probe), which must show rows and exit with 0.
# Usage: check-package.sh BUILD-DIR VERSION PROBE-LIBRARY
set -euo pipefail
build=${1:?usage: check-package.sh BUILD-DIR VERSION PROBE-LIBRARY}
version=${2:?}
probe=${3:?}
root=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

echo "== building the package"
if ! cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/out" > "$work/cpack.log" 2>&1; then
  cat "$work/cpack.log" >&2
  fail "cpack failed"
fi
arch=$(dpkg --print-architecture)
deb="$work/out/velmora_${version}_${arch}.deb"
[[ -f "$deb" ]] || fail "no velmora_${version}_${arch}.deb; cpack made: $(ls "$work/out")"
echo "package: $(basename "$deb"), $(stat -c %s "$deb") bytes"
dpkg-deb -I "$deb" control

echo "== control data"
field() { dpkg-deb -f "$deb" "$1"; }
[[ $(field Package) == velmora ]] || fail "Package is '$(field Package)'"
[[ $(field Version) == "$version" ]] || fail "Version is '$(field Version)', the project's is $version"
[[ $(field Architecture) == "$arch" ]] || fail "Architecture is '$(field Architecture)'"
[[ $(field Maintainer) =~ ^[^\<]+\ \<[^@\>]+@[^\>]+\>$ ]] || fail "Maintainer is '$(field Maintainer)'"
[[ $(field Description) == *VELMORA* ]] || fail "the description does not name the program"

depends=$(field Depends)
names=$(tr ',|' '\n\n' <<< "$depends" | sed 's/(.*//; s/[[:space:]]//g' | sed '/^$/d' | sort -u)
# Linked, and so found by dpkg-shlibdeps with a lowest version: Qt's widgets,
# its gui library (which holds the xcb and offscreen platform plugins), C and
# C++ run-times.
for name in libqt6widgets6 libqt6gui6 libqt6core6 libc6 libstdc++6; do
  [[ ", $depends" == *", $name (>= "* ]] || fail "Depends lacks $name with the version dpkg-shlibdeps finds: $depends"
done
# Loaded at run time, invisible to dpkg-shlibdeps: the client library and
# the embedded engine for local files.
for name in libfbclient2 firebird3.0-server-core; do
  grep -qx "$name" <<< "$names" || fail "Depends lacks $name: $depends"
done
# Nothing for building or testing: only shared libraries and the engine.
while read -r name; do
  case $name in
    *-dev | *-dbg) fail "Depends names a build package: $name" ;;
    lib* | firebird3.0-server-core) ;;
    *) fail "Depends names $name, which the program does not need" ;;
  esac
done <<< "$names"
# Every dependency is a real package, satisfied on this Debian machine.
dpkg-checkbuilddeps -d "$depends" /dev/null || fail "Depends is not satisfied here: $depends"

echo "== file list"
listing=$(dpkg-deb -c "$deb")
files=$(awk '$1 !~ /^d/ {print $1, $2, $6}' <<< "$listing" | sort)
expected=$(sort <<'EOF'
-rwxr-xr-x root/root ./usr/bin/velmora
-rw-r--r-- root/root ./usr/share/applications/velmora.desktop
-rw-r--r-- root/root ./usr/share/doc/velmora/copyright
-rw-r--r-- root/root ./usr/share/icons/hicolor/scalable/apps/velmora.svg
-rw-r--r-- root/root ./usr/share/metainfo/velmora.metainfo.xml
EOF
)
[[ "$files" == "$expected" ]] || fail "the package holds:
$files
expected:
$expected"
if awk '$1 ~ /^d/ && ($1 != "drwxr-xr-x" || $2 != "root/root")' <<< "$listing" | grep -q .; then
  fail "folders must be drwxr-xr-x root/root:
$listing"
fi

echo "== unpacked files"
dpkg -x "$deb" "$work/root"
program="$work/root/usr/bin/velmora"
file -b "$program" | grep -q ', stripped' || fail "the program is not stripped: $(file -b "$program")"
missing=$(ldd "$program" | grep 'not found' || true)
[[ -z "$missing" ]] || fail "libraries not found: $missing"

entry="$work/root/usr/share/applications/velmora.desktop"
desktop-file-validate "$entry" || fail "desktop-file-validate refused the desktop entry"
exec_line=$(sed -n 's/^Exec=//p' "$entry")
icon=$(sed -n 's/^Icon=//p' "$entry")
[[ -x "$work/root/usr/bin/${exec_line%% *}" ]] || fail "Exec=$exec_line is not the installed program"
[[ -f "$work/root/usr/share/icons/hicolor/scalable/apps/$icon.svg" ]] || fail "Icon=$icon is not the installed icon"

metainfo="$work/root/usr/share/metainfo/velmora.metainfo.xml"
grep -q '<launchable type="desktop-id">velmora.desktop</launchable>' "$metainfo" \
  || fail "the AppStream file does not launch velmora.desktop"
if command -v appstreamcli > /dev/null; then
  appstreamcli validate --no-net "$metainfo" || fail "appstreamcli refused the AppStream file"
else
  echo "appstreamcli not installed: the AppStream file is not validated"
fi

echo "== the unpacked program on a sample database"
sample="$work/clinica/Pazienti.fdb"
"$root/scripts/make-sample-db.sh" "$sample" 300
run() {
  LD_PRELOAD="$probe" VELMORA_PROBE_DB="$1" VELMORA_PROBE_SHOT="$work/window.png" QT_QPA_PLATFORM=offscreen \
    timeout 120 "$program"
}
set +e
output=$(run "$sample" 2>&1)
status=$?
set -e
echo "$output"
[[ $status -eq 0 ]] || fail "the program ended with $status on $sample"
grep -q '^probe: the grid shows rows' <<< "$output" || fail "the probe did not see rows"
[[ -s "$work/window.png" ]] || fail "no picture of the window"

# The probe notices a failure: a database that does not exist ends in its code.
set +e
output=$(run "$work/clinica/Assente.fdb" 2>&1)
status=$?
set -e
[[ $status -eq 3 ]] || fail "a missing database ended with $status, not the probe's 3: $output"
grep -q '^probe: a box was shown' <<< "$output" || fail "the probe did not report the error box: $output"
echo "package checked"
