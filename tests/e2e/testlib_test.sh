#!/usr/bin/env bash
# The shared waiting of the shell tests: a window shown late is found once it is mapped and
# measured as itself, never as the screen; a window that never comes fails with a plain message.
# Usage: testlib_test.sh
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/../lib/testlib.sh"

need_tools Xvfb xdpyinfo xdotool xwininfo xmessage
work=$(mktemp -d)
trap clean_up EXIT
start_xvfb "$work" 800x600x24 || { echo "FAIL: Xvfb"; exit 1; }
export DISPLAY=$xvfb_display

# Shown three seconds after its start, as a slow build's window is.
(sleep 3 && exec xmessage -title 'Late window' 'late') &
late_pid=$!
stop_at_end "$late_pid"
wait_for_window '^Late window$' >"$work/out"
check "a late window is waited for" "0|" "$?|$(cat "$work/out")"
width=$(xwininfo -id "${window:-0}" 2>/dev/null | awk '/Width:/{print $2}')
check "the window found is the late one, not the 800 pixels wide screen" yes \
    "$([ -n "$width" ] && [ "$width" -lt 800 ] && echo yes || echo "no ($width)")"

window_patience=2
started=$SECONDS
wait_for_window '^Never shown$' >"$work/out"
check "a window that never comes fails plainly, in its time, naming those shown" \
    "1|FAIL: no window named '^Never shown\$' was shown within 2 s|  windows shown: Late window|||" \
    "$?|$(tr '\n' '|' <"$work/out")|${window}"
check "the wait ended in its time" yes "$([ $((SECONDS - started)) -le 4 ] && echo yes)"

check "time limits count in the plain build only" "yes no no" \
    "$(for v in 1 0 ''; do ZERLIN_TIMING_CHECKS=$v timing_checked && echo -n yes || echo -n no
       [ "$v" = '' ] || echo -n ' '; done)"

# A wait for a file is four times as long in a build not held to time limits.
for v in 1 0; do
    started=$SECONDS
    ZERLIN_TIMING_CHECKS=$v wait_for 1 false
    waited[$v]=$((SECONDS - started))
done
check "a wait of 1 s lasts 1 s in the plain build and 4 s in a slower one" "yes yes" \
    "$([ "${waited[1]}" -le 2 ] && echo yes) $([ "${waited[0]}" -ge 3 ] && echo yes)"

# The clean-up at the end stops what it was handed, however the test ends, and removes its
# folder; a process already gone is no fault (a test under set -e goes on to the end).
for how in "exit 0" "exit 3" "false"; do
    # A test of its own, in a shell of its own, bounded in time.
    timeout 30 bash -c 'set -e
        source "$1/testlib.sh"
        work=$(mktemp -d -p "$2")
        echo "$work" >"$2/inner"
        trap clean_up EXIT
        sleep 300 </dev/null >/dev/null 2>&1 &
        echo $! >"$2/pid"
        stop_at_end $! 999999
        $3' inner "$testlib_dir" "$work" "$how" </dev/null >/dev/null 2>&1
    inner=$(cat "$work/inner") pid=$(cat "$work/pid")
    process=$(kill -0 "$pid" 2>/dev/null && echo running || echo gone)
    folder=$([ -e "$inner" ] && echo kept || echo gone)
    check "clean_up after '$how': the process stopped, the folder gone" "gone gone" \
        "$process $folder"
done

echo "$passes passed, $failures failed"
[ "$failures" -eq 0 ]
