#!/bin/bash
# Two copies of the program, started by two links at once with AutoJoin and Close on, join two
# servers through one game folder, with a stand-in for wine that reads its script only after
# three seconds, long after both copies ended: each game is started on its own server, and no
# script is missing.
set -u
zerlin=$(realpath "${1:?usage: two_copies_test.sh <zerlin>}")
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../lib/testlib.sh"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

prefix="$work/prefix"
game="$prefix/drive_c/Games/BF1942"
mkdir -p "$game" "$work/bin" "$work/config/zerlin" "$work/home" "$work/stand-in"
: >"$prefix/system.reg"
: >"$game/BF1942.exe"
printf '[Options]\nAutoJoin=yes\nClose=yes\n\n[Sti]\nSti=%s\n' "$game/BF1942.exe" \
    >"$work/config/zerlin/settings.ini"
cp "$here/stand_in_wine.sh" "$work/bin/wine"
chmod +x "$work/bin/wine"
echo 3 >"$work/stand-in/delay"

export HOME="$work/home" XDG_CONFIG_HOME="$work/config" STAND_IN_DIR="$work/stand-in"
export PATH="$work/bin:$PATH" QT_QPA_PLATFORM=offscreen
unset WINEPREFIX
# check_round <round> <first run>: the two runs of the stand-in from <first run> on ran one
# script each, of its own, and read both servers.
check_round() {
    local round=$1 run out named= read_scripts=
    wait_for 20 test -e "$work/stand-in/run$2.done" -a -e "$work/stand-in/run$(($2 + 1)).done"
    for run in "$2" "$(($2 + 1))"; do
        out="$work/stand-in/run$run"
        check "$round: run $run in the game's folder" "$game" "$(cat "$out.pwd" 2>/dev/null)"
        named+="$(sed -n 3p "$out.args" 2>/dev/null)"$'\n'
        if [ -f "$out.script" ]; then
            read_scripts+="$(tr -d '\r' <"$out.script" | head -n 1 | cut -d' ' -f5)"$'\n'
        else
            read_scripts+="<missing>"$'\n'
        fi
    done
    check "$round: each copy ran a script of its own" "$(printf 'run-2.bat\nrun.bat')" \
        "$(sed '/^$/d' <<<"$named" | sort)"
    check "$round: each game joined its own server" "$(printf '127.0.0.2:14567\n127.0.0.3:16567')" \
        "$(sed '/^$/d' <<<"$read_scripts" | sort)"
}

# 1. Both at once.
timeout 20 "$zerlin" zerlin:127.0.0.2:14567 >"$work/a.log" 2>&1 &
a=$!
timeout 20 "$zerlin" zerlin:127.0.0.3:16567 >"$work/b.log" 2>&1 &
b=$!
wait "$a"
check "at once: first copy ended by itself" 0 "$?"
wait "$b"
check "at once: second copy ended by itself" 0 "$?"
check_round "at once" 1

# 2. One after the other: the first copy has ended, but its interpreter has not read its script
# yet, which stays in use. The scripts of the first round, read, are replaced.
timeout 20 "$zerlin" zerlin:127.0.0.2:14567 >>"$work/a.log" 2>&1
check "in turn: first copy ended by itself" 0 "$?"
timeout 20 "$zerlin" zerlin:127.0.0.3:16567 >>"$work/b.log" 2>&1
check "in turn: second copy ended by itself" 0 "$?"
check_round "in turn" 3

if [ "$failures" -ne 0 ]; then
    echo "--- first copy"; cat "$work/a.log"
    echo "--- second copy"; cat "$work/b.log"
fi
echo "$passes passed, $failures failed"
[ "$failures" -eq 0 ]
