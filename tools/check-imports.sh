#!/bin/sh
# Checks every function each Windows executable imports against the list of
# allowed imports (tools/allowed-imports.txt: system DLLs and functions that
# Windows 2000 SP4 and XP without a service pack have, so that those systems
# load the program and its start-up can tell them they are not supported).
# One line per executable; exit code 1 on any other import or an unreadable
# file.
#   tools/check-imports.sh dist/win32/ReaderCheck.exe dist/win64/ReaderCheck.exe
set -u
objdump=${OBJDUMP:-x86_64-w64-mingw32-objdump}  # reads PE32 and PE32+ alike
allowed_list=${ALLOWED_IMPORTS:-$(dirname "$0")/allowed-imports.txt}

if [ $# -eq 0 ]; then
    echo "usage: $0 EXE..." >&2
    exit 2
fi
allowed=$(sed -e 's/#.*//' -e '/^[[:space:]]*$/d' "$allowed_list" | awk '{ print $1, $2 }') || exit 2

status=0
for exe in "$@"; do
    if ! headers=$("$objdump" -p "$exe" 2>/dev/null); then
        echo "$exe: FAIL (cannot read)"
        status=1
        continue
    fi
    # "dll function" per import, the DLL in lower case; an import by ordinal
    # shows as "<ordinal N>" and is never on the list.
    imports=$(printf '%s\n' "$headers" | tr -d '\r' | awk '
        /^[[:space:]]*DLL Name:/ { dll = tolower($3); next }
        /^[[:space:]]*$/ { dll = ""; next }
        dll != "" && /^[[:space:]]+[0-9a-f]+[[:space:]]+[0-9]+[[:space:]]+[^[:space:]]/ {
            print dll, $3
        }
        dll != "" && /<none>|Ordinal/ { print dll, "<ordinal " $0 ">" }')
    unexpected=$(printf '%s\n' "$imports" | sort -u | while read -r line; do
        [ -n "$line" ] || continue
        printf '%s\n' "$allowed" | grep -qxF "$line" || printf ' %s' "$line"
    done)
    dlls=$(printf '%s\n' "$imports" | awk '{ print $1 }' | sort -u | tr '\n' ' ')
    count=$(printf '%s\n' "$imports" | grep -c .)
    if [ -n "$unexpected" ] || [ "$count" -eq 0 ]; then
        echo "$exe: FAIL imports not on $(basename "$allowed_list"):${unexpected:- none read}"
        status=1
    else
        echo "$exe: OK $count imports from ${dlls% }"
    fi
done
exit $status
