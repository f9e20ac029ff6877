#!/usr/bin/env bash
# Everything CI runs: installs what it needs, then the native unit tests, both
# Windows builds with their import check, the fuzz targets for a bounded time
# and the end-to-end suite of the real program under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."

stage() { echo "== $1 (at ${SECONDS}s)"; }

bash tools/install-deps.sh

stage "native unit tests"
cmake --preset native >/dev/null
cmake --build --preset native
ctest --preset native

stage "Windows builds"
for arch in win32 win64; do
    cmake --preset "$arch" >/dev/null
    cmake --build --preset "$arch"
done
bash tools/check-imports.sh dist/win32/ReaderCheck.exe dist/win64/ReaderCheck.exe

if [ -f fuzz/run.sh ]; then
    stage "fuzz targets"
    FUZZ_SECONDS="${FUZZ_SECONDS:-20}" bash fuzz/run.sh
fi

stage "end to end under Wine"
bash e2e/run.sh
