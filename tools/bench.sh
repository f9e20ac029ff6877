#!/usr/bin/env bash
# Benchmark (a measurement, not a test): installs what is needed, builds the
# tool and the end-to-end programs with the Windows presets and the
# benchmark's own programs (a timed build of the tool and a baseline program)
# in build/bench-<arch>, then runs tools/bench/bench.py: the tool against the
# baseline, alternating, under Wine with a simulated reader/writer, and the
# stage times of one run. Prints the tables. Options pass through (e.g.
# --runs 7). x86_64 by default; --arch win64,win32 adds the i686 build, which
# takes long where 32-bit programs run under qemu's emulator.
set -euo pipefail
cd "$(dirname "$0")/.."

arches="win64"
previous=""
for word in "$@"; do
    case "$word" in
        --arch=*) arches="${word#--arch=}" ;;
    esac
    if [ "$previous" = "--arch" ]; then arches="$word"; fi
    previous="$word"
done

bash tools/install-deps.sh
mkdir -p build/e2e
bash tools/build-windows.sh --e2e
for arch in ${arches//,/ }; do
    toolchain=cmake/mingw-x86_64.cmake
    [ "$arch" = win32 ] && toolchain=cmake/mingw-i686.cmake
    if ! { cmake -S . -B "build/bench-$arch" --toolchain "$toolchain" -DCMAKE_BUILD_TYPE=MinSizeRel \
               -DREADERCHECK_BENCH=ON -DREADERCHECK_E2E=ON &&
           cmake --build "build/bench-$arch" -j2 --target ReaderCheckTimed ReaderCheckBaseline; } \
        > "build/e2e/build-bench-$arch.log" 2>&1; then
        tail -n 30 "build/e2e/build-bench-$arch.log" >&2
        echo "building the benchmark programs for $arch failed (build/e2e/build-bench-$arch.log)" >&2
        exit 2
    fi
done
exec python3 -m tools.bench.bench "$@"
