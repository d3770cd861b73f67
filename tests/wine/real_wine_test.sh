#!/bin/bash
# Joins a server through Debian's real Wine, with a stand-in BF1942.exe that records how it was
# started, in a Wine prefix made for the test and stopped before each join, so that the join
# meets a cold start of Wine:
#   1. from the real window under Xvfb, typing the IP and port and clicking JOIN, with the
#      environment's WINEPREFIX naming another prefix;
#   2. again, with a folder named run.bat in the game's folder, so that the script goes to the
#      temporary folder (whose name holds a space) and is run from there through drive Z:;
#   3. from a "zerlin:" link with AutoJoin and Close on, with WINEPREFIX unset;
#   4. from the link again, as a game installed with Lutris: no wine on PATH, the Lutris game's
#      file names the prefix and a Wine build under Lutris's runner folder, which is Debian's
#      Wine linked there, and the environment's WINEPREFIX names another prefix.
# The game lies where its installer puts it, in a folder whose names hold spaces.
# Each time the game must have been started with exactly the join's options, inside the test's
# prefix (so WINEPREFIX was found from the game's path), and the interpreter must have ended.
# Usage: real_wine_test.sh <zerlin> <stand-in BF1942.exe>
set -u
source "$(dirname "${BASH_SOURCE[0]}")/../lib/testlib.sh"
zerlin=$(realpath "${1:?usage: real_wine_test.sh <zerlin> <BF1942.exe>}")
stand_in=$(realpath "${2:?usage: real_wine_test.sh <zerlin> <BF1942.exe>}")

for tool in wine wineboot wineserver Xvfb xdpyinfo xdotool; do
    command -v "$tool" >/dev/null || { echo "FAIL: $tool is not installed"; exit 1; }
done

