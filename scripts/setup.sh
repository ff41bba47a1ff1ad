#!/usr/bin/env bash
# Installs what the builds and tests need on a Debian machine, when it is missing.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(cmake ninja-build g++ g++-mingw-w64-x86-64 wine xvfb x11-utils ffmpeg sndfile-programs
          googletest libgtest-dev imagemagick clang clang-format xdotool
          # The artwork is drawn from SVG files when the Windows build runs, its name in these fonts.
          python3 librsvg2-bin fonts-urw-base35 fonts-dejavu-core
          # The help file, the installer and the checks of both.
          fp-utils nsis p7zip-full zip
          # Independent readers the tests compare with: tags, loudness, CUE sheets.
          python3-mutagen loudgain cuetools shntool)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
# npm may come with a Node.js build that is not Debian's own: only ask for Debian's when there is none.
command -v npm >/dev/null 2>&1 || missing+=(npm)
if [ ${#missing[@]} -gt 0 ]; then
    echo "setup: installing ${missing[*]}"
    SUDO=""
    [ "$(id -u)" -eq 0 ] || SUDO=sudo
    $SUDO apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${missing[@]}" >/dev/null
fi

# The Windows FFmpeg build that becomes mdxcode.exe in the Windows program folder.
ffdir=.deps/win32-x64
if [ ! -s "$ffdir/ffmpeg.exe" ]; then
    echo "setup: fetching the Windows FFmpeg build"
    tmp=$(mktemp -d)
    (cd "$tmp" && npm pack --silent @ffmpeg-installer/win32-x64@4.1.0 >/dev/null)
    tar -xzf "$tmp"/*.tgz -C "$tmp"
    mkdir -p "$ffdir"
    cp "$tmp/package/ffmpeg.exe" "$ffdir/ffmpeg.exe"
    rm -rf "$tmp"
fi
