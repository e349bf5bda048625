#!/usr/bin/env bash
# Runs the whole test suite on a fresh Debian machine: installs what is
# needed, builds and runs the tests, then builds them again under
# AddressSanitizer + UndefinedBehaviorSanitizer (clang, with the leak checker)
# together with the libFuzzer targets, and runs them once more (the fuzzers
# for a fixed time each).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

scripts/install-deps.sh

jobs=$(nproc)

echo "== normal build =="
scripts/build.sh "$root/build"
(cd build && ctest --output-on-failure -j "$jobs")

echo "== sanitizer build (ASan + UBSan + LSan) =="
scripts/build.sh "$root/build-asan" \
  -DCMAKE_CXX_COMPILER=clang++-19 -DCMAKE_BUILD_TYPE=Debug \
  -DVELMORA_SANITIZE=ON -DVELMORA_BUILD_BENCH=OFF -DVELMORA_BUILD_FUZZ=ON
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0:strict_string_checks=1:detect_stack_use_after_return=1"
export LSAN_OPTIONS="suppressions=$root/tests/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
(cd build-asan && ctest --output-on-failure -j "$jobs")
