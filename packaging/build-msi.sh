#!/usr/bin/env bash
# Builds the Kelbrook installer from a built Kelbrook.exe with Debian's wixl:
#
#   packaging/build-msi.sh KELBROOK_EXE VERSION OUTPUT_MSI
#
# VERSION is major.minor.patch. scripts/package passes the version of the build; the tests
# also build an older-numbered installer of the same program to install over.
set -euo pipefail
[ $# -eq 3 ] || { echo "usage: $0 KELBROOK_EXE VERSION OUTPUT_MSI" >&2; exit 2; }
exe=$(realpath "$1")
version=$2
out=$(realpath -m "$3")
here=$(cd "$(dirname "$0")" && pwd)
[[ "$version" =~ ^[0-9]+\.[0-9]+\.[0-9]+$ ]] || { echo "build-msi: not a version: $version" >&2; exit 2; }
[ -f "$exe" ] || { echo "build-msi: no program at $exe" >&2; exit 1; }

# wixl finds a File's source relative to the current folder, so it works in a staging folder
# holding exactly what the installer carries.
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
cp "$exe" "$stage/Kelbrook.exe"
cp "$here/../src/app/win32/Kelbrook.ico" "$stage/Kelbrook.ico"
mkdir -p "$(dirname "$out")"
rm -f "$out"
(cd "$stage" && wixl -a x64 -D Version="$version" -D ProgramFile=Kelbrook.exe \
  -D IconFile=Kelbrook.ico -o "$out" "$here/Kelbrook.wxs")

# What a per-machine package must hold; wixl drops what it does not understand, silently.
properties=$(msiinfo export "$out" Property | tr -d '\r')
grep -q $'^ALLUSERS\t1' <<<"$properties" || { echo "build-msi: ALLUSERS is not 1" >&2; exit 1; }
grep -q $'^ProductVersion\t'"$version"'$' <<<"$properties" ||
  { echo "build-msi: ProductVersion is not $version" >&2; exit 1; }
msiinfo export "$out" Shortcut | grep -q $'\t\\[#KelbrookExe\\]\t' ||
  { echo "build-msi: the Start-menu shortcut does not point at Kelbrook.exe" >&2; exit 1; }
echo "build-msi: $out ($version)"
