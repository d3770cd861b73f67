# Helpers shared by the shell tests; source it from bash.

testlib_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

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

# fail <what>: the test fails at once, saying what went wrong.
fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# need_tools <command>...: the test fails at once when one of them is not installed.
need_tools() {
    local tool
    for tool in "$@"; do
        command -v "$tool" >/dev/null || { echo "FAIL: $tool is not installed"; exit 1; }
    done
}

# Whether this build is held to time limits: the plain build is (CMake sets
# ZERLIN_TIMING_CHECKS=1), a Debug or sanitizer build is judged by its results alone.
timing_checked() {
    [ "${ZERLIN_TIMING_CHECKS:-0}" = 1 ]
}

# Waits up to $1 seconds for the command after it to succeed; four times as long in a build
# that is not held to time limits (see timing_checked), which may be that much slower.
wait_for() {
    local limit=$(($1 * 10)) i
    shift
    timing_checked || limit=$((limit * 4))
    for ((i = 0; i < limit; i++)); do
        "$@" && return 0
        sleep 0.1
    done
    return 1
}

# A fake Wine prefix, <folder>/prefix, holding the game (a file holding the text given, or
# nothing), and the folders <folder>/bin and <folder>/config/zerlin for a stand-in wine and the
# settings. Sets prefix, and game_dir, the game's folder.
make_wine_prefix() {  # make_wine_prefix <folder> [the game file's text]
    prefix="$1/prefix"
    game_dir="$prefix/drive_c/Games/BF1942"
    mkdir -p "$game_dir" "$1/bin" "$1/config/zerlin"
    : >"$prefix/system.reg"
    printf '%s' "${2-}" >"$game_dir/BF1942.exe"
}

# Starts Xvfb in the background and sets xvfb_pid and xvfb_display (":N"); returns once a
# client can connect. Its log goes to <folder>/xvfb.log.
start_xvfb() {  # start_xvfb <folder> [screen, 1024x768x24 unless given]
    local folder=$1 screen=${2:-1024x768x24} i
    # Xvfb picks a free display itself and writes its number once it is ready: tests started
    # at the same moment never meet on one display, as two that chose a number could. No reset
    # when the last client leaves: a program started just after the readiness check left would
    # now and then find the server resetting and refuse to start ("no graphical desktop").
    : >"$folder/xvfb.display"
    Xvfb -displayfd 3 -screen 0 "$screen" -nolisten tcp -noreset 3>"$folder/xvfb.display" \
        >>"$folder/xvfb.log" 2>&1 &
    xvfb_pid=$!
    for ((i = 0; i < 300; i++)); do
        kill -0 "$xvfb_pid" 2>/dev/null || break
        if [ -s "$folder/xvfb.display" ]; then
            xvfb_display=":$(head -n 1 "$folder/xvfb.display")"
            if xdpyinfo -display "$xvfb_display" >/dev/null 2>&1; then
                return 0
            fi
        fi
        sleep 0.1
    done
    stop_xvfb
    return 1
}

# Stops the Xvfb of start_xvfb and waits until it has gone, with its sockets and lock file.
stop_xvfb() {
    [ -n "${xvfb_pid:-}" ] || return 0
    kill "$xvfb_pid" 2>/dev/null || true
    wait "$xvfb_pid" 2>/dev/null || true
    xvfb_pid=
}

# How long a test waits for a window to be shown, in seconds: generous, since a Debug build with
# AddressSanitizer on a loaded machine may take many seconds to start.
window_patience=${ZERLIN_WINDOW_PATIENCE:-90}

# wait_for_window <name pattern> [xdotool search options]: sets window to the first window on
# $DISPLAY of that name that is mapped and viewable, waiting up to window_patience seconds. On
# running out it says so plainly and fails; window is then empty.
wait_for_window() {
    local pattern=$1 deadline=$((SECONDS + window_patience)) id
    shift
    window=
    while [ "$SECONDS" -lt "$deadline" ]; do
        for id in $(xdotool search --onlyvisible "$@" --name "$pattern" 2>/dev/null); do
            if xwininfo -id "$id" 2>/dev/null | grep -q 'Map State: IsViewable'; then
                window=$id
                return 0
            fi
        done
        sleep 0.2
    done
    echo "FAIL: no window named '$pattern' was shown within $window_patience s"
    echo "  windows shown: $(xdotool search --onlyvisible --name . getwindowname %@ 2>/dev/null |
        sort -u | tr '\n' '|')"
    return 1
}

