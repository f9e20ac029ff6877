#!/usr/bin/env bash
# Build and run on a fresh Debian 12: installs what is needed, builds the
# tool (and, with the x86_64 preset, the UI driver and stand-in service that
# click it through), then runs one whole check of the i686 ReaderCheck.exe
# under Wine against a simulated VORNE QX7300 reader/writer with a card.
# Windows appear on $DISPLAY when there is one, otherwise on a headless
# Xvfb; screenshots land in out/screenshots/.
set -euo pipefail
cd "$(dirname "$0")/.."

bash tools/install-deps.sh
for preset in win32 win64; do
    cmake --preset "$preset"
    cmake --build --preset "$preset"
done
exec python3 -m e2e.suite.demo --arch win32 --shots out/screenshots
