#!/usr/bin/env bash
# The real window under Xvfb shows the status of three bookmarks opened from the command line:
# one server up, one full, one silent, each a stand-in on a loopback address it found free at
# the game's query port. The time the rows took is told, not judged (the benchmark measures
# it); a fault shows as rows that never come. Each row is read as a screen reader is given it,
# through the accessibility bus: its name and the status told beside it. Run it inside
# dbus-run-session.
# Usage: status_test.sh <path of the built zerlin> <path of the stand-in server>
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/../lib/testlib.sh"

zerlin=$(realpath "${1:?usage: status_test.sh <zerlin> <status_standin>}")
standin=$(realpath "${2:?usage: status_test.sh <zerlin> <status_standin>}")
need_tools Xvfb xdpyinfo xdotool xwininfo
work=$(mktemp -d)
trap clean_up EXIT

"$standin" --seconds 120 '127.*.*.*:23000:one,players=23,max=64' \
    '127.*.*.*:23000:one,players=64,max=64' '127.*.*.*:23000:silent' >"$work/standin.log" 2>&1 &
stop_at_end $!
wait_for 5 grep -q ready "$work/standin.log" || { echo "FAIL: the stand-in did not start"; exit 1; }
mapfile -t at < <(sed -n 's/^bound \(.*\):23000$/\1/p' "$work/standin.log")
printf '%-35s:%s\r\n' "Up" "${at[0]}:14567" "Full" "${at[1]}:14567" "Silent" \
    "${at[2]}:14567" >"$work/servers.sbk"

start_xvfb "$work" || { echo "FAIL: Xvfb"; exit 1; }
export DISPLAY="$xvfb_display"
start_a11y || exit 1
mkdir -p "$work/config" "$work/home"
started=$(date +%s%N)
HOME="$work/home" XDG_CONFIG_HOME="$work/config" "$zerlin" "$work/servers.sbk" >"$work/zerlin.log" 2>&1 &
zerlin_pid=$!
stop_at_end "$zerlin_pid"
wait_for_window '^Zerlin 2\.48$' || { cat "$work/zerlin.log"; exit 1; }

# rows: each bookmark's name and what is told of its status, as "NAME: STATUS", the players
# and the ping reduced to their shape.
rows() {
    sed -nE 's/^item [^:]*: ([^ :]+)[^|]* \| (.*)$/\1: \2/p' "$work/a11y.txt" |
        sed -E 's/, [0-9]+ ms$/, N ms/' | paste -sd'|'
}
expected="Up: 23/64 players, Wake, N ms|Full: 64/64 players, Wake, N ms|Silent: no answer"
# Read as often as the tree can be read, for a minute at most: only a fault takes that long.
limit_ms=60000
seen=
read_at=$started
while [ $(($(date +%s%N) - started)) -lt $((limit_ms * 1000000)) ]; do
    read_at=$(date +%s%N)
    a11y_read "$zerlin_pid" 'Zerlin 2.48' && seen=$(rows)
    [ "$seen" = "$expected" ] && break
    sleep 0.05
done
elapsed=$(((read_at - started) / 1000000))
check "the rows show up, full and no answer (took ${elapsed} ms)" "$expected" "$seen"

[ "$failures" -eq 0 ] || { echo "The accessibility reader's log:"; tail -n 20 "$work/a11y.log"; }
echo "$passes passed, $failures failed"
[ "$failures" -eq 0 ]
