#!/usr/bin/env bash
# A user's way through the desktop program under Wine: start it, Ctrl+O, type a file's path into the
# Open dialog, Enter, F5, and find the converted file beside the source. Runs inside the test
# environment (WINEPREFIX, DISPLAY) that the Windows test run sets up.
set -euo pipefail
program=$1
work=$(mktemp -d)
pid=""
cleanup() {
    [ -n "$pid" ] && kill "$pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

fail() {
    echo "desktop_e2e: $*" >&2
    import -display "$DISPLAY" -window root "$work/../melodrift-e2e-failure.png" 2>/dev/null || true
    exit 1
}

# Waits up to $1 seconds for a command to succeed.
wait_for() {
    local seconds=$1
    shift
    for _ in $(seq $((seconds * 5))); do
        "$@" >/dev/null 2>&1 && return 0
        sleep 0.2
    done
    return 1
}

# A window titled Melodrift that was not there before (other tests' windows may linger a moment).
before=$(xdotool search --name '^Melodrift$' 2>/dev/null || true)
new_window() {
    xdotool search --name '^Melodrift$' 2>/dev/null | grep -vxF "${before:-none}" | head -1
}
has_new_window() { [ -n "$(new_window)" ]; }

ffmpeg -loglevel error -f lavfi -i "sine=frequency=440:duration=3" "$work/e2e tune.wav"
# Outputs beside their sources, MP3, no file manager after the run, no help file on the first start.
key='HKCU\Software\Melodrift 4\Options'
wine reg add "$key" /v DestOutputFolderOpt /t REG_DWORD /d 199 /f >/dev/null 2>&1
wine reg add "$key" /v OutputFormat /t REG_DWORD /d 1160 /f >/dev/null 2>&1
wine reg add "$key" /v BrowseOutputFolder /t REG_DWORD /d 0 /f >/dev/null 2>&1
wine reg add "$key" /v FirstRun /t REG_DWORD /d 0 /f >/dev/null 2>&1

before=$(xdotool search --name '^Melodrift$' 2>/dev/null || true)
wine "$program" >/dev/null 2>&1 &
pid=$!
wait_for 60 has_new_window || fail "the main window did not open"
window=$(new_window)
sleep 1

xdotool key --window "$window" ctrl+o
wait_for 30 xdotool search --name '^Open$' || fail "Ctrl+O opened no file dialog"
dialog=$(xdotool search --name '^Open$' | head -1)
xdotool windowfocus "$dialog" 2>/dev/null || true
sleep 0.5
xdotool type --delay 20 "Z:${work//\//\\}\\e2e tune.wav"
xdotool key Return
wait_for 30 sh -c "! xdotool search --name '^Open$'" || fail "the file dialog stayed open"
sleep 2  # the probe adds the row

xdotool key --window "$window" F5
output="$work/e2e tune.mp3"
wait_for 60 test -s "$output" || fail "no $output after F5"
duration=$(ffprobe -v error -show_entries format=duration -of csv=p=0 "$output")
awk -v d="$duration" 'BEGIN { exit !(d > 2.8 && d < 3.3) }' || fail "the output lasts $duration s, not 3"
echo "desktop_e2e: converted to $output ($duration s)"

# Close it with its Close button (a synthetic Alt+F4 would leave Alt held down for the later tests' windows).
xdotool mousemove --window "$window" 928 21 click 1 2>/dev/null || true
wait_for 30 sh -c "! kill -0 $pid" || fail "the Close button did not close the window"
pid=""
