#!/usr/bin/env bash
# Benchmark (a measurement, not a test): installs what is needed and builds
# the tool and the end-to-end programs with both Windows presets, then runs
# the x86_64 and the i686 ReaderCheck.exe under Wine against a simulated
# reader/writer and prints a table: a whole check's wall time with 1 and 4
# readers against the pauses it must make, the time to the check dialog, the
# peak working set and the size of each .exe. Options of e2e/suite/bench.py
# pass through (e.g. --arch win64, --runs 5). The i686 side runs under qemu
# user emulation here and takes several minutes.
set -euo pipefail
cd "$(dirname "$0")/.."

bash tools/install-deps.sh
source e2e/build-windows.sh
exec python3 -m e2e.suite.bench "$@"
