#!/usr/bin/env bash
# Runs the real program on its own Xvfb and drives it with xdotool, as a player would:
#   run 1: both INI files present. Click "Apply", wait for the save, close the window
#          the way a window manager does (WM_DELETE_WINDOW), expect exit code 0 and
#          files that kept everything Apply has no business changing;
#   run 2: the preferences file missing. Expect the "File access error!" box and no
#          main window, press OK, expect exit code 2.
#
# Usage: realwindow.sh PROGRAM EXAMPLES-FOLDER WMDELETE-HELPER
# Needs Xvfb and xdotool. Every wait is a bounded poll; nothing sleeps for long.
set -euo pipefail
export LC_ALL=C

if [ $# -ne 3 ]; then
    echo "usage: $0 PROGRAM EXAMPLES-FOLDER WMDELETE-HELPER" >&2
    exit 2
fi
program=$(readlink -f "$1")
examples=$(readlink -f "$2")
wmdelete=$(readlink -f "$3")

wait_limit=20       # seconds, for each single wait
poll_interval=0.05  # seconds between two looks

# Fixed layout of the main window (no window manager: it maps at 0,0).
window_title="Vantor Configurator"
window_width=560
window_height=306
apply_x=$((480 + 71 / 2))  # the middle of the "Apply" button
apply_y=$((280 + 21 / 2))
error_title="File access error!"
prefs_name=VantorPrefs.ini
main_name=Vantor.ini
game_folder="Documents/My Games/Vantor"

# ---------------------------------------------------------------------------------------
# Bookkeeping

now_ms() {
    local micro=${EPOCHREALTIME//[!0-9]/}
    echo $((10#$micro / 1000))
}
started_ms=$(now_ms)

log() {
    printf '[realwindow %6d ms] %s\n' $(($(now_ms) - started_ms)) "$*"
}

work=$(mktemp -d "${TMPDIR:-/tmp}/vantor-realwindow.XXXXXX")
xvfb_pid=""
app_pid=""
app_log=""
app_code=""

dump_logs() {
    local file
    for file in "$app_log" "$work/xvfb.log"; do
        if [ -n "$file" ] && [ -s "$file" ]; then
            echo "----- $(basename "$file") -----" >&2
            cat "$file" >&2
        fi
    done
}

fail() {
    log "FAIL: $*" >&2
    dump_logs
    exit 1
}

# Ends what this script started, on every way out.
cleanup() {
    local status=$?
    trap - EXIT HUP INT TERM
    if [ -n "$app_pid" ]; then
        kill -KILL "$app_pid" 2>/dev/null || true
        wait "$app_pid" 2>/dev/null || true
    fi
    if [ -n "$xvfb_pid" ]; then
        kill -TERM "$xvfb_pid" 2>/dev/null || true
        local tries=0
        while [ -e "/proc/$xvfb_pid" ] && [ "$(process_state "$xvfb_pid")" != Z ] && [ $tries -lt 100 ]; do
            sleep "$poll_interval"
            tries=$((tries + 1))
        done
        kill -KILL "$xvfb_pid" 2>/dev/null || true
        wait "$xvfb_pid" 2>/dev/null || true
    fi
    rm -rf "$work"
    exit "$status"
}
trap cleanup EXIT
trap 'exit 129' HUP
trap 'exit 130' INT
trap 'exit 143' TERM

# process_state PID: the state letter of a process (Z once it has ended but is not reaped),
# nothing when there is no such process.
process_state() {
    local stat
    stat=$(cat "/proc/$1/stat" 2>/dev/null) || return 0
    stat=${stat##*) }
    echo "${stat%% *}"
}

# wait_for WHAT COMMAND...: runs COMMAND until it succeeds, for at most wait_limit seconds.
wait_for() {
    local what=$1
    shift
    local deadline=$(($(now_ms) + wait_limit * 1000))
    until "$@"; do
        if [ "$(now_ms)" -ge "$deadline" ]; then
            fail "gave up after ${wait_limit} s waiting for $what"
        fi
        sleep "$poll_interval"
    done
}

for tool in Xvfb xdotool; do
    command -v "$tool" >/dev/null || fail "$tool is not installed (apt-get install xvfb xdotool)"
done
[ -x "$program" ] || fail "no program at $1"
[ -x "$wmdelete" ] || fail "no WM_DELETE_WINDOW helper at $3"
[ -f "$examples/$prefs_name" ] && [ -f "$examples/$main_name" ] || fail "no example pair in $2"

# ---------------------------------------------------------------------------------------
# The X server: Xvfb picks a free display itself and names it once it takes connections.

start_xvfb() {
    mkfifo "$work/displayfd"
    Xvfb -displayfd 3 -nolisten tcp -noreset -screen 0 1024x768x24 \
        3>"$work/displayfd" >"$work/xvfb.log" 2>&1 &
    xvfb_pid=$!
    local number=""
    read -r -t "$wait_limit" number <"$work/displayfd" || true
    [[ "$number" =~ ^[0-9]+$ ]] || fail "Xvfb did not come up"
    export DISPLAY=":$number"
    unset XAUTHORITY
    log "Xvfb ready on $DISPLAY"
}

# ---------------------------------------------------------------------------------------
# The program

# start_program HOME NAME: starts the program with HOME as its only home and a clean
# environment, so nothing of the caller's session (offscreen platform, user folders,
# session bus) reaches it.
start_program() {
    local home=$1 name=$2
    app_log="$work/$name.log"
    mkdir -p "$work/runtime-$name"
    chmod 700 "$work/runtime-$name"
    (
        cd "$work"
        exec env -i \
            PATH=/usr/local/bin:/usr/bin:/bin \
            HOME="$home" \
            DISPLAY="$DISPLAY" \
            QT_QPA_PLATFORM=xcb \
            XDG_RUNTIME_DIR="$work/runtime-$name" \
            LC_ALL=C.UTF-8 \
            "$program" >"$app_log" 2>&1
    ) &
    app_pid=$!
    log "$name: program started (pid $app_pid)"
}

program_running() {
    local state
    state=$(process_state "$app_pid")
    [ -n "$state" ] && [ "$state" != Z ] && [ "$state" != X ]
}

program_ended() {
    ! program_running
}

# Collects the exit code of the program that has ended into app_code.
collect_exit_code() {
    app_code=0
    wait "$app_pid" || app_code=$?
    app_pid=""
}

# Visible windows whose title is exactly $1.
visible_windows() {
    xdotool search --onlyvisible --name "^$1\$" 2>/dev/null || true
}

# Any windows, mapped or not, whose title is exactly $1.
any_windows() {
    xdotool search --name "^$1\$" 2>/dev/null || true
}

# one_window TITLE VARIABLE: succeeds when exactly one visible window has that title.
one_window() {
    local ids count
    ids=$(visible_windows "$1")
    count=$(printf '%s' "$ids" | grep -c . || true)
    [ "$count" -le 1 ] || fail "$count visible windows titled \"$1\""
    [ "$count" -eq 1 ] || return 1
    printf -v "$2" '%s' "$ids"
}

check_geometry() {
    local window=$1 X Y WIDTH HEIGHT SCREEN WINDOW
    eval "$(xdotool getwindowgeometry --shell "$window")"
    log "window $window at $X,$Y, $WIDTH x $HEIGHT"
    [ "$X,$Y" = "0,0" ] && [ "$WIDTH" -eq "$window_width" ] && [ "$HEIGHT" -eq "$window_height" ] ||
        fail "the main window is at $X,$Y, $WIDTH x $HEIGHT, not at 0,0, $window_width x $window_height"
}

# ---------------------------------------------------------------------------------------
# What Apply must have done to a file

# has_empty_line FILE
has_empty_line() {
    grep -qE $'^\r?$' "$1"
}

# compare_ini ORIGINAL RESULT IS_PREFS: every non-empty line of ORIGINAL must come out, in
# order, byte for byte, except the values Apply writes back: those may only differ in how
# a number is written (1.0000 -> 1) or by the rounding of the form's thousandth steps.
# The device name must end up in exactly one pair of double quotes. A line Apply adds must
# be a key the section did not hold. Every line must end in CR LF; no line may be empty.
compare_ini() {
    local original=$1 result=$2 is_prefs=$3
    [ "$(tail -c 2 "$result" | od -An -tx1 | tr -d ' \n')" = 0d0a ] ||
        fail "$(basename "$result") does not end in CR LF"
    awk -v is_prefs="$is_prefs" -v name="$(basename "$result")" '
        function stripcr(s) { sub(/\r$/, "", s); return s }
        function section(s) {
            if (s !~ /^[ \t]*\[/) return ""
            sub(/^[ \t]*\[/, "", s); sub(/\].*$/, "", s)
            return tolower(s)
        }
        function key(s) {
            if (s ~ /^[ \t]*[;#[]/ || index(s, "=") == 0) return ""
            return substr(s, 1, index(s, "=") - 1)
        }
        function value(s) { return substr(s, index(s, "=") + 1) }
        function number(v) { return v ~ /^[ \t]*[-+]?([0-9]+[.]?[0-9]*|[.][0-9]+)([eE][-+]?[0-9]+)?[ \t]*$/ }
        function quote_once(v) { gsub(/"/, "", v); return "\"" v "\"" }
        function problem(text) { print name ": " text > "/dev/stderr"; bad = 1 }
        # Whether result line r is what original line o may become in section sec.
        function becomes(o, r, sec,    ko, vo, vr, co, cr, d) {
            ko = key(o)
            if (is_prefs && sec == "display" && tolower(ko) == "sd3ddevice")
                return key(r) == ko && value(r) == quote_once(value(o))
            if (o == r) return 1
            if (ko == "" || key(r) != ko) return 0
            vo = value(o); vr = value(r); co = ""; cr = ""
            if (index(vo, ";")) { co = substr(vo, index(vo, ";")); vo = substr(vo, 1, index(vo, ";") - 1) }
            if (index(vr, ";")) { cr = substr(vr, index(vr, ";")); vr = substr(vr, 1, index(vr, ";") - 1) }
            if (co != cr || !number(vo) || !number(vr)) return 0
            d = vo - vr
            if (d < 0) d = -d
            if (d > 0.0005 + 1e-9) return 0
            rewritten++
            return 1
        }
        FNR == NR {
            total++
            line = stripcr($0)
            if (line ~ /^[ \t]*$/) next
            if (section(line) != "") osec = section(line)
            n++; orig[n] = line; origsec[n] = osec
            if (key(line) != "") held[osec SUBSEP tolower(key(line))] = 1
            next
        }
        {
            m++
            if ($0 !~ /\r$/) problem("line " m " does not end in CR LF")
            line = stripcr($0)
            if (index(line, "\r")) problem("line " m " holds a stray CR")
            if (line ~ /^[ \t]*$/) problem("line " m " is empty")
            res[m] = line
        }
        END {
            i = 1
            for (j = 1; j <= m; j++) {
                if (section(res[j]) != "") rsec = section(res[j])
                if (i <= n && origsec[i] == rsec && becomes(orig[i], res[j], rsec)) { i++; continue }
                k = key(res[j])
                if (k != "" && !((rsec SUBSEP tolower(k)) in held)) { added++; continue }
                if (i <= n) problem("line " j " is \"" res[j] "\" where \"" orig[i] "\" belongs")
                else problem("unexpected line " j ": \"" res[j] "\"")
                exit 1
            }
            for (; i <= n; i++) problem("lost line \"" orig[i] "\"")
            if (bad) exit 1
            printf "%s: %d lines in, %d out: %d empty lines dropped, %d values rewritten, %d keys added\n",
                name, total, m, total - n, rewritten, added
        }
    ' "$original" "$result" || fail "$(basename "$result") is not what Apply should have written"
}

# contains_line FILE LINE: FILE has LINE, followed by CR LF.
contains_line() {
    grep -qxF -- "$2"$'\r' "$1"
}

# ---------------------------------------------------------------------------------------
# Run 1: Apply, then close as a window manager does.

run_apply_and_close() {
    local home="$work/home-apply" window=""
    local folder="$home/$game_folder"
    mkdir -p "$folder"
    cp "$examples/$prefs_name" "$examples/$main_name" "$folder/"
    has_empty_line "$folder/$prefs_name" && has_empty_line "$folder/$main_name" ||
        fail "each example file needs an empty line to show the save"

    start_program "$home" apply
    main_window_shown() {
        program_running || fail "the program ended before its window appeared"
        [ -z "$(visible_windows "$error_title")" ] || fail "\"$error_title\" appeared instead of the main window"
        one_window "$window_title" window
    }
    wait_for "the \"$window_title\" window" main_window_shown
    log "apply: window $window is visible"
    check_geometry "$window"

    # xdotool moves the real pointer and clicks through XTEST, as a mouse would.
    xdotool mousemove --sync --window "$window" "$apply_x" "$apply_y" click 1
    log "apply: clicked Apply at $apply_x,$apply_y"

    both_saved() {
        program_running || fail "the program ended after the click on Apply"
        [ -z "$(visible_windows "$error_title")" ] || fail "Apply reported \"$error_title\""
        ! has_empty_line "$folder/$prefs_name" && ! has_empty_line "$folder/$main_name"
    }
    wait_for "Apply to save both files" both_saved
    log "apply: both files saved"

    "$wmdelete" "$window" || fail "could not send WM_DELETE_WINDOW to window $window"
    log "apply: sent WM_DELETE_WINDOW"
    wait_for "the program to end after WM_DELETE_WINDOW" program_ended
    collect_exit_code
    log "apply: program ended with exit code $app_code"
    [ "$app_code" -eq 0 ] || fail "exit code $app_code after closing the window, expected 0"

    compare_ini "$examples/$prefs_name" "$folder/$prefs_name" 1
    compare_ini "$examples/$main_name" "$folder/$main_name" 0

    # Spelled out: the lines a careless writer would break.
    local file line count
    for file in "$prefs_name" "$main_name"; do
        while IFS= read -r line; do
            contains_line "$folder/$file" "$line" || fail "$file lost the comment \"$line\""
        done < <(tr -d '\r' <"$examples/$file" | grep -E '^[;#]')
    done
    line=$(tr -d '\r' <"$examples/$main_name" | grep -m1 '^sLocalSavePath=') ||
        fail "the example $main_name has no save path"
    [[ "$line" == *\\ ]] || fail "the example save path \"$line\" does not end in a backslash"
    contains_line "$folder/$main_name" "$line" || fail "$main_name lost \"$line\""
    count=0
    while IFS= read -r line; do
        [[ "$line" == *,* ]] || fail "the example archive list \"$line\" has no comma"
        contains_line "$folder/$main_name" "$line" || fail "$main_name lost \"$line\""
        count=$((count + 1))
    done < <(tr -d '\r' <"$examples/$main_name" | grep '^sResourceArchiveList')
    [ "$count" -gt 0 ] || fail "the example $main_name has no archive list"
    line=$(tr -d '\r' <"$examples/$prefs_name" | grep -m1 '^sD3DDevice=') ||
        fail "the example $prefs_name has no device line"
    line="sD3DDevice=\"$(printf '%s' "${line#*=}" | tr -d '"')\""
    count=$(grep -c '^sD3DDevice=' "$folder/$prefs_name" || true)
    [ "$count" -eq 1 ] || fail "$prefs_name holds $count device lines"
    contains_line "$folder/$prefs_name" "$line" || fail "$prefs_name does not hold $line"
    log "apply: comments, save path, archive lists, device line and CR LF line ends as expected"
}

# ---------------------------------------------------------------------------------------
# Run 2: the preferences file missing.

run_missing_prefs() {
    local home="$work/home-missing" box=""
    local folder="$home/$game_folder"
    mkdir -p "$folder"
    cp "$examples/$main_name" "$folder/"

    start_program "$home" missing
    error_box_shown() {
        program_running || fail "the program ended before \"$error_title\" appeared"
        [ -z "$(any_windows "$window_title")" ] || fail "a \"$window_title\" window appeared"
        one_window "$error_title" box
    }
    wait_for "the \"$error_title\" box" error_box_shown
    log "missing: box $box is visible"
    [ -z "$(any_windows "$window_title")" ] || fail "a \"$window_title\" window appeared with the box"

    # OK is the box's default button: Return presses it once the box has the keyboard.
    # Without a window manager the focus is set directly, then the key goes through XTEST.
    xdotool windowfocus --sync "$box"
    xdotool key Return
    log "missing: pressed Return in the box"

    ended_without_main_window() {
        [ -z "$(visible_windows "$window_title")" ] || fail "a \"$window_title\" window appeared after OK"
        program_ended
    }
    wait_for "the program to end after OK" ended_without_main_window
    collect_exit_code
    log "missing: program ended with exit code $app_code"
    [ "$app_code" -eq 2 ] || fail "exit code $app_code after the open error, expected 2"
    [ ! -e "$folder/$prefs_name" ] || fail "the program created $prefs_name"
    cmp -s "$examples/$main_name" "$folder/$main_name" || fail "the program changed $main_name"
}

start_xvfb
run_apply_and_close
run_missing_prefs
log "PASS"
