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

# What ships is stripped; the symbols stay beside the build, in
# build/package/symbols, for reading crash reports.
ship() { # build folder, tool prefix, staging folder
    mkdir -p "$3" "$stage/symbols/$(basename "$3")"
    for exe in quillomat.exe quillomat-check.exe; do
        "$2objcopy" --only-keep-debug "$1/$exe" "$stage/symbols/$(basename "$3")/$exe.debug"
        "$2strip" -o "$3/$exe" "$1/$exe"
    done
}
ship build/windows i686-w64-mingw32- "$stage/x86"
ship build/windows-x64 x86_64-w64-mingw32- "$stage/x64"

# The installer's own pictures, made from the program's icon.
convert -size 150x57 xc:white \( "resources/quillomat.ico[1]" -filter point -resize 48x48 \) \
    -gravity east -geometry +8+0 -composite BMP3:"$stage/header.bmp"
convert -size 164x314 gradient:'#1f4e79-#5b9bd5' \
    \( "resources/quillomat.ico[1]" -filter point -resize 96x96 \) \
    -gravity north -geometry +0+48 -composite BMP3:"$stage/welcome.bmp"

nsis() {
    makensis -V2 -DVERSION="$version" -DSRC="$root" -DBIN_X86="$root/$stage/x86" \
        -DBIN_X64="$root/$stage/x64" -DREADME="$root/$stage/README.txt" \
        -DLICENSE="$root/$stage/LICENSE.txt" \
        -DHEADER_BMP="$root/$stage/header.bmp" -DWELCOME_BMP="$root/$stage/welcome.bmp" "$@" \
        installer/quillomat.nsi
}
nsis -DOUTFILE="$root/$dist/Quillomat-$version-setup.exe"
nsis -DTARGET_X64 -DOUTFILE="$root/$stage/Quillomat-$version-setup-x64.exe"

portable="$stage/Quillomat-$version"
mkdir -p "$portable/x86" "$portable/x64"
cp "$stage/x86/quillomat.exe" "$stage/x86/quillomat-check.exe" "$portable/x86/"
cp "$stage/x64/quillomat.exe" "$stage/x64/quillomat-check.exe" "$portable/x64/"
cp "$stage/README.txt" "$stage/LICENSE.txt" "$portable/"
(cd "$stage" && zip -q -X -r "$root/$dist/Quillomat-$version-portable.zip" "Quillomat-$version")

(cd "$dist" && sha256sum "Quillomat-$version-setup.exe" "Quillomat-$version-portable.zip" >SHA256SUMS)
ls -l "$dist"
