#!/usr/bin/env bash
# Runs the real program on its own Xvfb, driven with xdotool as a player would. Run 1: click
# Apply, close as a window manager does, expect exit code 0 and the files' key lines kept.
# Run 2: no preferences file; expect the "File access error!" box only, OK, exit code 2.
# Usage: realwindow.sh PROGRAM EXAMPLES-FOLDER WMDELETE-HELPER.
set -euo pipefail
export LC_ALL=C
[ $# -eq 3 ] || { echo "usage: $0 PROGRAM EXAMPLES-FOLDER WMDELETE-HELPER" >&2; exit 2; }
program=$(readlink -f "$1") examples=$(readlink -f "$2") wmdelete=$(readlink -f "$3")
title="Vantor Configurator" error_title="File access error!"
prefs=VantorPrefs.ini main=Vantor.ini tag=realwindow window="" box="" X="" Y="" WIDTH="" HEIGHT=""
work=$(mktemp -d "${TMPDIR:-/tmp}/vantor-realwindow.XXXXXX")
source "$(dirname "${BASH_SOURCE[0]}")/../xsession.sh"

# start NAME FILE...: the program on a scratch HOME holding those example files.
start() {
    home="$work/home-$1" folder="$work/home-$1/Documents/My Games/Vantor"
    mkdir -p "$folder"
    for file in "${@:2}"; do cp "$examples/$file" "$folder/"; done
    launch "$home" "$work/$1.log" "$program"
}

has_empty_line() { grep -qE $'^\r?$' "$1"; }
nonempty_lines() { grep -cvE $'^\r?$' "$1"; }
# has LINE FILE: FILE holds LINE followed by CR LF.
has() { grep -qxF -- "$1"$'\r' "$2"; }

command -v Xvfb >/dev/null && command -v xdotool >/dev/null || fail "needs Xvfb and xdotool"
has_empty_line "$examples/$prefs" && has_empty_line "$examples/$main" ||
    fail "each example file needs an empty line, which the save drops"
start_x

# Run 1: Apply, then close as a window manager does.
start apply "$prefs" "$main"
wait_for "the main window" appears "$title" "$error_title" window
# No window manager: the window maps at 0,0, so the middle of Apply is at a fixed spot.
eval "$(xdotool getwindowgeometry --shell "$window")"
[ "$X,$Y,$WIDTH,$HEIGHT" = 0,0,560,306 ] || fail "main window at $X,$Y, $WIDTH x $HEIGHT"
xdotool mousemove --sync --window "$window" 515 290 click 1
saved() {
    alive "$app_pid" || fail "the program ended after the click on Apply"
    [ -z "$(any "$error_title")" ] || fail "Apply reported \"$error_title\""
    ! has_empty_line "$folder/$prefs" && ! has_empty_line "$folder/$main"
}
wait_for "Apply to save both files" saved
"$wmdelete" "$window" || fail "could not send WM_DELETE_WINDOW to window $window"
finish 0

for file in "$prefs" "$main"; do
    out="$folder/$file"
    [ "$(tr -cd '\r' <"$out" | wc -c)" -eq "$(wc -l <"$out")" ] && ! grep -qv $'\r$' "$out" || fail "$file: not CR LF"
    [ "$(nonempty_lines "$out")" -eq "$(nonempty_lines "$examples/$file")" ] || fail "$file gained or lost lines"
    while IFS= read -r line; do
        has "$line" "$out" || fail "$file lost \"$line\""
    done < <(tr -d '\r' <"$examples/$file" | grep -E '^([;#]|sResourceArchiveList)')
done
has 'sLocalSavePath=Saves\' "$folder/$main" || fail "$main lost its save path"
has 'sD3DDevice="Radeon RX 6600 XT"' "$folder/$prefs" || fail "$prefs lacks the device name in one pair of quotes"

# Run 2: the preferences file missing.
start missing "$main"
wait_for "the \"$error_title\" box" appears "$error_title" "$title" box
# Without a window manager the box gets the focus directly; Return presses its default OK.
xdotool windowfocus --sync "$box"
xdotool key Return
finish 2
[ ! -e "$folder/$prefs" ] && cmp -s "$examples/$main" "$folder/$main" || fail "the failed start changed the files"
echo "realwindow: PASS"
