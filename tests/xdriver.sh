# SPDX-FileCopyrightText: 2026 The Vantor Configurator developers
# SPDX-License-Identifier: GPL-3.0-or-later
# Sourced by the tests that drive a real window on an X server of their own (realwindow.sh, wine-tests.sh): bounded
# waits, windows found by title, the program's end, the saved pair, Xvfb. The sourcing script sets tag (what its
# messages start with), work (its scratch folder), examples, prefs, main and wmdelete; its start function sets app_pid
# and app_log.
app_pid="" app_log="" xvfb_pid=""

fail() {
    echo "$tag: FAIL: $*" >&2
    tail -n +1 ${app_log:+"$app_log"} "$work/xvfb.log" >&2 2>/dev/null
    exit 1
}

# alive PID: the process exists and has not ended (a zombie has).
alive() { [[ $(sed 's/.*) //' "/proc/$1/stat" 2>/dev/null) == [!ZX]* ]]; }

# wait_for WHAT SECONDS COMMAND...: runs COMMAND until it succeeds, for at most SECONDS.
wait_for() {
    local deadline=$((SECONDS + $2))
    until "${@:3}"; do
        [ "$SECONDS" -lt "$deadline" ] || fail "gave up waiting for $1"
        sleep 0.05
    done
}

# appears TITLE OTHER VARIABLE: the program runs and shows one window titled TITLE (its id goes to VARIABLE), and no
# window titled OTHER exists, mapped or not.
appears() {
    local ids
    alive "$app_pid" || fail "the program ended before \"$1\" appeared"
    [ -z "$(xdotool search --name "^$2\$" 2>/dev/null)" ] || fail "a \"$2\" window appeared"
    ids=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null || true)
    [ "$(grep -c . <<<"$ids")" -le 1 ] || fail "several windows titled \"$1\""
    [ -n "$ids" ] && printf -v "$3" '%s' "$ids"
}

# finish SECONDS CODE: waits for the program to end and checks its exit code.
finish() {
    wait_for "the program to end" "$1" eval '! alive "$app_pid"'
    local code
    wait "$app_pid" && code=0 || code=$?
    app_pid=""
    [ "$code" -eq "$2" ] || fail "exit code $code, expected $2"
}

# close_window SECONDS: closes the window as a window manager does; the program must end with exit code 0.
close_window() {
    "$wmdelete" "$window" || fail "could not send WM_DELETE_WINDOW to window $window"
    finish "$1" 0
}

# saved_vsync_off: no "$error_title" box, and the preferences file is the example with V-Sync off and without its
# empty lines, byte for byte (CR LF, every other line, the device name in its quotes); the main file got no change
# and keeps every byte.
saved_vsync_off() {
    alive "$app_pid" || fail "the program ended after the click on Apply"
    [ -z "$(xdotool search --name "^$error_title\$" 2>/dev/null)" ] || fail "Apply reported \"$error_title\""
    cmp -s "$examples/$main" "$folder/$main" || fail "Apply wrote $main, which got no change"
    sed -e 's/^iPresentInterval=1\r$/iPresentInterval=0\r/' -e '/^\r$/d' "$examples/$prefs" | cmp -s - "$folder/$prefs"
}

# start_xvfb SIZE: an X server on a display it picks itself and names once it takes connections; DISPLAY points at it.
start_xvfb() {
    local display=""
    mkfifo "$work/displayfd"
    Xvfb -displayfd 3 -nolisten tcp -noreset -screen 0 "$1" 3>"$work/displayfd" >"$work/xvfb.log" 2>&1 &
    xvfb_pid=$!
    read -r -t 20 display <"$work/displayfd" || true
    [[ "$display" =~ ^[0-9]+$ ]] || fail "Xvfb did not come up"
    export DISPLAY=":$display" XAUTHORITY=/dev/null
}

# Ends the program and the X server, whichever still runs.
stop_all() {
    [ -z "$app_pid" ] || { kill -KILL "$app_pid"; wait "$app_pid"; } 2>/dev/null || true
    [ -z "$xvfb_pid" ] || kill -TERM "$xvfb_pid" 2>/dev/null || true
    for _ in {1..100}; do alive "${xvfb_pid:-0}" || break; sleep 0.05; done
    [ -z "$xvfb_pid" ] || { kill -KILL "$xvfb_pid"; wait "$xvfb_pid"; } 2>/dev/null || true
}
