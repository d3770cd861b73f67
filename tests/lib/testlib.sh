# Helpers shared by the shell tests; source it from bash.

passes=0
failures=0
check() {  # check <what> <expected> <actual>
    if [ "$2" == "$3" ]; then
        echo "ok: $1"
        passes=$((passes + 1))
    else
        echo "FAIL: $1"
        echo "  expected: $(printf '%q' "$2")"
        echo "  actual:   $(printf '%q' "$3")"
        failures=$((failures + 1))
    fi
}

# Waits up to $1 seconds for the command after it to succeed.
wait_for() {
    local limit=$(($1 * 10)) i
    shift
    for ((i = 0; i < limit; i++)); do
        "$@" && return 0
        sleep 0.1
    done
    return 1
}

# Starts Xvfb in the background and sets xvfb_pid and xvfb_display (":N"); returns once a
# client can connect. Display numbers are picked at random from a high range and a display that
# is taken, or a server that never answers, is given up for the next one, so parallel runs and
# other X servers on the machine are never shared. Its log goes to <folder>/xvfb.log.
start_xvfb() {  # start_xvfb <folder> [screen, 1024x768x24 unless given]
    local folder=$1 screen=${2:-1024x768x24} n tries i
    for ((tries = 0; tries < 10; tries++)); do
        n=$((200 + RANDOM % 700))
        [ -e "/tmp/.X$n-lock" ] && continue
        Xvfb ":$n" -screen 0 "$screen" -nolisten tcp >>"$folder/xvfb.log" 2>&1 &
        xvfb_pid=$!
        for ((i = 0; i < 100; i++)); do
            kill -0 "$xvfb_pid" 2>/dev/null || break
            if xdpyinfo -display ":$n" >/dev/null 2>&1; then
                xvfb_display=":$n"
                return 0
            fi
            sleep 0.1
        done
        stop_xvfb
    done
    return 1
}

# Stops the Xvfb of start_xvfb and waits until it has gone, with its sockets and lock file.
stop_xvfb() {
    [ -n "${xvfb_pid:-}" ] || return 0
    kill "$xvfb_pid" 2>/dev/null || true
    wait "$xvfb_pid" 2>/dev/null || true
    xvfb_pid=
}
