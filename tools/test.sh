#!/usr/bin/env bash
# Everything CI runs: installs what it needs, then the native unit tests, both
# Windows builds (once, with the end-to-end programs; each link checks the
# program's imports), the fuzz targets for a bounded time and the end-to-end
# suite of the real program under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."

stage() { echo "== $1 (at ${SECONDS}s)"; }

bash tools/install-deps.sh

stage "native unit tests"
cmake --preset native >/dev/null
cmake --build --preset native
ctest --preset native

stage "Windows builds"
bash tools/build-windows.sh --e2e  # each link checks the program's imports

stage "fuzz targets"  # each for FUZZ_SECONDS, 20 unless set
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz
ctest --preset fuzz

stage "end to end under Wine"
E2E_NO_BUILD=1 bash e2e/run.sh
