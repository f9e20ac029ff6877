#!/bin/sh
# Lists the DLLs each Windows executable imports and fails unless all of them
# are system DLLs that every Windows 7 has: KERNEL32, USER32, GDI32, ADVAPI32,
# msvcrt and COMCTL32. One line per executable; exit code 1 on any other
# import or an unreadable file.
#   tools/check-imports.sh dist/win32/ReaderCheck.exe dist/win64/ReaderCheck.exe
set -u
objdump=${OBJDUMP:-x86_64-w64-mingw32-objdump}  # reads PE32 and PE32+ alike
allowed="kernel32.dll user32.dll gdi32.dll advapi32.dll msvcrt.dll comctl32.dll"

if [ $# -eq 0 ]; then
    echo "usage: $0 EXE..." >&2
    exit 2
fi

status=0
for exe in "$@"; do
    if ! headers=$("$objdump" -p "$exe" 2>/dev/null); then
        echo "$exe: FAIL (cannot read)"
        status=1
        continue
    fi
    dlls=$(printf '%s\n' "$headers" | sed -n 's/^[[:space:]]*DLL Name: *//p' | tr -d '\r')
    unexpected=""
    for dll in $dlls; do
        lower=$(printf '%s' "$dll" | tr 'A-Z' 'a-z')
        case " $allowed " in
        *" $lower "*) ;;
        *) unexpected="$unexpected $dll" ;;
        esac
    done
    listed=$(printf '%s' "$dlls" | tr '\n' ' ')
    if [ -n "$unexpected" ]; then
        echo "$exe: FAIL imports ${listed}(not allowed:$unexpected)"
        status=1
    else
        echo "$exe: OK imports $listed"
    fi
done
exit $status
