#!/usr/bin/env bash
# Makes the release in build/dist: the installer (both builds inside), the
# portable zip (x86/ and x64/) and SHA256SUMS. Also makes, for the tests, the
# same installer as a 64-bit program in build/package (this machine's Wine
# runs only 64-bit programs).
set -eu
cd "$(dirname "$0")/.."
root=$PWD
scripts/setup.sh
scripts/build.sh windows windows-x64 >/dev/null
version=$(sed -n 's/^project(Quillomat VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
dist=build/dist
stage=build/package
rm -rf "$dist" "$stage"
mkdir -p "$dist" "$stage"

# Windows text: CR LF line ends.
crlf() { sed -e 's/\r$//' -e 's/$/\r/' "$@"; }
sed "s/@VERSION@/$version/g" installer/README.txt | crlf >"$stage/README.txt"
crlf LICENSE >"$stage/LICENSE.txt"

nsis() {
    makensis -V2 -DVERSION="$version" -DSRC="$root" -DBIN_X86="$root/build/windows" \
        -DBIN_X64="$root/build/windows-x64" -DREADME="$root/$stage/README.txt" "$@" \
        installer/quillomat.nsi
}
nsis -DOUTFILE="$root/$dist/Quillomat-$version-setup.exe"
nsis -DTARGET_X64 -DOUTFILE="$root/$stage/Quillomat-$version-setup-x64.exe"

portable="$stage/Quillomat-$version"
mkdir -p "$portable/x86" "$portable/x64"
cp build/windows/quillomat.exe build/windows/quillomat-check.exe "$portable/x86/"
cp build/windows-x64/quillomat.exe build/windows-x64/quillomat-check.exe "$portable/x64/"
cp "$stage/README.txt" "$stage/LICENSE.txt" "$portable/"
(cd "$stage" && zip -q -X -r "$root/$dist/Quillomat-$version-portable.zip" "Quillomat-$version")

(cd "$dist" && sha256sum "Quillomat-$version-setup.exe" "Quillomat-$version-portable.zip" >SHA256SUMS)
ls -l "$dist"
