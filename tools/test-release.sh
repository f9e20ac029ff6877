#!/usr/bin/env bash
# CI's release checks, after the Windows builds (tools/test.sh):
# - the time-stamp URL goes to every signing and anything but http(s) is
#   refused, shown by a dry run (no time-stamp server can be reached here);
# - without a certificate the release says in one line that it is unsigned;
# - tools/release.sh with a throwaway self-signed certificate: its clean
#   second build of each architecture, in another folder, equals the first
#   (dist/win32, dist/win64) byte for byte; both signatures of both files
#   verify; removing them gives back the unsigned files byte for byte; the
#   README carries the unsigned files' hashes; its trace (bash -x) never
#   shows the password.
# The end-to-end suite then runs the signed i686 file (e2e --tool32).
set -euo pipefail
cd "$(dirname "$0")/.."

work=build/release-test
rm -rf "$work"
mkdir -p "$work"
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=ReaderCheck throwaway test signer" \
    -addext extendedKeyUsage=codeSigning -keyout "$work/key.pem" -out "$work/cert.pem" 2>/dev/null
openssl pkcs12 -export -inkey "$work/key.pem" -in "$work/cert.pem" -out "$work/cert.p12" \
    -passout pass:pw-never-traced
export READERCHECK_SIGN_PKCS12="$work/cert.p12" READERCHECK_SIGN_PASSWORD=pw-never-traced
export READERCHECK_SIGN_CAFILE="$work/cert.pem"

failures=0
fail() {
    echo "FAIL $*"
    failures=$((failures + 1))
}

url=http://timestamp.invalid/rfc3161
commands=$(READERCHECK_TIMESTAMP_URL=$url bash tools/release.sh --dry-run)
[ "$(grep -c "^osslsigncode sign .* -ts $url " <<<"$commands")" = 4 ] ||
    fail "the time-stamp URL is not passed to all four signings: $commands"
if READERCHECK_TIMESTAMP_URL="ftp://${url#http://}" bash tools/release.sh --dry-run >/dev/null 2>&1; then
    fail "an ftp:// time-stamp URL was taken"
fi
commands=$(READERCHECK_SIGN_PKCS12='' bash tools/release.sh --dry-run)
if [ "$(grep -c unsigned <<<"$commands")" != 1 ] || grep -q osslsigncode <<<"$commands"; then
    fail "without a certificate: $commands"
fi

bash -x tools/release.sh 2>"$work/trace.log" || { cat "$work/trace.log"; exit 1; }
! grep -n pw-never-traced "$work/trace.log" || fail "the release's trace shows the password"
release=$(ls -td dist/release/ReaderCheck-*/ | head -n 1)
for arch in win32 win64; do
    unsigned="build/release-$arch/dist/ReaderCheck.exe"
    signed="$release/ReaderCheck.exe"
    [ "$arch" = win32 ] || signed="$release/ReaderCheck-x64.exe"
    python3 tools/pe_file.py compare "dist/$arch/ReaderCheck.exe" "$unsigned" ||
        fail "$arch: a second build in another folder differs"
    hash=$(sha256sum <"$unsigned" | cut -d ' ' -f 1)
    grep -q "$hash" README.md || fail "$arch: README.md's Releasing section lacks this commit's hash $hash"
    report=$(osslsigncode verify -CAfile "$READERCHECK_SIGN_CAFILE" -in "$signed" 2>&1) || true
    if ! grep -q '^Number of verified signatures: 2$' <<<"$report" ||
        [ "$(grep -E -c '^Message digest algorithm +: SHA(1|256)$' <<<"$report")" != 2 ]; then
        fail "$arch: not both signatures (SHA-1, SHA-256) verify: $report"
    fi
    osslsigncode remove-signature -in "$signed" -out "$work/$arch-removed.exe" >/dev/null
    python3 tools/pe_file.py compare "$unsigned" "$work/$arch-removed.exe" ||
        fail "$arch: removing the signatures does not give back the unsigned file"
done
[ "$failures" = 0 ] || exit 1
echo "release checks passed"
