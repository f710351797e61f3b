#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Vantor Configurator developers
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs the Windows build under Wine, on its own Xvfb and in a fresh prefix in BUILD-DIR/wine-tests whose Documents
# is a real folder: 1. every tst_*.exe CTest lists, each reporting to a file (Wine loses a console program's output
# on a pipe); 2. the real PROGRAM driven with xdotool as a player would: V-Sync off, Apply, the preview pane, closed
# as a window manager does; exit code 0 and the pair saved with its other lines and CR LF; 3. at 125, 150 and 175 %
# (LogPixels 120, 144, 168): tst_fontfit.exe again and a screenshot of the Water page, dpi-<n>.png.
# Usage: wine-tests.sh BUILD-DIR PROGRAM EXAMPLES-FOLDER WMDELETE-HELPER. Every wait is a bounded poll.
set -euo pipefail
# Wine names Unix files in the locale's encoding: only UTF-8 holds every Windows file name.
export LC_ALL=C.UTF-8
[ $# -eq 4 ] || { echo "usage: $0 BUILD-DIR PROGRAM EXAMPLES-FOLDER WMDELETE-HELPER" >&2; exit 2; }
build=$(readlink -f "$1") program=$(readlink -f "$2") examples=$(readlink -f "$3") wmdelete=$(readlink -f "$4")
title="Vantor Configurator" error_title="File access error!"
prefs=VantorPrefs.ini main=Vantor.ini
work=$build/wine-tests
window="" WIDTH="" HEIGHT=""
failures=()
tag=wine-tests
source "$(dirname "$0")/../xdriver.sh"

trap 'status=$?; trap - EXIT; [ ! -d "${WINEPREFIX:-/nonexistent}" ] || wineserver -k 2>/dev/null; stop_all; exit $status' EXIT
trap 'exit 129' HUP; trap 'exit 130' INT; trap 'exit 143' TERM

for tool in wine Xvfb xdotool import; do command -v $tool >/dev/null || fail "needs $tool"; done
[ -f "$program" ] || fail "no $program"
rm -rf "$work"
mkdir -p "$work/home"
start_xvfb 1600x900x24 # wide enough for the window with its preview pane where Wine centres it

# Nothing of the caller's Wine or home: the prefix's folders link into the scratch home.
export HOME=$work/home WINEPREFIX=$work/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" WINEARCH=win64
unset WINELOADER WINESERVER
wineboot --init >"$work/wineboot.log" 2>&1 || fail "wineboot failed: $(cat "$work/wineboot.log")"
wineserver --wait
user=$(find "$WINEPREFIX/drive_c/users" -mindepth 1 -maxdepth 1 ! -name Public -printf '%f\n' | head -n 1)
documents=$WINEPREFIX/drive_c/users/$user/Documents
rm -f "$documents" && mkdir -p "$documents"
# The dialog font's face, which a Windows installation has in its Fonts folder.
cp /usr/share/wine/fonts/tahoma*.ttf "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true

# run_test PROGRAM REPORT: a test program run to its report; a failure is listed.
run_test() {
    local code=0
    (cd "$(dirname "$1")" && timeout 600 wine "$1" -o "Z:$2,txt" >"${2%.txt}.log" 2>&1) || code=$?
    if [ "$code" -eq 0 ] && grep -q '^Totals: .* 0 failed' "$2" 2>/dev/null; then
        echo "wine-tests: $(basename "$2" .txt): $(grep '^Totals:' "$2")"
    else
        echo "wine-tests: $(basename "$2" .txt): FAILED with exit code $code" >&2
        cat "$2" "${2%.txt}.log" >&2 2>/dev/null || true
        failures+=("$(basename "$2" .txt)")
    fi
}

# 1. The test programs CTest lists (not one a removed test left in the build folder), unmanaged: with no window
# manager to answer, Wine waits 2 s on every window hidden.
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 || fail "could not set Managed"
for name in $(ctest --test-dir "$build" -N | sed -n 's/^ *Test *#[0-9]*: *\(tst_[A-Za-z0-9_]*\)$/\1/p' | sort -u); do
    test=$(find "$build" -name "$name.exe" -not -path "$work/*" | head -n 1)
    [ -z "$test" ] || run_test "$test" "$work/$name.txt"
done
wine reg delete 'HKCU\Software\Wine\X11 Driver' /v Managed /f >/dev/null 2>&1 || fail "could not reset Managed"

# 2. The real program. start NAME: on a game folder holding the example pair.
folder="$documents/My Games/Vantor"
start() {
    app_log="$work/$1.log"
    rm -rf "$folder" && mkdir -p "$folder" && cp "$examples/$prefs" "$examples/$main" "$folder/"
    (cd "$(dirname "$program")" && exec wine "$program" >"$app_log" 2>&1) &
    app_pid=$!
    wait_for "the main window ($1)" 60 appears "$title" "$error_title" window
}
start apply
eval "$(xdotool getwindowgeometry --shell "$window")"
[ "$WIDTH,$HEIGHT" = 560,306 ] || fail "main window $WIDTH x $HEIGHT, expected 560 x 306"
xdotool mousemove --sync --window "$window" 106 167 click 1 # V-Sync
xdotool mousemove --sync --window "$window" 515 290 click 1 # Apply
wait_for "Apply to save the change" 30 saved_vsync_off
import -window root "$work/window.png"
# "show preview" widens the window to show the picture of the level changed last, from previews/ beside the
# program; it changes no setting, so closing asks nothing. A picture has thousands of colours, an empty pane few.
xdotool mousemove --sync --window "$window" 16 291 click 1
widened() { eval "$(xdotool getwindowgeometry --shell "$window")" && [ "$WIDTH" -eq 984 ]; }
wait_for "the preview pane" 10 widened
colours() { [ "$(import -window "$window" -crop 400x225+570+30 +repage -format %k info:)" -gt 1000 ]; }
wait_for "a preview picture" 10 colours
import -window root "$work/preview.png"
close_window 30
echo "wine-tests: realwindow apply: PASS"

# 3. At 125, 150 and 175 %.
for dpi in 120 144 168; do
    wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1 &&
        wineserver --wait || fail "cannot set LogPixels"
    run_test "$(find "$build" -name tst_fontfit.exe -not -path "$work/*" | head -n 1)" "$work/tst_fontfit-$dpi.txt"
    start "dpi-$dpi"
    xdotool mousemove --sync --window "$window" $((262 * dpi / 96)) $((31 * dpi / 96)) click 1 # Water
    sleep 1 && import -window "$window" "$work/dpi-$dpi.png"
    close_window 30
done

[ ${#failures[@]} -eq 0 ] || fail "failed: ${failures[*]}"
wineserver -k 2>/dev/null || true
rm -rf "$WINEPREFIX" # kept only for a look at what failed
echo "wine-tests: PASS"
