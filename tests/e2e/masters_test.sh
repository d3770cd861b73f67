#!/usr/bin/env bash
# The Servers window of the real program under Xvfb with both sources: a stand-in server list on
# 127.0.21.2 naming game servers 127.0.22.11 and .12, and a stand-in master on 127.0.28.9 naming
# .11 (the same server), .13 at two query ports and .14 (each at a game port of its own, told by
# its status answer)
# and .15 (silent: never shown). The window lists each server once at its game port, pinged;
# the master saw a valid response; then, the list gone, F5 fills the window with the master's
# servers alone and the status line counts them. Run it inside dbus-run-session.
# Usage: masters_test.sh <zerlin> <status_standin> <list_standin> <master_standin>
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/../lib/testlib.sh"

zerlin=$(realpath "${1:?usage: masters_test.sh <zerlin> <status_standin> <list_standin> <master_standin>}")
standin=$(realpath "${2:?}")
lister=$(realpath "${3:?}")
master=$(realpath "${4:?}")
need_tools Xvfb xdpyinfo xdotool
work=$(mktemp -d)
zerlin_pid=
trap clean_up EXIT

"$standin" --seconds 120 127.0.22.11:0:one 127.0.22.12:0:one \
    127.0.22.13:0:one,hostport=14568 =:0:one,hostport=14570 127.0.22.14:0:one,hostport=14569 \
    127.0.22.15:0:silent \
    >"$work/standin.log" 2>&1 &
stop_at_end $!
wait_for 5 grep -q ready "$work/standin.log" || { echo "FAIL: the game stand-ins"; exit 1; }
mapfile -t bound < <(sed -n 's/^bound //p' "$work/standin.log")
"$lister" 127.0.21.2:0 --count 2 --first 127.0.22.11 --seconds 120 \
    --query-ports "${bound[0]##*:},${bound[1]##*:}" >"$work/list.log" 2>&1 &
lister_pid=$!
stop_at_end "$lister_pid"
"$master" 127.0.28.9:0 --seconds 120 --hold "$work/release" "${bound[0]}" "${bound[2]}" "${bound[3]}" "${bound[4]}" \
    "${bound[5]}" \
    >"$work/master.log" 2>&1 &
stop_at_end $!
wait_for 5 grep -q ready "$work/list.log" || { echo "FAIL: the list stand-in"; exit 1; }
wait_for 5 grep -q listening "$work/master.log" || { echo "FAIL: the master stand-in"; exit 1; }
list_at=$(sed -n 's/^listening //p' "$work/list.log")
master_at=$(sed -n 's/^listening //p' "$work/master.log")

mkdir -p "$work/config/zerlin" "$work/home" "$work/cache"
# Sorted by address, ascending.
cat >"$work/config/zerlin/settings.ini" <<INI
[Servers]
ListUrl=http://$list_at/v2/bf1942
Masters=$master_at
Size=900,500
Columns=200,70,100,90,70,80,150,6,a
INI

start_xvfb "$work" || { echo "FAIL: Xvfb"; exit 1; }
start_a11y || exit 1
export DISPLAY="$xvfb_display" HOME="$work/home" XDG_CONFIG_HOME="$work/config"
export XDG_CACHE_HOME="$work/cache"
unset WINEPREFIX QT_QPA_PLATFORM

"$zerlin" >>"$work/zerlin.log" 2>&1 &
zerlin_pid=$!
stop_at_end "$zerlin_pid"
find_main_window || { echo "FAIL: the main window did not appear"; cat "$work/zerlin.log"; exit 1; }
xdotool key ctrl+f
wait_for 5 xdotool search --onlyvisible --name '^Servers$' >/dev/null ||
    { echo "FAIL: no Servers window"; exit 1; }

# "ADDRESS:PORT PING" of each row, in the order shown.
rows() {
    a11y_read "$zerlin_pid" Servers || return 1
    awk -F' [|] ' '/^row Servers [0-9]+: / {
        address = ""; ping = ""
        for (i = 1; i < NF; i++) {
            if ($i ~ /^[0-9.]+:[0-9]+$/) address = $i
            else if ($i ~ /^[0-9]+ ms$/) ping = "ms"
            else if ($i ~ /^(no answer|not pinged)/) ping = $i
        }
        printf "%s%s %s", (n++ ? "|" : ""), address, ping
    }' "$work/a11y.txt"
}
status_line() { sed -n 's/^label Servers status | //p' "$work/a11y.txt"; }

# The master holds its answer: the list's servers are shown meanwhile.
listed="127.0.22.11:14567 ms|127.0.22.12:14567 ms"
wait_for 8 eval '[ "$(rows)" = "$listed" ]'
check "the list's servers shown before the master answers" "$listed, 0 served" \
    "$(rows), $(grep -c '^served' "$work/master.log") served"
touch "$work/release"
expected="127.0.22.11:14567 ms|127.0.22.12:14567 ms|127.0.22.13:14568 ms|127.0.22.13:14570 ms"
expected+="|127.0.22.14:14569 ms"
wait_for 30 eval '[ "$(rows)" = "$expected" ]'
check "both sources' servers, once each, at their game ports, pinged" "$expected" "$(rows)"
check "the status line counts them" "5 servers" "$(status_line | grep -o '^[0-9]* servers')"
check "the master saw a valid response" "yes" \
    "$(grep -q '^validate ok' "$work/master.log" && echo yes || echo no)"
check "the list was asked" 1 "$(grep -c 'GET /v2/bf1942/servers' "$work/list.log")"
wait_for 10 test -s "$work/cache/zerlin/servers.json"
check "the kept list holds the master's servers at their game ports" \
    "127.0.22.13:14568 127.0.22.13:14570" \
    "$(python3 -c 'import json, sys
for s in json.load(open(sys.argv[1]))["servers"]:
    if s["ip"] == "127.0.22.13": print("%s:%s" % (s["ip"], s["port"]))' "$work/cache/zerlin/servers.json" | sort | paste -sd' ')"

# The list gone: F5 asks both again, the master alone answers.
kill "$lister_pid"
wait "$lister_pid" 2>/dev/null
xdotool key F5
expected="127.0.22.11:14567 ms|127.0.22.13:14568 ms|127.0.22.13:14570 ms|127.0.22.14:14569 ms"
wait_for 30 eval '[ "$(rows)" = "$expected" ]'
check "the list down, the master's servers fill the window" "$expected" "$(rows)"
check "the status line counts them" "4 servers" "$(status_line | grep -o '^[0-9]* servers')"
check "asked twice" 2 "$(grep -c '^validate ok' "$work/master.log")"
[ "$failures" -eq 0 ] || { echo "The program's log:"; tail -n 20 "$work/zerlin.log"; }
echo "$passes passed, $failures failed"
[ "$failures" -eq 0 ]
