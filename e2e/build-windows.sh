# Sourced by tools/bench.sh: both Windows presets with the end-to-end
# programs, through the one build step, and build/e2e for the logs.
mkdir -p build/e2e
bash tools/build-windows.sh --e2e
