#!/bin/sh
# Builds everything and runs every test. With --asan, under AddressSanitizer and
# UndefinedBehaviorSanitizer.
set -eu
cd "$(dirname "$0")/.."
scripts/deps.sh --test
preset=dev
[ "${1:-}" = "--asan" ] && preset=asan
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset"
ctest --preset "$preset" -j2