work=$(mktemp -d)
prefix="$work/prefix"
decoy="$work/decoy-prefix"
game="$prefix/drive_c/Program Files/EA GAMES/Battlefield 1942"
win_game='C:\Program Files\EA GAMES\Battlefield 1942'
temp="$work/temp folder"
xvfb_pid=
zerlin_pid=
cleanup() {
    [ -n "$zerlin_pid" ] && kill "$zerlin_pid" 2>/dev/null
    for p in "$prefix" "$decoy" "$work/home/.wine"; do
        [ -d "$p" ] && WINEPREFIX="$p" wineserver -k 2>/dev/null
    done
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
    wait 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

give_up() {
    echo "FAIL: $*"
    for log in "$work"/*.log; do
        [ -s "$log" ] && { echo "--- $(basename "$log")"; tail -n 40 "$log"; }
    done
    echo "$passes passed, $((failures + 1)) failed"
    exit 1
}

exists() { [ -e "$1" ] && echo yes || echo no; }
no_script_in() { ! compgen -G "$1/*.bat" >/dev/null; }

start_xvfb "$work" || give_up "Xvfb did not start"
export DISPLAY="$xvfb_display"
export HOME="$work/home" XDG_CONFIG_HOME="$work/config"
mkdir -p "$HOME" "$XDG_CONFIG_HOME/zerlin" "$temp"
unset QT_QPA_PLATFORM WINEDLLOVERRIDES WINEARCH
# The servers joined here are not on this machine: no status query may go to them.
export ZERLIN_STATUS_LOOPBACK_ONLY=1

# The prefix, made without the Mono and Gecko installers, which would wait for an answer.
started=$SECONDS
WINEPREFIX="$prefix" WINEDLLOVERRIDES="mscoree,mshtml=" timeout 300 wineboot -i \
    >"$work/wineboot.log" 2>&1 || give_up "wineboot -i failed"
WINEPREFIX="$prefix" timeout 60 wineserver -w
[ -f "$prefix/system.reg" ] && [ -d "$prefix/drive_c" ] || give_up "wineboot made no prefix"
echo "note: the prefix took $((SECONDS - started)) s"
mkdir -p "$game"
cp "$stand_in" "$game/BF1942.exe"

# Stops every Wine process of the prefix, so that the next join starts Wine from cold.
stop_wine() {
    WINEPREFIX="$prefix" wineserver -k 2>/dev/null
    WINEPREFIX="$prefix" timeout 30 wineserver -w 2>/dev/null || give_up "Wine did not stop"
}

expected_args="+restart 1 +joinServer 10.0.0.1:14567 +isInternet 1"
# check_game <run> <second the join started> <zerlin's log> <runs in that log>: what the game
# recorded, and how Wine ended.
check_game() {
    local run=$1
    if ! wait_for 120 test -e "$game/args.txt"; then
        echo "FAIL: $run: the game was not started within 120 s"
        failures=$((failures + 1))
        return 1
    fi
    echo "note: $run: the game started $((SECONDS - $2)) s after the join"
    check "$run: the game's arguments" "$expected_args" "$(cat "$game/args.txt")"
    # Run from the test's prefix, not through drive Z: of another one.
    check "$run: the game ran in the prefix that holds it" \
        "$(printf '%s\\BF1942.exe\n%s' "$win_game" "$win_game")" "$(tr -d '\r' <"$game/where.txt")"
    check "$run: no other prefix was made or used" "no no" \
        "$(exists "$decoy") $(exists "$HOME/.wine")"
    # Wine's processes end once the interpreter read "exit" and the game ended.
    if WINEPREFIX="$prefix" timeout 60 wineserver -w; then
        check "$run: the interpreter ended" yes yes
    else
        check "$run: the interpreter ended" yes no
    fi
    # The interpreter echoes each line that it runs: the script was not deleted under it.
    check "$run: the interpreter ran the script's last line" "$4" \
        "$(grep -cF "$win_game>exit" "$3")"
}

# 1. From the window: type the server, click JOIN.
printf '[Sti]\nSti=%s\n' "$game/BF1942.exe" >"$XDG_CONFIG_HOME/zerlin/settings.ini"
stop_wine
TMPDIR="$temp" WINEPREFIX="$decoy" "$zerlin" >"$work/zerlin-window.log" 2>&1 &
zerlin_pid=$!
find_main_window || give_up "the main window did not appear"
type_into 300 73 10.0.0.1  # the IP box
type_into 460 73 14567     # the port box
joined=$SECONDS
click_at 455 240           # the word JOIN
check_game "window" "$joined" "$work/zerlin-window.log" 1
wait_for 70 test ! -e "$game/run.bat"
check "window: run.bat removed afterwards" no "$(exists "$game/run.bat")"

# 2. The game's folder takes no run.bat.
rm -f "$game/args.txt" "$game/where.txt"
mkdir "$game/run.bat"
stop_wine
joined=$SECONDS
click_at 455 240
check_game "temporary folder" "$joined" "$work/zerlin-window.log" 2
# Qt and Wine keep folders of their own there.
wait_for 70 no_script_in "$temp"
check "temporary folder: the script removed afterwards" "" "$(cd "$temp" && ls -d ./*.bat 2>/dev/null)"
rmdir "$game/run.bat"
check "window: zerlin still running after the joins" yes \
    "$(kill -0 "$zerlin_pid" 2>/dev/null && echo yes || echo no)"
kill "$zerlin_pid" 2>/dev/null
wait "$zerlin_pid" 2>/dev/null
zerlin_pid=

# 3. From a link, joined at once, and Zerlin ends by itself.
rm -f "$game/args.txt" "$game/where.txt"
printf '[Options]\nAutoJoin=yes\nClose=yes\n\n[Sti]\nSti=%s\n' "$game/BF1942.exe" \
    >"$XDG_CONFIG_HOME/zerlin/settings.ini"
stop_wine
joined=$SECONDS
status=0
(unset WINEPREFIX && exec timeout 30 "$zerlin" "zerlin:10.0.0.1:14567") \
    >"$work/zerlin-link.log" 2>&1 || status=$?
check "link: zerlin's exit status" 0 "$status"
check_game "link" "$joined" "$work/zerlin-link.log" 1

# 4. Through Lutris. Debian's loaders find their libraries and wineserver beside their real
# paths, so links to them make a runner folder.
runner="$HOME/.local/share/lutris/runners/wine/debian-system/bin"
mkdir -p "$runner" "$HOME/.local/share/lutris/games" "$work/no-wine"
for program in wine wine64 wineserver; do
    ln -s "/usr/lib/wine/$program" "$runner/$program"
done
# Where no 32-bit program runs, the runner's wine is the 64-bit loader (see tools/ci-wine).
if ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
    rm "$runner/wine"
    printf '#!/bin/sh\nexec /usr/lib/wine/wine64 "$@"\n' >"$runner/wine"
    chmod +x "$runner/wine"
fi
printf 'game:\n  exe: %s\n  prefix: %s\nwine:\n  version: debian-system\n' \
    "$game/BF1942.exe" "$prefix" >"$HOME/.local/share/lutris/games/battlefield-1942-1.yml"
rm -f "$game/args.txt" "$game/where.txt"
stop_wine
joined=$SECONDS
status=0
timeout=$(command -v timeout)
(export PATH="$work/no-wine" WINEPREFIX="$decoy" &&
    ! command -v wine >/dev/null && exec "$timeout" 30 "$zerlin" "zerlin:10.0.0.1:14567") \
    >"$work/zerlin-lutris.log" 2>&1 || status=$?
check "Lutris: zerlin's exit status" 0 "$status"
check_game "Lutris" "$joined" "$work/zerlin-lutris.log" 1

if [ "$failures" -ne 0 ]; then
    for log in "$work"/zerlin-*.log; do
        echo "--- $(basename "$log")"
        tail -n 40 "$log"
    done
fi
echo "$passes passed, $failures failed"
[ "$failures" -eq 0 ]
