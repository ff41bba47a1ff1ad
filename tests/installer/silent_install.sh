#!/usr/bin/env bash
# Setup and the uninstaller as an administrator runs them silently, under Wine: what Setup puts where, the
# installed program converting a file as a user does it, and an uninstall that takes away all Setup put
# there (the user's settings only when asked) and nothing the user put there.
# Runs inside the test environment (WINEPREFIX, DISPLAY) that the Windows test run sets up.
set -euo pipefail
setup=$1 version=$2 built=$3 user_path=$4

folder=$(winepath -u 'C:\Program Files\Melodrift' 2>/dev/null)
menu=$(winepath -u 'C:\ProgramData\Microsoft\Windows\Start Menu\Programs\Melodrift' 2>/dev/null)
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Melodrift'
settings_key='HKCU\Software\Melodrift 4'
installed=(melodrift.exe melodrift-cli.exe mldrift.chm mdxcode.exe uninstall.exe)
shortcuts=("Melodrift.lnk" "Melodrift Help.lnk" "Uninstall Melodrift.lnk")

fail() { echo "silent_install: $*" >&2; exit 1; }
key_value() { wine reg query "$1" /v "$2" 2>/dev/null | tr -d '\r' | awk -v n="$2" '$1 == n { $1 = ""; $2 = ""; sub(/^ +/, ""); print }'; }
key_exists() { wine reg query "$1" >/dev/null 2>&1; }
# Waits up to a minute for a command to succeed (the uninstaller runs on from a copy of itself).
wait_for() {
    for _ in $(seq 300); do "$@" && return 0; sleep 0.2; done
    return 1
}
gone() { [ ! -e "$1" ]; }

# What an earlier failed run may have left.
rm -rf "$folder" "$menu"
wine reg delete "$uninstall_key" /f >/dev/null 2>&1 || true

wine "$setup" /S
for f in "${installed[@]}"; do [ -s "$folder/$f" ] || fail "Setup did not install $f"; done
cmp -s "$folder/melodrift.exe" "$built/melodrift.exe" || fail "the installed melodrift.exe is not the one built"
for s in "${shortcuts[@]}"; do [ -s "$menu/$s" ] || fail "no Start-menu shortcut $s"; done
[ "$(key_value "$uninstall_key" DisplayVersion)" = "$version" ] || fail "Add/Remove Programs shows no version $version"
[ "$(key_value "$uninstall_key" UninstallString)" = '"C:\Program Files\Melodrift\uninstall.exe"' ] ||
    fail "the uninstall command is $(key_value "$uninstall_key" UninstallString)"
kib=$(( $(du -cb "$folder"/* | tail -1 | cut -f1) / 1024 ))
size=$(( $(key_value "$uninstall_key" EstimatedSize) ))
[ "$size" -ge $((kib - 4)) ] && [ "$size" -le $((kib + 4)) ] || fail "EstimatedSize $size KiB for $kib KiB of files"
wine "$folder/melodrift-cli.exe" version | tr -d '\r' | grep -qxF "Transcoder: C:\\Program Files\\Melodrift\\mdxcode.exe (FFmpeg $(
    wine "$folder/mdxcode.exe" -version | head -1 | awk '{ print $3 }'))" || fail "the installed console program finds no transcoder"

# The installed program, used as a user uses it.
bash "$user_path" "$folder/melodrift.exe" || fail "the installed program did not convert a file"

# A plain uninstall keeps the user's own file in the folder and the settings.
echo "mine" >"$folder/my notes.txt"
wine reg add "$settings_key\\Options" /v FirstRun /t REG_DWORD /d 0 /f >/dev/null 2>&1
wine "$folder/uninstall.exe" /S
wait_for gone "$folder/uninstall.exe" || fail "the uninstaller did not finish"
[ "$(ls -A "$folder")" = "my notes.txt" ] || fail "the uninstall left $(ls -A "$folder" | tr '\n' ' ')"
key_exists "$settings_key" || fail "a plain uninstall removed the settings"

# Asked to, it takes the settings too; nothing of the program is left.
rm -f "$folder/my notes.txt"
wine "$setup" /S
wine "$folder/uninstall.exe" /S /REMOVESETTINGS
wait_for gone "$folder" || fail "the uninstall left $(ls -A "$folder" | tr '\n' ' ')"
gone "$menu" || fail "the uninstall left the Start-menu folder: $(ls -A "$menu" | tr '\n' ' ')"
key_exists "$uninstall_key" && fail "the uninstall left its Add/Remove Programs entry"
key_exists "$settings_key" && fail "/REMOVESETTINGS left the settings"
echo "silent_install: installed, converted and removed $version"
