#!/usr/bin/env bash
# End-to-end suite: builds the tool and the test programs with both Windows
# presets (tools/build-windows.sh --e2e), then runs every scenario against
# dist/win32 and dist/win64 ReaderCheck.exe under Wine (see e2e/suite/main.py;
# its options pass through, e.g. --lanes win64). Ends with
# "N passed, N failed". Set E2E_NO_BUILD=1 to use what is already built.
set -euo pipefail
cd "$(dirname "$0")/.."

if ! /lib/ld-linux.so.2 --version >/dev/null 2>&1; then
    echo "32-bit Linux programs cannot run here (nor through qemu-i386 in binfmt_misc)" >&2
    echo "(bash tools/install-deps.sh registers it)" >&2
    exit 2
fi

if [ "${E2E_NO_BUILD:-0}" != 1 ]; then
    bash tools/build-windows.sh --e2e
fi

exec python3 -m e2e.suite.main "$@"
