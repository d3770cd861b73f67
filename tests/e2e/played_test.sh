#!/usr/bin/env bash
# The servers played recently, through the built program: three "zerlin:" links with AutoJoin
# and Close on start the game each and are remembered in the state folder, newest first; a
# join of a server again moves it to the top with its IP however typed; a link in the file's
# place is replaced, never written through.
# Usage: played_test.sh <path of the built zerlin>
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/../lib/testlib.sh"

zerlin="$(cd "$(dirname "$1")" && pwd)/$(basename "$1")"
tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT

make_wine_prefix "$tmp" $'not the game\n'
mkdir -p "$tmp/home" "$tmp/state"
cat >"$tmp/config/zerlin/settings.ini" <<EOF
[Options]
AutoJoin=yes
Close=yes

[Sti]
Sti=$game_dir/BF1942.exe
EOF
printf '#!/bin/sh\n' >"$tmp/bin/wine"
chmod +x "$tmp/bin/wine"
played="$tmp/state/zerlin/played.json"

join() {  # join <link>: the program starts the game and ends by itself
    local status=0
    env HOME="$tmp/home" XDG_CONFIG_HOME="$tmp/config" XDG_STATE_HOME="$tmp/state" \
        PATH="$tmp/bin:$PATH" QT_QPA_PLATFORM=offscreen timeout 20 "$zerlin" "$1" \
        >"$tmp/out.log" 2>&1 || status=$?
    [ "$status" -eq 0 ] || fail "zerlin $1 ended with status $status: $(cat "$tmp/out.log")"
}
# The servers of the file, "ip:port" newest first.
servers() {
    python3 -c 'import json,sys
print(" ".join(s["ip"] + ":" + str(s["port"]) for s in json.load(open(sys.argv[1]))["servers"]))' "$1"
}

join "zerlin:10.0.0.1:14567"
join "zerlin:10.0.0.2:14567"
join "zerlin:bf.example.org:14600"
[ "$(servers "$played")" = "bf.example.org:14600 10.0.0.2:14567 10.0.0.1:14567" ] ||
    fail "after three joins: $(servers "$played")"
join "zerlin:BF.Example.ORG:14600"
join "zerlin:10.0.0.1:14567"
[ "$(servers "$played")" = "10.0.0.1:14567 BF.Example.ORG:14600 10.0.0.2:14567" ] ||
    fail "after joining two again: $(servers "$played")"
python3 -c 'import json,sys,time
s = json.load(open(sys.argv[1]))["servers"][0]
assert abs(s["time"] - time.time()) < 60, s' "$played" || fail "the time of the join"

# A link in its place: replaced by a file of the program's own, its target untouched.
printf 'keep' >"$tmp/target"
rm "$played"
ln -s "$tmp/target" "$played"
join "zerlin:10.0.0.3:14567"
[ ! -L "$played" ] || fail "the link is still there"
[ "$(cat "$tmp/target")" = keep ] || fail "the link's target was written"
[ "$(servers "$played")" = "10.0.0.3:14567" ] || fail "after the link: $(servers "$played")"

echo PASS
