#!/usr/bin/env bash
# Line and decision coverage of the check core (check/, sysinfo/) by the
# native unit tests, per file, and the floor the test command holds it to:
# below 98 % of lines or 97 % of decisions it fails. The build is its own
# (build/coverage: no sanitizers, gcc's --coverage).
#   bash tools/coverage.sh
set -euo pipefail
cd "$(dirname "$0")/.."

LINE_FLOOR=98
DECISION_FLOOR=97
build=build/coverage

cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Debug -DREADERCHECK_SANITIZE=OFF \
    -DCMAKE_CXX_FLAGS="--coverage" -DCMAKE_EXE_LINKER_FLAGS="--coverage" >/dev/null
cmake --build "$build" -j 2 >/dev/null
find "$build" -name '*.gcda' -delete
(cd "$build" && ctest --output-on-failure -j 2 >/dev/null)

summary="$build/coverage.json"
# Decisions are the branches gcc counts, less those only an exception
# takes (the core throws nothing; the standard library may, out of memory)
# and those gcc itself marks unreachable.
gcovr --root . --filter 'check/' --filter 'sysinfo/' \
    --exclude-unreachable-branches --exclude-throw-branches \
    --json-summary "$summary" "$build/CMakeFiles/readercheck_core.dir" "$build/tests" "$build/testsupport" >/dev/null

python3 - "$summary" "$LINE_FLOOR" "$DECISION_FLOOR" <<'EOF'
import json
import sys

summary, line_floor, decision_floor = sys.argv[1], float(sys.argv[2]), float(sys.argv[3])
data = json.load(open(summary))


def percent(covered, total):
    return 100.0 * covered / total if total else 100.0


def shown(value):  # cut, not rounded: a total below the floor never shows as on it
    return "%5.1f%%" % (int(value * 10) / 10)


print("%-28s %13s %17s" % ("file", "lines", "decisions"))
for f in sorted(data["files"], key=lambda f: f["filename"]):
    print("%-28s %5d/%-4d %3.0f%% %7d/%-4d %3.0f%%" % (
        f["filename"], f["line_covered"], f["line_total"],
        percent(f["line_covered"], f["line_total"]),
        f["branch_covered"], f["branch_total"],
        percent(f["branch_covered"], f["branch_total"])))
lines = percent(data["line_covered"], data["line_total"])
decisions = percent(data["branch_covered"], data["branch_total"])
print("%-28s %5d/%-4d %s %5d/%-4d %s" % (
    "all", data["line_covered"], data["line_total"], shown(lines),
    data["branch_covered"], data["branch_total"], shown(decisions)))
failed = lines < line_floor or decisions < decision_floor
print("coverage: %s (floor: %g %% of lines, %g %% of decisions)" % (
    "FAIL" if failed else "OK", line_floor, decision_floor))
sys.exit(1 if failed else 0)
EOF
