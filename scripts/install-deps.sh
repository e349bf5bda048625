#!/usr/bin/env bash
# Installs every Debian package that the build, the tests and the program need.
# On a machine that has them all already it only checks, in a second or two.
set -euo pipefail

packages=(
  # build
  cmake ninja-build g++ pkg-config
  # the sanitizer build, the leak checker and libFuzzer; clang 19 because the
  # leak checker of 14 misreads the size of a library's thread-local block
  # whose address happens to sit 16 bytes into a page, and crashes at exit
  clang-19 libclang-rt-19-dev
  # tests
  libgtest-dev googletest
  # Qt 6: QtCore for the client layer, QtWidgets for the grid and the window
  qt6-base-dev qt6-qpa-plugins fonts-dejavu-core
  # Firebird 3.0: the client library, the embedded engine, the tools, ibase.h,
  # and the server that the tests start on loopback
  libfbclient2 firebird3.0-server-core firebird3.0-utils firebird-dev firebird3.0-server
  # a virtual display for screenshots and for machines without one, and the
  # picture taker
  xvfb xauth imagemagick
  # the Debian package: dpkg-shlibdeps finds the libraries the binary links
  # (CPack picks the binaries out with file); its test validates the desktop
  # entry and the AppStream file
  dpkg-dev file desktop-file-utils appstream
)

missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$p")
done

if ((${#missing[@]} == 0)); then
  echo "install-deps: all ${#packages[@]} packages are installed"
  exit 0
fi

echo "install-deps: installing ${missing[*]}"
sudo=()
if [[ $(id -u) -ne 0 ]]; then
  sudo=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y -qq "${missing[@]}"
