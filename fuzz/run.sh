#!/usr/bin/env bash
# Builds the fuzz targets, replays every committed input (corpus/ and
# regressions/) through its target, then fuzzes each target for a bounded
# time (FUZZ_SECONDS, default 60) with a scratch corpus in the build tree.
# Exits non-zero on any finding; its last line counts targets.
set -uo pipefail
cd "$(dirname "$0")/.."

targets=(smart_card_replies service_batches version_record interview)
seconds="${FUZZ_SECONDS:-60}"
bin_dir=build/fuzz/fuzz
work_root=build/fuzz/fuzz-work

if ! { cmake --preset fuzz >/dev/null && cmake --build --preset fuzz; }; then
    echo "fuzz: build failed"
    echo "0 passed, ${#targets[@]} failed"
    exit 1
fi

# Prints what a failed step left: the report's end and each crashing input.
show_finding() {
    local log="$1" findings="$2"
    echo "---- report in $log"
    grep -E '^Running: ' "$log" | tail -n 1
    # The error with its stack, then the summary, without the shadow map.
    awk '/check failed|ERROR: |runtime error: / { on = 1 }
         { if (on && n < 30) { print; n++ } else if (/^SUMMARY/) print }' "$log"
    local f
    for f in "$findings"/*; do
        [ -f "$f" ] || continue
        echo "---- finding $f ($(stat -c %s "$f") bytes), first 512 bytes:"
        head -c 512 "$f" | od -A x -t x1z -v
    done
}

# Every committed input must run clean.
replay() {
    local target="$1" work="$2"
    local inputs=()
    local dir
    for dir in "fuzz/corpus/$target" "fuzz/regressions/$target"; do
        [ -d "$dir" ] || continue
        while IFS= read -r -d '' f; do inputs+=("$f"); done < <(find "$dir" -type f -print0 | sort -z)
    done
    if [ "${#inputs[@]}" -eq 0 ]; then
        echo "fuzz: $target has no committed inputs"
        return 1
    fi
    "$bin_dir/${target}_fuzzer" -artifact_prefix="$work/findings/" "${inputs[@]}" \
        >"$work/replay.log" 2>&1 || { show_finding "$work/replay.log" "$work/findings"; return 1; }
    echo "fuzz: $target replayed ${#inputs[@]} inputs"
}

# Fuzzes for a bounded time; new inputs go to the scratch corpus only.
explore() {
    local target="$1" work="$2"
    local bin="$PWD/$bin_dir/${target}_fuzzer"
    local dirs=("$work/corpus" "$PWD/fuzz/corpus/$target")
    [ -d "fuzz/regressions/$target" ] && dirs+=("$PWD/fuzz/regressions/$target")
    local dict=()
    [ -f "fuzz/dict/$target.dict" ] && dict=(-dict="$PWD/fuzz/dict/$target.dict")
    (cd "$work" && "$bin" -max_total_time="$seconds" -jobs=1 \
        -timeout=25 -artifact_prefix="$work/findings/" "${dict[@]}" "${dirs[@]}" \
        >"$work/fuzz.log" 2>&1) || { show_finding "$work/fuzz-0.log" "$work/findings"; return 1; }
    echo "fuzz: $target $(grep -E '^Done [0-9]+ runs' "$work/fuzz-0.log" | tail -n 1)"
}

passed=0
failed=0
for target in "${targets[@]}"; do
    work="$PWD/$work_root/$target"
    rm -rf "$work"
    mkdir -p "$work/corpus" "$work/findings"
    if replay "$target" "$work" && explore "$target" "$work"; then
        passed=$((passed + 1))
    else
        echo "fuzz: $target FAILED"
        failed=$((failed + 1))
    fi
done

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
