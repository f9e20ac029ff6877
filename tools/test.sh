#!/usr/bin/env bash
# Everything CI runs: installs what it needs, then the native unit tests, the
# coverage floor of the check core, the static analysis of the product, both
# Windows builds (once, with the end-to-end programs; each link checks the
# program's imports and protections), the release checks (a second build
# compared byte for byte, signing), the fuzz targets for a bounded time and
# the end-to-end suite of the real program under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."

stage() { echo "== $1 (at ${SECONDS}s)"; }

bash tools/install-deps.sh

stage "native unit tests"
cmake --preset native >/dev/null
cmake --build --preset native
ctest --preset native

stage "coverage of the check core (tools/coverage.sh)"
bash tools/coverage.sh

stage "static analysis (tools/analyze.sh)"
bash tools/analyze.sh

stage "Windows builds"
bash tools/build-windows.sh --e2e  # each link checks the program's imports

# A second build of each architecture in another folder, compared with the
# first, then signed with a throwaway certificate; beside the fuzz targets,
# which keep one core busy for a fixed time.
stage "release checks started (tools/test-release.sh)"
bash tools/test-release.sh >build/test-release.log 2>&1 &
release_checks=$!

stage "fuzz targets"  # each for FUZZ_SECONDS, 20 unless set
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz
ctest --preset fuzz

stage "release checks"
wait "$release_checks" || { cat build/test-release.log; exit 1; }
cat build/test-release.log

stage "end to end under Wine (the i686 lanes run the signed file)"
E2E_NO_BUILD=1 bash e2e/run.sh --tool32 "$(ls -td dist/release/ReaderCheck-*/ | head -n 1)ReaderCheck.exe"
