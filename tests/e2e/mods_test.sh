#!/usr/bin/env bash
# Joins of servers that run mods, through the real program under Xvfb: a game folder holding
# Mods/DC_Final and Mods/XPack1, four bookmarks of stand-in game servers on 127.0.41.x whose
# status answers name their mod (DC_Final, xpack1 by gameId, fh by active_mods, the plain game).
# Once the answers are in, JOIN on each: the mod's folder is passed with "+game" as spelt on
# disk, the plain server gets the line of old, and the server of the missing mod brings the
# message and starts nothing, remembers nothing, and leaves the program running though Close is
# on.
# Usage: mods_test.sh <zerlin> <status_standin>
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/../lib/testlib.sh"
here=$(cd "$(dirname "$0")" && pwd)

zerlin=$(realpath "${1:?usage: mods_test.sh <zerlin> <status_standin>}")
standin=$(realpath "${2:?usage: mods_test.sh <zerlin> <status_standin>}")
need_tools Xvfb xdpyinfo xdotool xwininfo
work=$(mktemp -d)
zerlin_pid=
trap clean_up EXIT

"$standin" --seconds 90 127.0.41.1:23000:one,gameid=DC_Final,mods=bf1942 \
    127.0.41.2:23000:one,gameid=xpack1 127.0.41.3:23000:one,mods=fh \
    127.0.41.4:23000:one >"$work/standin.log" 2>&1 &
standin_pid=$!
stop_at_end "$standin_pid"
wait_for 5 grep -q ready "$work/standin.log" || { echo "FAIL: the stand-ins did not start"; exit 1; }

make_wine_prefix "$work"
mkdir -p "$work/stand-in" "$work/home" "$game_dir/Mods/DC_Final" "$game_dir/Mods/XPack1"
printf 'game.setCustomGameName "Desert Combat"\r\ngame.setCustomGameVersion "0.7"\r\n' \
    >"$game_dir/Mods/DC_Final/init.con"
printf 'game.addModPath Mods/XPack1/\r\n' >"$game_dir/Mods/XPack1/init.con"
cp "$here/stand_in_wine.sh" "$work/bin/wine"
chmod +x "$work/bin/wine"
printf '%-35s:%s\r\n' "Desert" "127.0.41.1:14567" "Rome" "127.0.41.2:14567" "Hope" \
    "127.0.41.3:14567" "Plain" "127.0.41.4:14567" >"$work/servers.sbk"
settings="$work/config/zerlin/settings.ini"
printf '[Sti]\nSti=%s\n[Options]\nSaveIP=yes\nClose=yes\n' "$game_dir/BF1942.exe" >"$settings"

start_xvfb "$work" || { echo "FAIL: Xvfb"; exit 1; }
export DISPLAY="$xvfb_display" HOME="$work/home" XDG_CONFIG_HOME="$work/config"
export STAND_IN_DIR="$work/stand-in" PATH="$work/bin:$PATH"
unset WINEPREFIX QT_QPA_PLATFORM

start_zerlin() {
    "$zerlin" "$work/servers.sbk" >>"$work/zerlin.log" 2>&1 &
    zerlin_pid=$!
    stop_at_end "$zerlin_pid"
    find_main_window || { cat "$work/zerlin.log"; exit 1; }
    # The bookmarks' servers are asked at once; their answers take milliseconds.
    sleep 2
}
join_server() {  # join_server <ip>
    type_into 300 73 "$1"
    type_into 460 73 14567
    click_at 455 240  # the word JOIN
}
script_of() {  # script_of <run>: the script the stand-in wine read
    wait_for 10 test -e "$work/stand-in/run$1.done" || { echo '<not run>'; return; }
    od -An -c "$work/stand-in/run$1.script"
}
expected() {  # expected <ip> [mod folder]
    printf 'BF1942.exe +restart 1 %s+joinServer %s:14567 +isInternet 1\r\nexit\r\n' \
        "${2:++game $2 }" "$1" | od -An -c
}

start_zerlin
# Forgotten Hope is not installed: the message, and nothing else.
join_server 127.0.41.3
wait_for_window "^Zerlin$" >/dev/null
check "a missing mod brings a message" yes "$([ -n "$window" ] && echo yes || echo no)"
# Its text, as the accessibility tree would tell it, is not read here: the unit tests check it.
xdotool windowactivate --sync "$window" 2>/dev/null
xdotool key Return
sleep 1
check "... starts nothing" no "$([ -e "$work/stand-in/run1.done" ] && echo yes || echo no)"
check "... writes no script" no "$([ -e "$game_dir/run.bat" ] && echo yes || echo no)"
check "... remembers no IP" "" "$(grep -i '^IP=' "$settings")"
check "... and Zerlin still runs though Close is on" yes \
    "$(kill -0 "$zerlin_pid" 2>/dev/null && echo yes || echo no)"

# Desert Combat is installed: "+game DC_Final"; Close then ends the program.
find_main_window >/dev/null
join_server 127.0.41.1
check "a Desert Combat server is joined with its mod" "$(expected 127.0.41.1 DC_Final)" "$(script_of 1)"
wait_for 10 sh -c "! kill -0 $zerlin_pid 2>/dev/null"
check "Close ends the program after that join" no \
    "$(kill -0 "$zerlin_pid" 2>/dev/null && echo yes || echo no)"
zerlin_pid=

sed -i 's/^Close=yes/Close=no/' "$settings"
start_zerlin
join_server 127.0.41.2
check "xpack1 passes the folder as spelt on disk" "$(expected 127.0.41.2 XPack1)" "$(script_of 2)"
join_server 127.0.41.4
check "the plain game's server gets the line of old" "$(expected 127.0.41.4)" "$(script_of 3)"

if [ "$failures" -ne 0 ]; then
    echo "--- zerlin output"; cat "$work/zerlin.log"
fi
echo "$passes passed, $failures failed"
[ "$failures" -eq 0 ]
