#!/usr/bin/env bash
# Installs everything the build, the tests and the Wine runs need on a
# Debian 12 machine, and lets 32-bit programs run where the kernel cannot.
set -euo pipefail

sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
    sudo_cmd=(sudo)
fi

packages=(
    build-essential cmake make git python3 ca-certificates procps
    libgtest-dev googletest clang libclang-rt-14-dev clang-format
    clang-tidy cppcheck gcovr
    g++-mingw-w64-i686-win32 g++-mingw-w64-x86-64-win32
    wine wine64 wine32:i386 fonts-wine qemu-user
    xvfb imagemagick fonts-ipafont-gothic locales
    osslsigncode openssl
)

missing=()
for p in "${packages[@]}"; do
    dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done

if [ "${#missing[@]}" -gt 0 ]; then
    echo "install-deps: installing ${missing[*]}"
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
        "${sudo_cmd[@]}" dpkg --add-architecture i386
    fi
    # A mirror caught mid-sync fails one index; the others still serve.
    "${sudo_cmd[@]}" apt-get update -q || echo "install-deps: apt-get update reported errors; going on" >&2
    install=(env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends)
    if ! "${sudo_cmd[@]}" "${install[@]}" "${packages[@]}"; then
        # When the security index of one architecture is missing, the two
        # sides of a multi-arch library want different versions; taking both
        # from the point release for this install lets them agree again.
        echo "install-deps: retrying with the point release preferred over security updates" >&2
        pin=$(mktemp)
        printf 'Package: *\nPin: release l=Debian-Security\nPin-Priority: 100\n' > "$pin"
        "${sudo_cmd[@]}" "${install[@]}" -o "Dir::Etc::preferences=$pin" "${packages[@]}"
        rm -f "$pin"
    fi
fi

# Some virtual machines cannot start 32-bit programs; the 32-bit side of Wine
# then runs through qemu's user-mode emulator.
if ! /lib/ld-linux.so.2 --version >/dev/null 2>&1; then
    binfmt=/proc/sys/fs/binfmt_misc
    if [ ! -e "$binfmt/register" ]; then
        "${sudo_cmd[@]}" mount -t binfmt_misc binfmt_misc "$binfmt"
    fi
    if [ ! -e "$binfmt/qemu-i386" ]; then
        magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
        mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
        echo ":qemu-i386:M::$magic:$mask:/usr/bin/qemu-i386:" |
            "${sudo_cmd[@]}" tee "$binfmt/register" >/dev/null
    fi
    /lib/ld-linux.so.2 --version >/dev/null 2>&1 ||
        { echo "install-deps: 32-bit programs still cannot run" >&2; exit 1; }
fi

# Wine shows the tool's code page 932 texts under a Japanese locale.
if ! locale -a 2>/dev/null | grep -qi '^ja_JP\.utf-\?8$'; then
    "${sudo_cmd[@]}" localedef -i ja_JP -f UTF-8 ja_JP.UTF-8
fi
