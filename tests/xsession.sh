# Sourced by the tests that drive the real program on an X server of their own. The sourcing
# script sets `tag` (the prefix of its reports) and `work` (a scratch folder, removed on exit),
# and may define on_exit, run once the program and the X server have ended. Every wait is a
# bounded poll.
app_pid="" app_log="" xvfb_pid=""

fail() {
    echo "$tag: FAIL: $*" >&2
    tail -n +1 ${app_log:+"$app_log"} "$work/xvfb.log" >&2 2>/dev/null
    exit 1
}

# alive PID: the process exists and has not ended (a zombie has).
alive() { [[ $(sed 's/.*) //' "/proc/$1/stat" 2>/dev/null) == [!ZX]* ]]; }

# Ends what the test started, on every way out.
cleanup() {
    local status=$?
    trap - EXIT
    [ -z "$app_pid" ] || { kill -KILL "$app_pid"; wait "$app_pid"; } 2>/dev/null || true
    [ -z "$xvfb_pid" ] || kill -TERM "$xvfb_pid" 2>/dev/null || true
    for _ in {1..100}; do alive "${xvfb_pid:-0}" || break; sleep 0.05; done
    [ -z "$xvfb_pid" ] || { kill -KILL "$xvfb_pid"; wait "$xvfb_pid"; } 2>/dev/null || true
    ! declare -F on_exit >/dev/null || on_exit
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

# Xvfb picks a free display itself and names it once it takes connections.
start_x() {
    local display=""
    mkfifo "$work/displayfd"
    Xvfb -displayfd 3 -nolisten tcp -noreset -screen 0 1024x768x24 3>"$work/displayfd" >"$work/xvfb.log" 2>&1 &
    xvfb_pid=$!
    read -r -t 20 display <"$work/displayfd" || true
    [[ "$display" =~ ^[0-9]+$ ]] || fail "Xvfb did not come up"
    export DISPLAY=":$display" XAUTHORITY=/dev/null
}

# launch HOME LOG COMMAND...: the program in a clean environment, so nothing of the caller's
# session (offscreen platform, user folders) reaches it.
launch() {
    local runtime
    runtime=$(mktemp -d "$work/runtime.XXXXXX")
    app_log=$2
    (cd "$work" && exec env -i PATH=/usr/local/bin:/usr/bin:/bin HOME="$1" DISPLAY="$DISPLAY" XAUTHORITY=/dev/null \
        QT_QPA_PLATFORM=xcb XDG_RUNTIME_DIR="$runtime" LC_ALL=C.UTF-8 "${@:3}" >"$app_log" 2>&1) &
    app_pid=$!
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

# finish CODE: waits for the program to end and checks its exit code.
finish() {
    local code
    wait_for "the program to end" eval '! alive "$app_pid"'
    wait "$app_pid" && code=0 || code=$?
    app_pid=""
    [ "$code" -eq "$1" ] || fail "exit code $code, expected $1"
}
