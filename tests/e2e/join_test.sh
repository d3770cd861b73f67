#!/bin/bash
# Joins a server from the real window as a user would, under Xvfb, with a stand-in for wine
# first on PATH; checks how the interpreter was started, what script it read, and that the
# script is gone afterwards, also when the interpreter reads it only after three seconds.
set -u
zerlin=$(realpath "${1:?usage: join_test.sh <zerlin>}")
here=$(cd "$(dirname "$0")" && pwd)
source "$(dirname "${BASH_SOURCE[0]}")/../lib/testlib.sh"

need_tools Xvfb xdpyinfo xdotool

work=$(mktemp -d)
zerlin_pid=
trap clean_up EXIT



# A Wine prefix holding the game, and the settings naming the game's path.
make_wine_prefix "$work"
mkdir -p "$work/stand-in"
printf '[Sti]\nSti=%s\n' "$game_dir/BF1942.exe" >"$work/config/zerlin/settings.ini"
cp "$here/stand_in_wine.sh" "$work/bin/wine"
chmod +x "$work/bin/wine"

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

expected_script() {
    printf 'BF1942.exe +restart 1 +joinServer %s:%s +isInternet 1\r\nexit\r\n' "$1" "$2"
}

join_and_check() {  # join_and_check <run> <delay> <ip> <port>
    local run=$1 delay=$2 ip=$3 port=$4 out="$work/stand-in/run$1"
    echo "$delay" >"$work/stand-in/delay"
    type_into 300 73 "$ip"     # the IP box
    type_into 460 73 "$port"   # the port box
    click_at 455 240           # the word JOIN
    if [ "$delay" -gt 1 ]; then
        # The clean-up tick is past, yet the interpreter has not read the script.
        sleep 2
        check "run $run: script kept until the interpreter read it" yes \
            "$([ -f "$game_dir/run.bat" ] && echo yes || echo no)"
    fi
    wait_for $((delay + 10)) test -e "$out.done" || { echo "FAIL: run $run: wine never ran"; failures=$((failures + 1)); return; }
    check "run $run: arguments" "$(printf 'cmd\n/c\nrun.bat')" "$(cat "$out.args")"
    check "run $run: working directory" "$game_dir" "$(cat "$out.pwd")"
    check "run $run: WINEPREFIX" "$prefix" "$(cat "$out.prefix")"
    check "run $run: script bytes" "$(expected_script "$ip" "$port" | od -An -c)" \
        "$( [ -f "$out.script" ] && od -An -c "$out.script" || echo '<not read>')"
    wait_for 5 test ! -e "$game_dir/run.bat"
    check "run $run: script removed afterwards" no \
        "$([ -e "$game_dir/run.bat" ] && echo yes || echo no)"
}

join_and_check 1 0 127.0.0.1 14567
join_and_check 2 3 127.0.0.5 16567

check "zerlin still running after the joins" yes "$(kill -0 "$zerlin_pid" 2>/dev/null && echo yes || echo no)"
if [ "$failures" -ne 0 ]; then
    echo "--- zerlin output"; cat "$work/zerlin.log"
fi
echo "$passes passed, $failures failed"
[ "$failures" -eq 0 ]
