#!/usr/bin/env bash
# Builds the desktop program and starts it under Wine on this display. Without a display it starts a
# virtual one, saves a screenshot of the window and says where.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh >&2
cmake --preset windows >/dev/null
cmake --build --preset windows -j "$(nproc)" --target melodrift melodrift-cli transcoder helpfile >&2

export MELODRIFT_WINEPREFIX="${MELODRIFT_WINEPREFIX:-$HOME/.local/share/melodrift/wineprefix}"
source scripts/wine-env.sh
program=build/windows/bin/melodrift.exe

if [ -n "${DISPLAY:-}" ]; then
    wine_prepare_prefix
    exec wine "$program" "$@"
fi

echo "start: no display here: starting a virtual one for the program" >&2
wine_start_xvfb
trap wine_env_stop EXIT
wine_prepare_prefix
wine "$program" "$@" >/dev/null 2>&1 &
for _ in $(seq 100); do
    xdotool search --name '^Melodrift$' >/dev/null 2>&1 && break
    sleep 0.2
done
sleep 2
# On the first start the help file opens over the window; the picture is of the window.
xdotool search --name '^Melodrift$' 2>/dev/null | head -1 | xargs -r xdotool windowraise 2>/dev/null || true
sleep 0.5
shot="$PWD/build/melodrift-window.png"
import -display "$DISPLAY" -window root "$shot"
echo "start: the program ran on the virtual display $DISPLAY; its window is in $shot" >&2
