#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Vantor Configurator developers
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs the Windows build under Wine on its own Xvfb, in a fresh Wine prefix inside the build
# folder whose Documents is a real folder (a new prefix links it to $HOME):
#  1. every tst_*.exe the build produced, each writing its report to a file, since Wine loses
#     a console program's output on a pipe;
#  2. the real program (PROGRAM, with its previews beside it), started from its own folder and
#     driven with xdotool as a player would: tick V-Sync off, click Apply, show the
#     preview pane, close as a window manager does; expect exit code 0 and the files written
#     with their other lines and CR LF kept. (The first-run box is tst_startup's, run here too.)
#  3. at 125, 150 and 175 % scale: tst_fontfit.exe again, and a screenshot of the window each.
# Usage: wine-tests.sh BUILD-DIR PROGRAM EXAMPLES-FOLDER WMDELETE-HELPER. BUILD-DIR holds the
# test programs and gets the scratch folder wine-tests/. Every wait is a bounded poll.
set -euo pipefail
# Wine names Unix files in the locale's encoding: only UTF-8 holds every Windows file name.
export LC_ALL=C.UTF-8
[ $# -eq 4 ] || { echo "usage: $0 BUILD-DIR PROGRAM EXAMPLES-FOLDER WMDELETE-HELPER" >&2; exit 2; }
build=$(readlink -f "$1") program=$(readlink -f "$2") examples=$(readlink -f "$3") wmdelete=$(readlink -f "$4")
title="Vantor Configurator" error_title="File access error!"
prefs=VantorPrefs.ini main=Vantor.ini
work=$build/wine-tests
started_ms=0 window="" box="" WIDTH="" HEIGHT=""
failures=()
tag=wine-tests
source "$(dirname "$0")/../xdriver.sh"

cleanup() {
    local status=$?
    trap - EXIT
    [ -z "$app_pid" ] || { kill -KILL "$app_pid"; wait "$app_pid"; } 2>/dev/null || true
    [ ! -d "${WINEPREFIX:-/nonexistent}" ] || wineserver -k 2>/dev/null || true
    stop_all
    exit "$status"
}
trap cleanup EXIT
trap 'exit 129' HUP; trap 'exit 130' INT; trap 'exit 143' TERM

command -v wine >/dev/null && command -v Xvfb >/dev/null && command -v xdotool >/dev/null &&
    command -v import >/dev/null || fail "needs wine, Xvfb, xdotool and ImageMagick's import"
[ -f "$program" ] || fail "no $program"

rm -rf "$work"
mkdir -p "$work/home"
# Wide enough for the window with its preview pane where Wine centres it.
start_xvfb 1600x900x24

# Nothing of the caller's Wine or home: the prefix's folders link into the scratch home.
export HOME=$work/home WINEPREFIX=$work/prefix
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" WINEARCH=win64
unset WINELOADER WINESERVER
started=$SECONDS
wineboot --init >"$work/wineboot.log" 2>&1 || fail "wineboot failed: $(cat "$work/wineboot.log")"
wineserver --wait
user=$(find "$WINEPREFIX/drive_c/users" -mindepth 1 -maxdepth 1 ! -name Public -printf '%f\n' | head -n 1)
documents=$WINEPREFIX/drive_c/users/$user/Documents
rm -f "$documents"
mkdir -p "$documents"
# The dialog font's face, which a Windows installation has in its Fonts folder.
cp /usr/share/wine/fonts/tahoma*.ttf "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
echo "wine-tests: prefix ready in $((SECONDS - started)) s (user $user)"

# The test programs the build defines now (CTest's list), so that a program left in the
# build folder by a test that no longer exists is not run.
test_programs() {
    local name
    ctest --test-dir "$build" -N | sed -n 's/^ *Test *#[0-9]*: *\(tst_[A-Za-z0-9_]*\)$/\1/p' | sort -u |
        while IFS= read -r name; do
            find "$build" -name "$name.exe" -not -path "$work/*" | head -n 1
        done
}

# 1. The test programs. Wine hands no QT_* variable to a Windows program, so whatever
# QT_QPA_PLATFORM the caller has, they use Qt's windows platform plugin on this Xvfb.
# Unmanaged windows: with no window manager to answer, Wine waits 2 s on every window hidden.
x11_driver='HKCU\Software\Wine\X11 Driver'
wine reg add "$x11_driver" /v Managed /d N /f >/dev/null 2>&1 || fail "could not set $x11_driver"
while IFS= read -r test; do
    name=$(basename "$test" .exe)
    report=$work/$name.txt
    started=$SECONDS
    code=0
    (cd "$(dirname "$test")" && timeout 600 wine "$test" -o "Z:$report,txt" >"$work/$name.log" 2>&1) || code=$?
    if [ "$code" -eq 0 ] && grep -q '^Totals: .* 0 failed' "$report" 2>/dev/null; then
        echo "wine-tests: $name: $(grep '^Totals:' "$report") ($((SECONDS - started)) s)"
    else
        echo "wine-tests: $name: FAILED with exit code $code" >&2
        cat "$report" "$work/$name.log" >&2 2>/dev/null || true
        failures+=("$name")
    fi
done < <(test_programs)
wine reg delete "$x11_driver" /v Managed /f >/dev/null 2>&1 || fail "could not reset $x11_driver"

# 2. The real program.
folder="$documents/My Games/Vantor"

# start NAME FILE...: the program on a game folder holding those example files.
start() {
    app_log="$work/$1.log"
    rm -rf "$folder"
    mkdir -p "$folder"
    for file in "${@:2}"; do cp "$examples/$file" "$folder/"; done
    started_ms=$(date +%s%3N)
    (cd "$(dirname "$program")" && exec wine "$program" >"$app_log" 2>&1) &
    app_pid=$!
}

start apply "$prefs" "$main"
wait_for "the main window" 60 appears "$title" "$error_title" window
echo "wine-tests: window shown $(($(date +%s%3N) - started_ms)) ms after the start"
eval "$(xdotool getwindowgeometry --shell "$window")"
[ "$WIDTH,$HEIGHT" = 560,306 ] || fail "main window $WIDTH x $HEIGHT, expected 560 x 306"
xdotool mousemove --sync --window "$window" 106 167 click 1 # V-Sync
xdotool mousemove --sync --window "$window" 515 290 click 1 # Apply
wait_for "Apply to save the change" 30 saved_vsync_off
import -window root "$work/window.png"
# "show preview" widens the window and shows the picture of the level changed last, read
# from previews/ beside the program; it changes no setting, so closing asks nothing.
xdotool mousemove --sync --window "$window" 16 291 click 1
widened() {
    eval "$(xdotool getwindowgeometry --shell "$window")"
    [ "$WIDTH" -eq 984 ]
}
wait_for "the preview pane" 10 widened
# A picture has thousands of colours; an empty pane a handful.
colours() { [ "$(import -window "$window" -crop 400x225+570+30 +repage -format %k info:)" -gt 1000 ]; }
wait_for "a preview picture" 10 colours
import -window root "$work/preview.png"
"$wmdelete" "$window" || fail "could not send WM_DELETE_WINDOW to window $window"
finish 30 0

check_saved_pair "$folder"
echo "wine-tests: realwindow apply: PASS"

# 3. At 125, 150 and 175 % (LogPixels 120, 144, 168): the font-fit test, and the window on its
# Water page, left as dpi-<n>.png for a look at what a scale may clip.
for dpi in 120 144 168; do
    wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1 &&
        wineserver --wait || fail "could not set LogPixels to $dpi"
    fit=$(find "$build" -name tst_fontfit.exe -not -path "$work/*" | head -n 1)
    (cd "$(dirname "$fit")" && timeout 600 wine "$fit" -o "Z:$work/tst_fontfit-$dpi.txt,txt" >/dev/null 2>&1) &&
        grep -q '^Totals: .* 0 failed' "$work/tst_fontfit-$dpi.txt" || failures+=("tst_fontfit at $dpi dpi")
    start "dpi-$dpi" "$prefs" "$main"
    wait_for "the main window at $dpi dpi" 60 appears "$title" "$error_title" window
    xdotool mousemove --sync --window "$window" $((262 * dpi / 96)) $((31 * dpi / 96)) click 1 # Water
    sleep 1 && import -window "$window" "$work/dpi-$dpi.png"
    "$wmdelete" "$window" || fail "could not send WM_DELETE_WINDOW to window $window"
    finish 30 0
done
echo "wine-tests: at 120, 144 and 168 dpi: $([ ${#failures[@]} -eq 0 ] && echo PASS || echo FAIL)"

[ ${#failures[@]} -eq 0 ] || fail "failed: ${failures[*]}"
# The prefix is kept only for a look at what failed.
wineserver -k 2>/dev/null || true
rm -rf "$WINEPREFIX"
echo "wine-tests: PASS"
