#!/usr/bin/env bash
# The friends' watch of the real program under Xvfb, with the Servers window never opened: a
# stand-in server list on 127.0.24.1 (a port the system gives) whose servers are read from a file the test rewrites, a
# stand-in notification service with the actions capability, the list asked every 2 seconds
# ([Friends] RefreshSeconds). Nothing is asked until a friend is written into the friends file,
# by hand while Zerlin runs. A friend who appears between two refreshes is told once, naming
# the server; moving to another server and leaving for one refresh tell nothing more; the
# notification's Join action joins the friend's server through the stand-in wine.
# Run it inside dbus-run-session. Usage: friends_test.sh <zerlin> <list_standin> <notification_standin>
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/../lib/testlib.sh"
here=$(cd "$(dirname "$0")" && pwd)

zerlin=$(realpath "${1:?usage: friends_test.sh <zerlin> <list_standin> <notification_standin>}")
lister=$(realpath "${2:?}")
notification_standin=$(realpath "${3:?}")
need_tools Xvfb xdpyinfo xdotool gdbus
[ -n "${DBUS_SESSION_BUS_ADDRESS:-}" ] || { echo "FAIL: no private session bus"; exit 1; }

work=$(mktemp -d)
trap clean_up EXIT

# list <players of Alpha> <players of Bravo>: the list file, names comma-separated.
server() {  # server <last octet> <name> <players>
    local entries="" count=0 p names
    IFS=, read -ra names <<<"$3"
    for p in "${names[@]}"; do
        entries+="${entries:+,}{\"name\":\"$p\",\"team\":1}"
        count=$((count + 1))
    done
    printf '{"ip":"127.0.24.%s","port":14567,"queryPort":23000,"name":"%s","numPlayers":%s,' \
        "$1" "$2" "$count"
    printf '"maxPlayers":32,"mapName":"Wake Island","players":[%s]}' "$entries"
}
list() {
    printf '[%s,%s]' "$(server 10 Alpha "$1")" "$(server 11 Bravo "$2")" >"$work/list.json.new"
    mv "$work/list.json.new" "$work/list.json"
}
gets() {
    local n
    n=$(grep -c 'GET .*/servers' "$work/list.log" 2>/dev/null)
    echo "${n:-0}"
}
asked() { test "$(gets)" -ge "$1"; }  # asked <n>: the list was asked n times or more
# two_refreshes: waits until two more complete asks of the list, so one saw the file as it is.
two_refreshes() {
    local from
    from=$(gets)
    wait_for 15 asked $((from + 2))
    sleep 0.5
}

make_wine_prefix "$work"
mkdir -p "$work/stand-in" "$work/cache"
cp "$here/stand_in_wine.sh" "$work/bin/wine"
chmod +x "$work/bin/wine"
list "Someone" "Other"

"$notification_standin" --actions "$work/notified" >"$work/notify.log" 2>&1 &
notify_pid=$!
stop_at_end "$notify_pid"
"$lister" 127.0.24.1:0 --file "$work/list.json" --seconds 100 >"$work/list.log" 2>&1 &
lister_pid=$!
stop_at_end "$lister_pid"
wait_for 5 grep -q ready "$work/notify.log" || { echo "FAIL: no notification stand-in"; exit 1; }
wait_for 5 grep -q ready "$work/list.log" || { echo "FAIL: the list stand-in"; exit 1; }
cat >"$work/config/zerlin/settings.ini" <<INI
[Sti]
Sti=$game_dir/BF1942.exe
[Servers]
ListUrl=http://$(sed -n 's/^listening //p' "$work/list.log")/v2/bf1942
[Friends]
RefreshSeconds=2
INI

start_xvfb "$work" || { echo "FAIL: Xvfb"; exit 1; }
export DISPLAY="$xvfb_display" HOME="$work" XDG_CONFIG_HOME="$work/config"
export XDG_CACHE_HOME="$work/cache" STAND_IN_DIR="$work/stand-in" PATH="$work/bin:$PATH"
unset WINEPREFIX QT_QPA_PLATFORM
"$zerlin" >"$work/zerlin.log" 2>&1 &
zerlin_pid=$!
stop_at_end "$zerlin_pid"
find_main_window || { echo "FAIL: the main window did not appear"; cat "$work/zerlin.log"; exit 1; }

# No friend set: two refreshes' time pass without an ask. A friend written into the file by
# hand is then asked for without a restart.
sleep 5
check "no friend set, the list is not asked" 0 "$(gets)"
printf '# my squad\n*jürgen\n' >"$work/config/zerlin/friends.txt"
wait_for 10 asked 1 || { echo "FAIL: the list was never asked"; failures=$((failures + 1)); }
two_refreshes
check "no friend playing, nothing told" "" "$(cat "$work/notified" 2>/dev/null)"

list "Someone,[ABC]Jürgen" "Other"
wait_for 15 test -s "$work/notified"
two_refreshes
check "one notification naming the friend and the server" \
    "[ABC]Jürgen is playing|Alpha · 2/32 · Wake Island|action,Join" \
    "$(cat "$work/notified" 2>/dev/null)"

list "Someone" "Other,[ABC]Jürgen"
two_refreshes
list "Someone" "Other"
two_refreshes
list "Someone" "[ABC]Jürgen"
two_refreshes
check "moving, or away for one refresh, tells nothing more" 1 "$(wc -l <"$work/notified")"

gdbus call --session --dest org.freedesktop.Notifications \
    --object-path /org/freedesktop/Notifications \
    --method org.freedesktop.Notifications.InvokeAction 1 action >/dev/null
wait_for 15 test -e "$work/stand-in/run1.done" || { echo "FAIL: never joined"; failures=$((failures + 1)); }
check "Join joins the friend's server as the notification named it" yes \
    "$(grep -q '+joinServer 127.0.24.10:14567 ' "$work/stand-in/run1.script" 2>/dev/null && echo yes || echo no)"

# A friend whose name holds markup and a right-to-left override: the summary holds no markup,
# the body has the name escaped, the override is gone.
printf '# my squad\n*jürgen\n*evil1\n' >"$work/config/zerlin/friends.txt"
list "Someone" 'Other,<img src=x>evil\u202e1'
told() { [ "$(wc -l <"$work/notified")" -ge "$1" ]; }  # told <n>: n notifications or more
wait_for 15 told 2
check "a name of markup is told in the body, escaped, and turns nothing around" \
    "A friend is playing|&lt;img src=x&gt;evil1 is playing · Bravo · 2/32 · Wake Island|action,Join" \
    "$(sed -n 2p "$work/notified" 2>/dev/null)"

if [ "$failures" -ne 0 ]; then
    echo "--- zerlin output"; cat "$work/zerlin.log"
    echo "--- list"; cat "$work/list.log"; cat "$work/list.json"
fi
echo "$passes passed, $failures failed"
[ "$failures" -eq 0 ]
