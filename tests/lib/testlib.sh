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
    local limit=$(($1 * 10))
    shift
    for ((i = 0; i < limit; i++)); do
        "$@" && return 0
        sleep 0.1
    done
    return 1
}

# Starts Xvfb in the background and sets xvfb_pid and xvfb_display (":N"). Xvfb picks a free
# display itself, so parallel runs never share one. Its log goes to <folder>/xvfb.log.
start_xvfb() {  # start_xvfb <folder>
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$1/display" >"$1/xvfb.log" 2>&1 &
    xvfb_pid=$!
    wait_for 10 test -s "$1/display" || return 1
    xvfb_display=":$(tr -d '[:space:]' <"$1/display")"
}
