#!/usr/bin/env bash
# Which Wine starts the game: from a "zerlin:" link with AutoJoin and Close on, the built program
# runs the wine named in settings.ini, else the Lutris game's Wine build, else wine on PATH, with
# the Lutris game's prefix and variables. Stand-in wine programs record how they were started.
# Usage: wine_choice_test.sh <path of the built zerlin>
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/../lib/testlib.sh"

zerlin="$(cd "$(dirname "$1")" && pwd)/$(basename "$1")"
tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT

home="$tmp/home"
lutris="$home/.local/share/lutris"
record="$tmp/record"
mkdir -p "$tmp/bin" "$tmp/chosen" "$home/.config/zerlin" "$lutris/games" "$home/.config/lutris/games"

stand_in() {  # stand_in <path>: a wine that records its name, arguments, folder and variables
    mkdir -p "$(dirname "$1")"
    cat >"$1" <<EOF
#!/bin/sh
mkdir -p "$record"
printf '%s\n' "\$0" >"$record/program"
printf '%s\n' "\$@" >"$record/args"
pwd >"$record/cwd"
printf '%s' "\${WINEPREFIX-<unset>}" >"$record/prefix"
env | grep -E '^(DXVK_HUD|LUTRIS_VAR)=' | sort >"$record/vars"
touch "$record/done"
EOF
    chmod +x "$1"
}
stand_in "$tmp/bin/wine"
stand_in "$tmp/chosen/wine"
stand_in "$lutris/runners/wine/lutris-7.2-x86_64/bin/wine"
stand_in "$lutris/runners/wine/lutris-default/bin/wine"
printf 'wine:\n  version: lutris-default\n' >"$lutris/runners/wine.yml"

game_in() {  # game_in <prefix>: a Wine prefix holding the game; prints the game's path
    mkdir -p "$1/drive_c/Games/BF1942"
    : >"$1/system.reg"
    echo "not the game" >"$1/drive_c/Games/BF1942/BF1942.exe"
    echo "$1/drive_c/Games/BF1942/BF1942.exe"
}
own=$(game_in "$home/Games/own")          # its own Wine build, its prefix written with ~
default=$(game_in "$home/Games/default")  # Lutris's default build, its prefix with $HOME
missing=$(game_in "$home/Games/missing")  # a build that is not installed, in the older folder
broken=$(game_in "$tmp/broken")           # only a garbled Lutris file mentions it
cat >"$lutris/games/own-1.yml" <<'EOF'
game:
  exe: drive_c/Games/BF1942/BF1942.exe
  prefix: ~/Games/own
system:
  env:
    DXVK_HUD: fps
    LUTRIS_VAR: own game
    WINEPREFIX: /somewhere/else
wine:
  version: lutris-7.2-x86_64
EOF
cat >"$lutris/games/default-2.yml" <<'EOF'
game:
  exe: $HOME/Games/default/drive_c/Games/BF1942/BF1942.exe
  prefix: $HOME/Games/default
system:
  env:
    LUTRIS_VAR: default game
EOF
printf 'game:\n  prefix: %s\n  exe: [drive_c/Games\nwine: {version: lutris-7.2-x86_64\n' \
    "$tmp/broken" >"$lutris/games/broken-3.yml"
cat >"$home/.config/lutris/games/missing-4.yml" <<'EOF'
game:
  prefix: ~/Games/missing
system:
  env:
    LUTRIS_VAR: missing build
wine:
  version: lutris-0.1-gone
EOF

# join <case> <game> <settings' Wine Path> <program> <WINEPREFIX> <variables>
join() {
    local name=$1 game=$2 chosen=$3 program=$4 prefix=$5 vars=$6 status=0
    rm -rf "$record"
    printf '[Options]\nAutoJoin=yes\nClose=yes\n\n[Sti]\nSti=%s\n\n[Wine]\nPath=%s\n' \
        "$game" "$chosen" >"$home/.config/zerlin/settings.ini"
    env -u XDG_DATA_HOME -u WINEPREFIX -u DXVK_HUD -u LUTRIS_VAR HOME="$home" \
        XDG_CONFIG_HOME="$home/.config" PATH="$tmp/bin:$PATH" QT_QPA_PLATFORM=offscreen \
        timeout 20 "$zerlin" "zerlin:127.0.0.1:14567" >"$tmp/out.log" 2>&1 || status=$?
    check "$name: zerlin's exit status" 0 "$status"
    if ! wait_for 10 test -e "$record/done"; then
        check "$name: a wine was started" yes no
        cat "$tmp/out.log"
        return
    fi
    check "$name: wine" "$program" "$(cat "$record/program")"
    check "$name: arguments" "$(printf 'cmd\n/c\nrun.bat')" "$(cat "$record/args")"
    check "$name: working folder" "$(dirname "$game")" "$(cat "$record/cwd")"
    check "$name: WINEPREFIX" "$prefix" "$(cat "$record/prefix")"
    check "$name: variables" "$vars" "$(cat "$record/vars")"
}

join "Lutris game's own build" "$own" "" "$lutris/runners/wine/lutris-7.2-x86_64/bin/wine" \
    "$home/Games/own" "$(printf 'DXVK_HUD=fps\nLUTRIS_VAR=own game')"
join "Lutris default build" "$default" "" "$lutris/runners/wine/lutris-default/bin/wine" \
    "$home/Games/default" "LUTRIS_VAR=default game"
join "settings' wine, Lutris prefix" "$own" "$tmp/chosen/wine" "$tmp/chosen/wine" \
    "$home/Games/own" "$(printf 'DXVK_HUD=fps\nLUTRIS_VAR=own game')"
join "garbled Lutris file" "$broken" "" "$tmp/bin/wine" "$tmp/broken" ""
join "Lutris build not installed" "$missing" "" "$tmp/bin/wine" "$home/Games/missing" \
    "LUTRIS_VAR=missing build"

echo "$passes passed, $failures failed"
[ "$failures" -eq 0 ]
