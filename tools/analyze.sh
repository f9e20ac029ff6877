#!/usr/bin/env bash
# Static analysis of the product, as the test command runs it: clang-tidy
# (the checks of .clang-tidy) over check/ and sysinfo/ for the native build
# and over every product file against the mingw-w64 headers of the i686 and
# x86_64 targets, then cppcheck over the product. Any finding fails it; a
# suppression is a NOLINT(check) with its reason on the same line.
#   bash tools/analyze.sh
set -euo pipefail
cd "$(dirname "$0")/.."

root=$PWD
product='^'"$root"'/(app|check|sysinfo|ui|win32)/'
jobs=2
status=0

# Lists "file<TAB>directory<TAB>arguments" of the product files in a build's
# compile commands, without what clang does not take (the execution character set is
# GCC's; clang keeps the literals as written) and without the output.
product_commands() {
    python3 - "$1" "$product" <<'EOF'
import functools
import json
import os
import re
import shlex
import subprocess
import sys

database, product = sys.argv[1], re.compile(sys.argv[2])


@functools.lru_cache(maxsize=None)
def cxx_headers(compiler):
    report = subprocess.run([compiler, "-xc++", "-E", "-v", "/dev/null"], capture_output=True,
                            text=True, check=True).stderr
    return [line.strip() for line in report.splitlines() if "/include/c++" in line]


for entry in json.load(open(database)):
    if not product.match(entry["file"]):
        continue
    words = []
    compiler, *arguments = shlex.split(entry["command"])
    if "mingw32" in compiler:
        # clang finds the mingw-w64 headers but not Debian's libstdc++ for
        # them (its folder is named for the thread model): ask the compiler.
        words += ["-nostdinc++"] + ["-isystem" + d for d in cxx_headers(compiler)]
    for word in arguments:
        if word.startswith("@"):  # the include paths in a response file
            with open(os.path.join(entry["directory"], word[1:])) as rsp:
                words += shlex.split(rsp.read())
        else:
            words.append(word)
    kept = []
    skip = False
    for word in words:
        if skip:
            skip = False
        elif word in ("-o", "-c"):
            skip = True
        elif not word.startswith(("-fexec-charset=", "-finput-charset=")):
            kept.append(word)
    print("%s\t%s\t%s" % (entry["file"], entry["directory"], shlex.join(kept)))
EOF
}

# Runs clang-tidy over "file<TAB>directory<TAB>arguments" lines, two at a time.
tidy() {
    local target=$1 lines=$2
    local count
    count=$(printf '%s\n' "$lines" | grep -c .)
    echo "clang-tidy (${target:-native}): $count files" >&2
    printf '%s\n' "$lines" | TARGET=$target xargs -d '\n' -P "$jobs" -n 1 sh -c '
        file=$(printf "%s" "$1" | cut -f1)
        dir=$(printf "%s" "$1" | cut -f2)
        args=$(printf "%s" "$1" | cut -f3)
        cd "$dir" && eval "set -- $args" &&
            clang-tidy --quiet "$file" -- ${TARGET:+--target=$TARGET} "$@" 2>/dev/null' sh
}

build=build/analysis
# Native: the core as the unit tests build it, configured with clang (which
# then leaves out the execution character set itself).
cmake -S . -B "$build/native" -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DREADERCHECK_SANITIZE=OFF >/dev/null
native=$(product_commands "$build/native/compile_commands.json")
findings=$(tidy "" "$native") || status=1

# Windows: the program's compile commands for each target, checked against
# that target's mingw-w64 headers.
for target in i686 x86_64; do
    cmake -S . -B "$build/$target" -DCMAKE_TOOLCHAIN_FILE="cmake/mingw-$target.cmake" \
        -DCMAKE_BUILD_TYPE=MinSizeRel >/dev/null
    windows=$(product_commands "$build/$target/compile_commands.json")
    findings+=$'\n'$(tidy "$target-w64-mingw32" "$windows") || status=1
done

printf '%s\n' "$findings" | grep -v '^$' || true
tidy_count=$(printf '%s\n' "$findings" | grep -cE '(warning|error): .*\[[a-z-]+.*\]$' || true)

# cppcheck over the product as either Windows target sees it.
cppcheck_count=0
for platform in win32W win64; do
    report=$(cppcheck --quiet --enable=warning,performance,portability --std=c++17 \
        --library=windows --platform="$platform" --inline-suppr --error-exitcode=1 \
        -D_WIN32_WINNT=0x0601 -I . app check sysinfo ui win32 2>&1) || status=1
    if [ -n "$report" ]; then
        printf '%s\n' "$report"
        cppcheck_count=$((cppcheck_count + $(printf '%s\n' "$report" | grep -c '\]$' || true)))
    fi
done

echo "analysis: clang-tidy $tidy_count findings, cppcheck $cppcheck_count findings"
[ "$tidy_count" -eq 0 ] && [ "$cppcheck_count" -eq 0 ] && [ "$status" -eq 0 ]
