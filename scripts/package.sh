#!/usr/bin/env bash
# Builds the Debian package of the program alone (no tests, no benchmarks) in
# build-package/ and leaves velmora_<version>_<arch>.deb in the top folder,
# ready for: apt install ./velmora_<version>_<arch>.deb
# Usage: scripts/package.sh
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

scripts/install-deps.sh
scripts/build.sh "$root/build-package" -DVELMORA_BUILD_TESTS=OFF -DVELMORA_BUILD_BENCH=OFF
rm -f build-package/velmora_*.deb
(cd build-package && cpack -G DEB > /dev/null)
deb=$(cd build-package && ls velmora_*.deb)
mv "build-package/$deb" "$root/$deb"
echo "Package: $root/$deb"
echo "Install it with: apt install ./$deb"
