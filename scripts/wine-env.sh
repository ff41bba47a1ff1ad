# Sourced by the scripts that run Windows executables: a private Wine prefix with a persistent server
# and an Xvfb display, both stopped by wine_env_stop.
: "${MELODRIFT_WINEPREFIX:=$PWD/build/wineprefix}"
export WINEPREFIX="$MELODRIFT_WINEPREFIX" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" LANG=C.UTF-8

# Starts a virtual display on a free number (Xvfb picks it, so two runs side by side never share one)
# and exports DISPLAY.
wine_start_xvfb() {
    local numberFile
    numberFile=$(mktemp)
    Xvfb -displayfd 1 -screen 0 1280x1024x24 -nolisten tcp >"$numberFile" 2>/dev/null &
    XVFB_PID=$!
    for _ in $(seq 100); do [ -s "$numberFile" ] && break; sleep 0.1; done
    export DISPLAY=":$(tr -dc 0-9 <"$numberFile")"
    rm -f "$numberFile"
}

# The prefix with a persistent server, frames drawn by Wine itself (there may be no window manager) and
# the fonts the windows use (Tahoma, MS Sans Serif, Marlett for the caption buttons).
wine_prepare_prefix() {
    mkdir -p "$WINEPREFIX"
    wineserver -p </dev/null >/dev/null 2>&1
    wineboot -i </dev/null >/dev/null 2>&1 || true
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f </dev/null >/dev/null 2>&1 || true
    mkdir -p "$WINEPREFIX/drive_c/windows/Fonts"
    cp -n /usr/share/wine/fonts/*.ttf "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
}

wine_env_start() {
    wine_start_xvfb
    wine_prepare_prefix
}

wine_env_stop() {
    wineserver -k </dev/null >/dev/null 2>&1 || true
    [ -n "${XVFB_PID:-}" ] && kill "$XVFB_PID" 2>/dev/null || true
}
