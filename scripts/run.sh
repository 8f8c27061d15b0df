#!/bin/sh
# Builds horlivet and runs it from its build folder (ervaline.ini, actions/ and the
# journals live there, beside the program).
set -eu
cd "$(dirname "$0")/.."
scripts/deps.sh
cmake --preset release >/dev/null
cmake --build --preset release --target horlivet
exec build/release/horlivet
