#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Vantor Configurator developers
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs the real program on its own Xvfb, driven with xdotool as a player would: the example pair named with --folder,
# HOME empty; V-Sync off, Apply, closed as a window manager does; exit code 0, the change in its file, the key lines
# kept and the other file untouched. Then under a platform theme (qt6ct) with a large desktop font the window must
# look the same. Usage: realwindow.sh PROGRAM EXAMPLES-FOLDER WMDELETE-HELPER. Every wait is a bounded poll.
set -euo pipefail
export LC_ALL=C
[ $# -eq 3 ] || { echo "usage: $0 PROGRAM EXAMPLES-FOLDER WMDELETE-HELPER" >&2; exit 2; }
program=$(readlink -f "$1") examples=$(readlink -f "$2") wmdelete=$(readlink -f "$3")
title="Vantor Configurator" error_title="File access error!"
prefs=VantorPrefs.ini main=Vantor.ini
work=$(mktemp -d "${TMPDIR:-/tmp}/vantor-realwindow.XXXXXX")
window="" X="" Y="" WIDTH="" HEIGHT=""
tag=realwindow
source "$(dirname "$0")/../xdriver.sh"
trap 'status=$?; trap - EXIT; stop_all; rm -rf "$work"; exit $status' EXIT
trap 'exit 129' HUP; trap 'exit 130' INT; trap 'exit 143' TERM

# start [VARIABLE=VALUE...]: the program on a copy of the example pair, with a scratch HOME and a clean environment
# (plus the variables given), so that nothing of the caller's session (offscreen platform, user folders) reaches it;
# then its window, shot as NAME.png once drawn.
start() {
    home="$work/home" folder="$work/ini" app_log="$work/apply.log"
    mkdir -p "$home" "$folder" && mkdir -p -m 700 "$work/runtime"
    cp "$examples/$prefs" "$examples/$main" "$folder/"
    (cd "$work" && exec env -i PATH=/usr/local/bin:/usr/bin:/bin HOME="$home" DISPLAY="$DISPLAY" XAUTHORITY=/dev/null \
        QT_QPA_PLATFORM=xcb XDG_RUNTIME_DIR="$work/runtime" LC_ALL=C.UTF-8 "${@:2}" "$program" --folder "$folder" \
        >"$app_log" 2>&1) &
    app_pid=$!
    wait_for "the main window" 20 appears "$title" "$error_title" window
    sleep 0.5 && import -window root -crop 560x306+0+0 +repage "$work/$1.png"
}

for tool in Xvfb xdotool compare; do command -v $tool >/dev/null || fail "needs $tool"; done
grep -q $'^\r$' "$examples/$prefs" || fail "the example preferences need an empty line, which the save drops"
start_xvfb 1024x768x24

start plain
# No window manager: the window maps at 0,0, so the middle of Apply is at a fixed spot.
eval "$(xdotool getwindowgeometry --shell "$window")"
[ "$X,$Y,$WIDTH,$HEIGHT" = 0,0,560,306 ] || fail "main window at $X,$Y, $WIDTH x $HEIGHT"
[ "$(xdotool search --class '^io\.github\.vantor_configurator$')" = "$window" ] ||
    fail "the window's class is not the desktop entry's id"
xdotool mousemove --sync --window "$window" 106 167 click 1 # V-Sync
xdotool mousemove --sync --window "$window" 515 290 click 1 # Apply
wait_for "Apply to save the change" 20 saved_vsync_off
close_window 20

# The desktop font of a platform theme reaches the application after start-up; the form keeps its own.
mkdir -p "$home/.config/qt6ct"
printf '[Fonts]\ngeneral="DejaVu Sans,12,-1,5,400,0,0,0,0,0,0,0,0,0,0,1"\n' >"$home/.config/qt6ct/qt6ct.conf"
start themed QT_QPA_PLATFORMTHEME=qt6ct
differing=$(compare -metric AE "$work/plain.png" "$work/themed.png" null: 2>&1) || true
[ "$differing" = 0 ] || fail "under the theme's font $differing pixels of the window differ"
close_window 20
echo "realwindow: PASS"
