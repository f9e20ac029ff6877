#!/usr/bin/env bash
# The release: builds the program for i686 and x86_64 in clean folders of
# their own (build/release-win32, build/release-win64; the program only),
# signs both when a certificate is given, and writes
# dist/release/ReaderCheck-<version>/ with ReaderCheck.exe (i686, the one
# users get), ReaderCheck-x64.exe and SHA256SUMS, whose hashes it prints.
#   bash tools/release.sh [--dry-run]
# Authenticode signing with osslsigncode, from the environment:
#   READERCHECK_SIGN_PKCS12    the maker's certificate and key (.p12 / .pfx)
#   READERCHECK_SIGN_PASSWORD  its password (taken out of the environment at
#                              once, handed over on standard input: never an
#                              argument, nor in a trace)
#   READERCHECK_SIGN_CAFILE    certificates that verify the signer (default:
#                              osslsigncode's, the system's CA list)
#   READERCHECK_TIMESTAMP_URL  an RFC 3161 time-stamp server (http:// or
#                              https://); without it the signatures carry none
# Each file gets a SHA-1 signature (Windows 7 without its SHA-2 update) with a
# SHA-256 one nested in it, and both are verified. Removing them
# (osslsigncode remove-signature) gives back the unsigned file byte for byte.
# --dry-run prints the commands instead of running them.
set -euo pipefail
# The password, kept from every program started here (cmake, the compiler,
# python) and from a trace (bash -x prints assignments, not redirections).
unset sign_password # one from the environment would stay exported
IFS= read -r sign_password <<<"${READERCHECK_SIGN_PASSWORD:-}"
unset READERCHECK_SIGN_PASSWORD
cd "$(dirname "$0")/.."

dry_run=0
case "${1:-}" in
"") ;;
--dry-run) dry_run=1 ;;
*)
    echo "usage: $0 [--dry-run]" >&2
    exit 2
    ;;
esac

pkcs12="${READERCHECK_SIGN_PKCS12:-}"
url="${READERCHECK_TIMESTAMP_URL:-}"
if [ -n "$pkcs12" ] && [ ! -r "$pkcs12" ]; then
    echo "release: cannot read the certificate $pkcs12 (READERCHECK_SIGN_PKCS12)" >&2
    exit 2
fi
if [ -n "$url" ] && ! [[ "$url" =~ ^https?://[^[:space:]]+$ ]]; then
    echo "release: READERCHECK_TIMESTAMP_URL is no http:// or https:// URL: $url" >&2
    exit 2
fi

[ -n "$pkcs12" ] || echo "release: no certificate (READERCHECK_SIGN_PKCS12), so the files are unsigned"

version=$(sed -n 's/^project(ReaderCheck VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
[ -n "$version" ] || { echo "release: no project version in CMakeLists.txt" >&2; exit 1; }
out="dist/release/ReaderCheck-$version"

run() {
    if [ "$dry_run" = 1 ]; then
        echo "$*"
    else
        "$@"
    fi
}

run_quietly() {
    if [ "$dry_run" = 1 ]; then
        echo "$*"
    else
        "$@" >/dev/null
    fi
}

# Signs with the password on standard input: the command line shows it to
# every user of the machine.
sign() {
    if [ "$dry_run" = 1 ]; then
        echo "osslsigncode sign -pkcs12 $pkcs12 -readpass /dev/stdin $*"
    else
        osslsigncode sign -pkcs12 "$pkcs12" -readpass /dev/stdin "$@" >/dev/null <<<"$sign_password"
    fi
}

# Fails unless both signatures verify: the SHA-1 one and the nested SHA-256.
verify() {
    local file="$1" report
    local ca=()
    [ -z "${READERCHECK_SIGN_CAFILE:-}" ] || ca=(-CAfile "$READERCHECK_SIGN_CAFILE")
    if [ "$dry_run" = 1 ]; then
        echo "osslsigncode verify ${ca[*]:+${ca[*]} }-in $file"
        return
    fi
    if ! report=$(osslsigncode verify "${ca[@]}" -in "$file" 2>&1) ||
        ! grep -q '^Number of verified signatures: 2$' <<<"$report"; then
        printf '%s\n' "$report" >&2
        echo "release: $file: the signatures do not verify" >&2
        exit 1
    fi
    echo "release: $file: SHA-1 and SHA-256 signatures verified"
}

timestamp=()
[ -z "$url" ] || timestamp=(-ts "$url")

run rm -rf "$out"
run mkdir -p "$out"
for arch in win32 win64; do
    build="build/release-$arch"
    name=ReaderCheck.exe
    [ "$arch" = win32 ] || name=ReaderCheck-x64.exe
    run rm -rf "$build"
    run_quietly cmake --preset "$arch" -B "$build" -DREADERCHECK_E2E=OFF -DREADERCHECK_BENCH=OFF \
        -DREADERCHECK_DIST_DIR="$PWD/$build/dist"
    run cmake --build "$build" -j 2 --target ReaderCheck
    if [ -z "$pkcs12" ]; then
        run cp "$build/dist/ReaderCheck.exe" "$out/$name"
        continue
    fi
    sign -h sha1 "${timestamp[@]}" -in "$build/dist/ReaderCheck.exe" -out "$build/sha1.exe"
    sign -nest -h sha256 "${timestamp[@]}" -in "$build/sha1.exe" -out "$out/$name"
    run rm -f "$build/sha1.exe"
    verify "$out/$name"
done

[ "$dry_run" = 0 ] || exit 0
(cd "$out" && sha256sum ReaderCheck.exe ReaderCheck-x64.exe >SHA256SUMS)
if [ -n "$pkcs12" ]; then
    echo "release: unsigned, as osslsigncode remove-signature gives them back:"
    sha256sum build/release-win32/dist/ReaderCheck.exe build/release-win64/dist/ReaderCheck.exe
fi
echo "release: $out"
cat "$out/SHA256SUMS"
