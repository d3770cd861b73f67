#!/usr/bin/env bash
# The real window under Xvfb shows, within 3 seconds of its start, the status of three
# bookmarks opened from the command line: one server up, one full, one silent, each a stand-in
# on 127.0.15.x. Read from the window's pixels: each row's mark, in the row's place, right of
# the address (a green disc, an orange square, grey "no answer").
# Usage: status_test.sh <path of the built zerlin> <path of the stand-in server>
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/../lib/testlib.sh"

zerlin=$(realpath "${1:?usage: status_test.sh <zerlin> <status_standin>}")
standin=$(realpath "${2:?usage: status_test.sh <zerlin> <status_standin>}")
for tool in Xvfb xdpyinfo xdotool import convert; do
    command -v "$tool" >/dev/null || { echo "FAIL: $tool is not installed"; exit 1; }
done
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

"$standin" --seconds 30 127.0.15.2:23000:one,players=23,max=64 \
    127.0.15.3:23000:one,players=64,max=64 127.0.15.4:23000:silent >"$work/standin.log" 2>&1 &
standin_pid=$!
wait_for 5 grep -q ready "$work/standin.log" || { echo "FAIL: the stand-in did not start"; exit 1; }
printf '%-35s:%s\r\n' "Up" "127.0.15.2:14567" "Full" "127.0.15.3:14567" "Silent" \
    "127.0.15.4:14567" >"$work/servers.sbk"

start_xvfb "$work" || { echo "FAIL: Xvfb"; exit 1; }
mkdir -p "$work/config" "$work/home"
started=$(date +%s%N)
DISPLAY="$xvfb_display" HOME="$work/home" XDG_CONFIG_HOME="$work/config" \
    "$zerlin" "$work/servers.sbk" >"$work/zerlin.log" 2>&1 &
zerlin_pid=$!
window=$(DISPLAY="$xvfb_display" timeout 15 xdotool search --sync --onlyvisible \
    --name '^Zerlin' | head -n 1)

# rows_of <image> <colour>: the list rows (from 0) holding pixels of that colour right of the
# addresses (the list stands at 7,124 in the window; rows are 15 pixels high or so).
rows_of() {
    convert "$1" -crop 100x88+405+125 +repage txt:- |
        awk -v c="$2" 'index($0, c) { split($1, p, "[,:]"); print int(p[2] / 15) }' | sort -u |
        tr '\n' ' '
}

seen=
while [ $(($(date +%s%N) - started)) -lt 3000000000 ]; do
    DISPLAY="$xvfb_display" import -window "${window:-root}" "$work/shot.png" 2>/dev/null
    seen="$(rows_of "$work/shot.png" '#40C040')|$(rows_of "$work/shot.png" '#FF7040')|$(rows_of "$work/shot.png" '#969696')"
    [ "$seen" = "0 |1 |2 " ] && break
    sleep 0.2
done
elapsed=$((($(date +%s%N) - started) / 1000000))
check "within 3 s the rows show up, full and no answer (took ${elapsed} ms)" "0 |1 |2 " "$seen"

echo "$passes passed, $failures failed"
[ "$failures" -eq 0 ]