# The main window of the Zerlin started on $DISPLAY: sets window, and wx and wy, the place of
# its client area on the screen, for click_at and type_into. Fails if none is shown in time.
find_main_window() {
    wait_for_window '^Zerlin 2\.48$' || return 1
    sleep 0.5
    read -r wx wy < <(xdotool getwindowgeometry --shell "$window" |
        awk -F= '/^X=/{x=$2} /^Y=/{y=$2} END{print x, y}')
}
click_at() {  # click_at <x> <y> [button]: a click in the main window's client area
    xdotool mousemove "$((wx + $1))" "$((wy + $2))" click "${3:-1}"
    sleep 0.3
}
type_into() {  # type_into <x> <y> <text>: replaces the text of the box there
    click_at "$1" "$2"
    xdotool key --clearmodifiers ctrl+a BackSpace
    xdotool type --delay 20 "$3"
    sleep 0.2
}

# The end of a test, however it ends: `trap clean_up EXIT` once the work folder $work is made.
# Stops the processes handed to stop_at_end (stand-ins, the program) and the Xvfb of
# start_xvfb, waits for them to go and removes $work.
at_end_pids=()
stop_at_end() {  # stop_at_end <pid>...
    at_end_pids+=("$@")
}
clean_up() {
    local pid killer
    for pid in "${at_end_pids[@]}"; do
        kill "$pid" 2>/dev/null || true
    done
    stop_xvfb
    for pid in "${at_end_pids[@]}"; do
        # One that misses or ignores the request (asked between its start and its program's)
        # is killed outright after 10 s.
        (sleep 10 && kill -9 "$pid") </dev/null >/dev/null 2>&1 &
        killer=$!
        { wait "$pid"; } 2>/dev/null || true
        kill "$killer" 2>/dev/null || true
    done
    [ -z "${work:-}" ] || rm -rf "$work"
}

# Starts the accessibility bus on the session bus (run the test under dbus-run-session), so that
# a11y_read reads what a screen reader is given; a Qt program started afterwards takes part
# (QT_LINUX_ACCESSIBILITY_ALWAYS_ON, exported here). Fails when the bus does not come.
start_a11y() {
    need_tools /usr/libexec/at-spi-bus-launcher /usr/bin/python3 dbus-send
    [ -n "${DBUS_SESSION_BUS_ADDRESS:-}" ] || { echo "FAIL: no private session bus"; return 1; }
    # A runtime folder of the test's own, where the bus puts its socket: tests run at once
    # never meet on one.
    mkdir -p -m 700 "$work/runtime"
    export XDG_RUNTIME_DIR="$work/runtime"
    /usr/libexec/at-spi-bus-launcher --launch-immediately >>"$work/a11y.log" 2>&1 &
    stop_at_end $!
    export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
    # Waited for without asking it anything: a question would have the session bus start a
    # launcher of its own, with the bus's environment (the socket in ~/.cache, shared).
    wait_for 10 a11y_bus_owned || { echo "FAIL: no accessibility bus"; return 1; }
    # The registry too, before any program starts: one that finds none never takes part.
    wait_for 20 /usr/bin/python3 "$testlib_dir/a11y.py" --ready 2>>"$work/a11y.log" ||
        { echo "FAIL: no accessibility registry"; return 1; }
}

a11y_bus_owned() {
    dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
        org.freedesktop.DBus.NameHasOwner string:org.a11y.Bus 2>/dev/null | grep -q 'boolean true'
}

# a11y_read <pid> [window title...]: what a screen reader is given of that program's windows
# (those titled so, or all), as the lines of tests/lib/a11y.py, into $work/a11y.txt. Fails
# while the program is not on the accessibility bus yet.
a11y_read() {
    /usr/bin/python3 "$testlib_dir/a11y.py" "$@" >"$work/a11y.txt" 2>>"$work/a11y.log"
}
