#!/usr/bin/env bash
# Build and run on a fresh Debian 12: installs what is needed, builds the tool
# with the end-to-end programs (the simulated smart card library, and with the
# x86_64 preset the UI driver and stand-in service), then runs the i686
# ReaderCheck.exe under Wine against a simulated VORNE QX7300 reader/writer
# with a card and a running smart card service. On your display the tool is
# yours to click through; without a display (or with --auto) a whole check is
# clicked through on a headless Xvfb and screenshots land in out/screenshots/.
set -euo pipefail
cd "$(dirname "$0")/.."

bash tools/install-deps.sh
bash tools/build-windows.sh --e2e
exec python3 -m e2e.suite.demo --arch win32 --shots out/screenshots "$@"
