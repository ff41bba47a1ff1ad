#!/usr/bin/env bash
# Makes a release of the Windows program in dist/: the installer and a portable zip (the programs, the help
# file and the transcoder in one folder, run from wherever it is unpacked), with their SHA-256 sums.
# A build of its own (build/release: optimised, stripped, no tests), so the development builds stay as they are.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh

version=$(sed -n 's/^project(Melodrift VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
build=build/release
cmake -S . -B "$build" -G Ninja --toolchain cmake/mingw-w64.cmake -DCMAKE_BUILD_TYPE=Release \
      -DMELODRIFT_TESTS=OFF -DMELODRIFT_WERROR=ON -DCMAKE_EXE_LINKER_FLAGS=-s >/dev/null
cmake --build "$build" -j "$(nproc)" --target melodrift melodrift-cli installer

rm -rf dist
mkdir -p dist
cp "$build/Melodrift-$version-setup.exe" dist/
portable="Melodrift-$version"
mkdir -p "dist/$portable"
for f in melodrift.exe melodrift-cli.exe mldrift.chm mdxcode.exe; do
    [ -s "$build/bin/$f" ] || { echo "release: $build/bin/$f is missing" >&2; exit 1; }
    cp "$build/bin/$f" "dist/$portable/"
done
(cd dist && zip -q -9 -r "$portable-portable.zip" "$portable" && rm -rf "$portable")
(cd dist && sha256sum ./*.exe ./*.zip | sed 's| \./| |' >SHA256SUMS)
ls -l dist
