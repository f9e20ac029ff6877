# Sourced by e2e/run.sh and tools/bench.sh: builds both Windows presets (the
# tool, the simulated library, the stand-in service and the UI driver), each
# into its own log under build/e2e, and stops with the log's end on failure.
mkdir -p build/e2e
for preset in win32 win64; do
    if ! { cmake --preset "$preset" && cmake --build --preset "$preset"; } \
        > "build/e2e/build-$preset.log" 2>&1; then
        tail -n 30 "build/e2e/build-$preset.log" >&2
        echo "building the $preset preset failed (build/e2e/build-$preset.log)" >&2
        exit 2
    fi
done
