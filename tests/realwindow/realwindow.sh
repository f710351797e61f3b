#!/usr/bin/env bash
# Runs the real program on its own Xvfb, driven with xdotool as a player would. Run 1: the pair
# named with --folder, HOME empty; click Apply, close as a window manager does, expect exit
# code 0 and the files' key lines kept. Run 2: no preferences file in the folder found below
# HOME; expect the "File access error!" box only, OK, exit code 2.
# Usage: realwindow.sh PROGRAM EXAMPLES-FOLDER WMDELETE-HELPER. Every wait is a bounded poll.
set -euo pipefail
export LC_ALL=C
[ $# -eq 3 ] || { echo "usage: $0 PROGRAM EXAMPLES-FOLDER WMDELETE-HELPER" >&2; exit 2; }
program=$(readlink -f "$1") examples=$(readlink -f "$2") wmdelete=$(readlink -f "$3")
title="Vantor Configurator" error_title="File access error!"
prefs=VantorPrefs.ini main=Vantor.ini
work=$(mktemp -d "${TMPDIR:-/tmp}/vantor-realwindow.XXXXXX")
xvfb_pid="" app_pid="" app_log="" display="" window="" box="" X="" Y="" WIDTH="" HEIGHT="" options=()

fail() {
    echo "realwindow: FAIL: $*" >&2
    tail -n +1 ${app_log:+"$app_log"} "$work/xvfb.log" >&2 2>/dev/null
    exit 1
}

# alive PID: the process exists and has not ended (a zombie has).
alive() { [[ $(sed 's/.*) //' "/proc/$1/stat" 2>/dev/null) == [!ZX]* ]]; }

# Ends what this script started, on every way out.
cleanup() {
    local status=$?
    trap - EXIT
    [ -z "$app_pid" ] || { kill -KILL "$app_pid"; wait "$app_pid"; } 2>/dev/null || true
    [ -z "$xvfb_pid" ] || kill -TERM "$xvfb_pid" 2>/dev/null || true
    for _ in {1..100}; do alive "${xvfb_pid:-0}" || break; sleep 0.05; done
    [ -z "$xvfb_pid" ] || { kill -KILL "$xvfb_pid"; wait "$xvfb_pid"; } 2>/dev/null || true
    rm -rf "$work"
    exit "$status"
}
trap cleanup EXIT
trap 'exit 129' HUP; trap 'exit 130' INT; trap 'exit 143' TERM

# wait_for WHAT COMMAND...: runs COMMAND until it succeeds, for at most 20 s.
wait_for() {
    local deadline=$((SECONDS + 20))
    until "${@:2}"; do
        [ "$SECONDS" -lt "$deadline" ] || fail "gave up waiting for $1"
        sleep 0.05
    done
}

# any TITLE: the windows titled exactly TITLE, mapped or not.
any() { xdotool search --name "^$1\$" 2>/dev/null || true; }

# appears TITLE OTHER VARIABLE: the program runs and shows one window titled TITLE (its id
# goes to VARIABLE), and no window titled OTHER exists.
appears() {
    local ids
    alive "$app_pid" || fail "the program ended before \"$1\" appeared"
    [ -z "$(any "$2")" ] || fail "a \"$2\" window appeared"
    ids=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null || true)
    [ "$(grep -c . <<<"$ids")" -le 1 ] || fail "several windows titled \"$1\""
    [ -n "$ids" ] && printf -v "$3" '%s' "$ids"
}

# start NAME FOLDER FILE...: the program (with the options set) on those example files in
# FOLDER and a scratch HOME, in a clean environment, so nothing of the caller's session
# (offscreen platform, user folders) reaches it.
start() {
    home="$work/home-$1" folder=$2 app_log="$work/$1.log"
    mkdir -p "$home" "$folder" && mkdir -m 700 "$work/runtime-$1"
    for file in "${@:3}"; do cp "$examples/$file" "$folder/"; done
    (cd "$work" && exec env -i PATH=/usr/local/bin:/usr/bin:/bin HOME="$home" DISPLAY="$DISPLAY" XAUTHORITY=/dev/null \
        QT_QPA_PLATFORM=xcb XDG_RUNTIME_DIR="$work/runtime-$1" LC_ALL=C.UTF-8 "$program" "${options[@]}" >"$app_log" 2>&1) &
    app_pid=$!
}

# finish CODE: waits for the program to end and checks its exit code.
finish() {
    wait_for "the program to end" eval '! alive "$app_pid"'
    local code
    wait "$app_pid" && code=0 || code=$?
    app_pid=""
    [ "$code" -eq "$1" ] || fail "exit code $code, expected $1"
}

has_empty_line() { grep -qE $'^\r?$' "$1"; }
nonempty_lines() { grep -cvE $'^\r?$' "$1"; }
# has LINE FILE: FILE holds LINE followed by CR LF.
has() { grep -qxF -- "$1"$'\r' "$2"; }

command -v Xvfb >/dev/null && command -v xdotool >/dev/null || fail "needs Xvfb and xdotool"
has_empty_line "$examples/$prefs" && has_empty_line "$examples/$main" ||
    fail "each example file needs an empty line, which the save drops"

# Xvfb picks a free display itself and names it once it takes connections.
mkfifo "$work/displayfd"
Xvfb -displayfd 3 -nolisten tcp -noreset -screen 0 1024x768x24 3>"$work/displayfd" >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
read -r -t 20 display <"$work/displayfd" || true
[[ "$display" =~ ^[0-9]+$ ]] || fail "Xvfb did not come up"
export DISPLAY=":$display" XAUTHORITY=/dev/null

# Run 1: Apply, then close as a window manager does.
options=(--folder "$work/ini")
start apply "$work/ini" "$prefs" "$main"
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
options=()
start missing "$work/home-missing/Documents/My Games/Vantor" "$main"
wait_for "the \"$error_title\" box" appears "$error_title" "$title" box
# Without a window manager the box gets the focus directly; Return presses its default OK.
xdotool windowfocus --sync "$box"
xdotool key Return
finish 2
[ ! -e "$folder/$prefs" ] && cmp -s "$examples/$main" "$folder/$main" || fail "the failed start changed the files"
echo "realwindow: PASS"
