#!/usr/bin/env bash
# The real window under Xvfb shows the status of three bookmarks opened from the command line:
# one server up, one full, one silent, each a stand-in on a loopback address it found free at
# the game's query port. The time the rows took is told, not judged (the benchmark measures
# it); a fault shows as rows that never come. Read from the window's pixels: each row's mark,
# in the row's place, right of the address (a green disc, an orange square, grey "no answer").
# Usage: status_test.sh <path of the built zerlin> <path of the stand-in server>
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/../lib/testlib.sh"

zerlin=$(realpath "${1:?usage: status_test.sh <zerlin> <status_standin>}")
standin=$(realpath "${2:?usage: status_test.sh <zerlin> <status_standin>}")
need_tools Xvfb xdpyinfo xdotool xwininfo import convert
work=$(mktemp -d)
zerlin_pid=
standin_pid=
cleanup() {
    [ -z "$zerlin_pid" ] || kill "$zerlin_pid" 2>/dev/null
    [ -z "$standin_pid" ] || kill "$standin_pid" 2>/dev/null
    stop_xvfb
    rm -rf "$work"
}
trap cleanup EXIT

"$standin" --seconds 120 '127.*.*.*:23000:one,players=23,max=64' \
    '127.*.*.*:23000:one,players=64,max=64' '127.*.*.*:23000:silent' >"$work/standin.log" 2>&1 &
standin_pid=$!
wait_for 5 grep -q ready "$work/standin.log" || { echo "FAIL: the stand-in did not start"; exit 1; }
mapfile -t at < <(sed -n 's/^bound \(.*\):23000$/\1/p' "$work/standin.log")
printf '%-35s:%s\r\n' "Up" "${at[0]}:14567" "Full" "${at[1]}:14567" "Silent" \
    "${at[2]}:14567" >"$work/servers.sbk"

start_xvfb "$work" || { echo "FAIL: Xvfb"; exit 1; }
mkdir -p "$work/config" "$work/home"
started=$(date +%s%N)
DISPLAY="$xvfb_display" HOME="$work/home" XDG_CONFIG_HOME="$work/config" \
    "$zerlin" "$work/servers.sbk" >"$work/zerlin.log" 2>&1 &
zerlin_pid=$!
DISPLAY="$xvfb_display" wait_for_window '^Zerlin 2\.48$' || { cat "$work/zerlin.log"; exit 1; }

# rows_of <colour> [width]: the list rows (from 0) of the last shot holding pixels of that
# colour right of the addresses (the list stands at 7,124 in the window; rows are 15 pixels
# high or so), within `width` pixels of x 405. The grey of "no answer" is looked for left of
# the last 25 pixels, where the dots of a row still asking are drawn in the same grey.
rows_of() {
    awk -v c="$1" -v w="${2:-100}" \
        'index($0, c) { split($1, p, "[,:]"); if (p[1] < w) print int(p[2] / 15) }' \
        "$work/shot.txt" | sort -u | tr '\n' ' '
}

# Shots as fast as they can be taken, for a minute at most: only a fault takes that long.
limit_ms=60000
seen=
shot_at=$started
while [ $(($(date +%s%N) - started)) -lt $((limit_ms * 1000000)) ]; do
    shot_at=$(date +%s%N)
    DISPLAY="$xvfb_display" import -window "$window" -crop 100x88+405+125 +repage -depth 8 \
        txt:- >"$work/shot.txt" 2>/dev/null
    seen="$(rows_of '#40C040')|$(rows_of '#FF7040')|$(rows_of '#969696' 75)"
    [ "$seen" = "0 |1 |2 " ] && break
done
elapsed=$(((shot_at - started) / 1000000))
check "the rows show up, full and no answer (took ${elapsed} ms)" \
    "0 |1 |2 " "$seen"

echo "$passes passed, $failures failed"
[ "$failures" -eq 0 ]
