#!/usr/bin/env bash
# Installs everything Quillomat needs to build and test on Debian 12: the
# native toolchain and test libraries, Boost's headers (the regular
# expressions of pattern triggers), MinGW-w64 for the Windows programs,
# 64-bit Wine, a headless X server and xdotool. Safe to run again.
set -eu
packages=(
    cmake ninja-build g++ clang libclang-rt-14-dev file
    libgtest-dev googletest libbenchmark-dev libboost1.81-dev
    g++-mingw-w64-i686 g++-mingw-w64-x86-64
    wine64 fonts-wine xvfb xdotool x11-utils imagemagick python3
    nsis zip unzip locales
)
# Locales the tests run Wine in, so that the program meets other code pages.
locales=(ru_RU.UTF-8 ja_JP.UTF-8)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
done
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    $sudo apt-get update -q
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
for l in "${locales[@]}"; do
    locale -a 2>/dev/null | grep -qi "^${l%.UTF-8}.utf-\?8$" && continue
    echo "Generating locale $l"
    $sudo sh -c "grep -q '^$l UTF-8' /etc/locale.gen || echo '$l UTF-8' >>/etc/locale.gen"
    $sudo locale-gen >/dev/null
done

# The shipped 32-bit build runs here only through user-mode emulation: these
# kernels refuse 32-bit Linux programs, which 32-bit Wine is made of. Where
# root may mount binfmt_misc, qemu runs them, and 32-bit Wine (with its
# preloader) serves the 64-bit loader's 32-bit processes. Elsewhere the
# 32-bit scenario is skipped, and this says so once.
setup_32bit() {
    local binfmt=/proc/sys/fs/binfmt_misc
    if [ "$(id -u)" -ne 0 ]; then
        echo "32-bit run: not set up (needs root to register the emulator); its scenario will be skipped"
        return 0
    fi
    if [ ! -e "$binfmt/register" ] && ! mount -t binfmt_misc binfmt_misc "$binfmt" 2>/dev/null; then
        echo "32-bit run: not set up (binfmt_misc cannot be mounted here); its scenario will be skipped"
        return 0
    fi
    local need=()
    dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386
    for p in qemu-user-static wine32:i386 wine32-preloader:i386; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || need+=("$p")
    done
    if [ ${#need[@]} -gt 0 ]; then
        echo "Installing for the 32-bit run: ${need[*]}"
        apt-get update -q
        DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends --no-remove \
            "${need[@]}" || {
            echo "32-bit run: not set up (the packages did not install); its scenario will be skipped"
            return 0
        }
    fi
    if [ ! -e "$binfmt/qemu-i386" ]; then
        # Debian registers no emulator for i386 on an amd64 machine, which
        # would run such programs itself. The kernel reads the escapes; "F"
        # opens the emulator now, so it serves programs from any mount
        # namespace.
        local magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
        local mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
        printf '%s\n' ":qemu-i386:M::$magic:$mask:/usr/bin/qemu-i386-static:F" \
            >"$binfmt/register" 2>/dev/null ||
            echo "32-bit run: the emulator could not be registered; its scenario will be skipped"
    fi
}
[ "${QUILLOMAT_SKIP_32BIT:-}" = 1 ] || setup_32bit
