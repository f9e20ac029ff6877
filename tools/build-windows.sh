#!/usr/bin/env bash
# The one Windows build step: configures and builds the i686 and x86_64
# presets (dist/win32 and dist/win64 ReaderCheck.exe; each link checks the
# program's imports). With --e2e the presets also build the end-to-end
# programs (READERCHECK_E2E=ON: the simulated smart card library, the
# stand-in service and the UI driver, in build/win32/e2e and build/win64/e2e);
# without it they are left out. Presets may be named to build only those.
#   bash tools/build-windows.sh [--e2e] [win32] [win64]
set -euo pipefail
cd "$(dirname "$0")/.."

e2e=OFF
presets=()
for word in "$@"; do
    case "$word" in
    --e2e) e2e=ON ;;
    win32 | win64) presets+=("$word") ;;
    *)
        echo "usage: $0 [--e2e] [win32] [win64]" >&2
        exit 2
        ;;
    esac
done
[ "${#presets[@]}" -gt 0 ] || presets=(win32 win64)

for preset in "${presets[@]}"; do
    cmake --preset "$preset" -DREADERCHECK_E2E="$e2e" >/dev/null
    cmake --build --preset "$preset"
done
