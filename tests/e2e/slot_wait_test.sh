#!/bin/bash
# Waits for a slot in the real window under Xvfb, as a user would: adds a bookmark of a stand-in
# game server that is full for its first seconds (on a 127.0.16.x address), chooses "Join when a slot frees"
# from the row's context menu and sees the notification, then the join through the stand-in
# wine. Run it inside dbus-run-session: a stand-in notification service takes the messages.
set -u
zerlin=$(realpath "${1:?usage: slot_wait_test.sh <zerlin> <status_standin> <notification_standin>}")
status_standin=$(realpath "${2:?}")
notification_standin=$(realpath "${3:?}")
here=$(cd "$(dirname "$0")" && pwd)
source "$(dirname "${BASH_SOURCE[0]}")/../lib/testlib.sh"

need_tools Xvfb xdpyinfo xdotool
[ -n "${DBUS_SESSION_BUS_ADDRESS:-}" ] || { echo "FAIL: no private session bus"; exit 1; }

work=$(mktemp -d)
trap clean_up EXIT

make_wine_prefix "$work"
mkdir -p "$work/stand-in"
printf '[Sti]\nSti=%s\n' "$game_dir/BF1942.exe" >"$work/config/zerlin/settings.ini"
cp "$here/stand_in_wine.sh" "$work/bin/wine"
chmod +x "$work/bin/wine"

"$notification_standin" "$work/notified" >"$work/notify.log" 2>&1 &
notify_pid=$!
stop_at_end "$notify_pid"
wait_for 5 grep -q ready "$work/notify.log" || { echo "FAIL: no notification stand-in"; exit 1; }
after=12
# On a loopback address free at the game's query port, which the stand-in finds.
"$status_standin" --seconds 60 "127.0.16.*:23000:full-then-free,max=32,after=$after" \
    >"$work/server.log" 2>&1 &
server_pid=$!
stop_at_end "$server_pid"
wait_for 5 grep -q ready "$work/server.log" || { echo "FAIL: no stand-in server"; exit 1; }
server_ip=$(sed -n 's/^bound \(.*\):23000$/\1/p' "$work/server.log")
started=$SECONDS

start_xvfb "$work" || { echo "FAIL: Xvfb did not start"; exit 1; }
export DISPLAY="$xvfb_display"
export XDG_CONFIG_HOME="$work/config"
export STAND_IN_DIR="$work/stand-in"
export PATH="$work/bin:$PATH"
unset WINEPREFIX QT_QPA_PLATFORM
"$zerlin" >"$work/zerlin.log" 2>&1 &
zerlin_pid=$!
stop_at_end "$zerlin_pid"

find_main_window || { echo "FAIL: the main window did not appear"; cat "$work/zerlin.log"; exit 1; }

type_into 300 73 "$server_ip"  # the IP box
type_into 460 73 14567        # the port box
click_at 48 240               # the word ADD
sleep 0.5
xdotool type --delay 20 "Evening server"
xdotool key Return
sleep 0.5
type_into 300 73 10.0.0.1     # other boxes: the join must put the bookmark's server back
click_at 100 132 3            # right click on the first row
sleep 0.5
xdotool key Down Return       # its first item, "Join when a slot frees"

wait_for 40 test -e "$work/stand-in/run1.done" || { echo "FAIL: never joined"; failures=$((failures + 1)); }
check "joined once the slot was free" yes "$([ $((SECONDS - started)) -ge "$after" ] && echo yes || echo no)"
check "the bookmark's server joined" yes \
    "$(grep -q "+joinServer $server_ip:14567 " "$work/stand-in/run1.script" 2>/dev/null && echo yes || echo no)"
check "one notification, naming the bookmark" "Zerlin|A slot is free on Evening server: joining." \
    "$(cat "$work/notified" 2>/dev/null)"
sleep 6
check "one join" 1 "$(cat "$work/stand-in/runs" 2>/dev/null)"

if [ "$failures" -ne 0 ]; then
    echo "--- zerlin output"; cat "$work/zerlin.log"
fi
echo "$passes passed, $failures failed"
[ "$failures" -eq 0 ]
