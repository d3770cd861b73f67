#!/usr/bin/env bash
# The links a web page could hand the built program to make its launch script run a command of
# its own: with AutoJoin, Close and SaveIP all on, each is refused. Under Xvfb every copy shows
# its message before its main window, while the interpreter (a stand-in `wine` first on PATH)
# is never started, no script is written in the game's folder or in the temporary folder, and
# the settings file keeps every byte; after OK, the main window appears, as after a join that
# did not end the program. A safe link in the same set-up then joins and ends the program,
# which shows that the stand-in would have seen a start.
# Usage: injection_test.sh <path of the built zerlin>
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/../lib/testlib.sh"

zerlin="$(cd "$(dirname "$1")" && pwd)/$(basename "$1")"
work="$(mktemp -d)"
tmp=$work
trap clean_up EXIT

make_wine_prefix "$tmp" $'not the game\n'
mkdir -p "$tmp/home" "$tmp/temp" "$tmp/runtime"
chmod 700 "$tmp/runtime"
cat >"$tmp/config/zerlin/settings.ini" <<EOF
[Options]
AutoJoin=yes
Close=yes
SaveIP=yes

[Sti]
Sti=$game_dir/BF1942.exe
EOF
cp "$tmp/config/zerlin/settings.ini" "$tmp/settings.before"
cat >"$tmp/bin/wine" <<EOF
#!/bin/sh
printf '%s\n' "\$@" >>"$tmp/wine.started"
cat run.bat >>"$tmp/wine.started" 2>/dev/null
EOF
chmod +x "$tmp/bin/wine"

for tool in Xvfb xdpyinfo xdotool; do
    command -v "$tool" >/dev/null || fail "$tool is not installed"
done
start_xvfb "$tmp" || fail "Xvfb did not start: $(cat "$tmp/xvfb.log")"
export DISPLAY="$xvfb_display"

# Run in the background only: it becomes the program, so that $! is the program's own id.
run_zerlin() {  # run_zerlin <word>...: the link as the desktop hands it over
    exec env HOME="$tmp/home" XDG_CONFIG_HOME="$tmp/config" XDG_RUNTIME_DIR="$tmp/runtime" \
        TMPDIR="$tmp/temp" PATH="$tmp/bin:$PATH" QT_QPA_PLATFORM=xcb "$zerlin" "$@"
}

long_plain="$(head -c 9000 /dev/zero | tr '\0' 'a') del x"
long_port="$(head -c 300 /dev/zero | tr '\0' '1')"
# An argument may not exceed 128 KiB.
huge="$(head -c 60000 /dev/zero | tr '\0' '7')"
links=(
    "zerlin:10.0.0.1&calc:14567"
    "zerlin:10.0.0.1:14567&calc"
    "zerlin:10.0.0.1|calc:14567"
    "zerlin:%COMSPEC%:14567"
    "zerlin:10.0.0.1%26calc:14567"
    "zerlin:!PATH!:14567"
    "zerlin:10.0.0.1^&calc:14567"
    "zerlin:10.0.0.1\" & calc & \":14567"
    "zerlin:10.0.0.1'&calc:14567"
    "zerlin:10.0.0.1>x.bat:14567"
    $'zerlin:10.0.0.1\ncalc:14567'
    $'zerlin:10.0.0.1:14567\r\ncalc'
    $'zerlin:10.0.0.1\xef\xbc\x86calc:14567'
    "zerlin:$long_plain:14567"
    "zerlin:10.0.0.1:$long_port"
    "zerlin:$huge:$huge"
)
names=()
zerlins=()
for link in "${links[@]}"; do
    names+=("$(printf '%q' "$link" | cut -c1-50)")
    run_zerlin "$link" >>"$tmp/zerlin.log" 2>&1 &
    zerlins+=($!)
done
# The same link split into words, as a desktop may pass an unquoted one.
names+=("zerlin:10.0.0.1 & calc:14567, as three words")
run_zerlin "zerlin:10.0.0.1" "&" "calc:14567" >>"$tmp/zerlin.log" 2>&1 &
zerlins+=($!)
stop_at_end "${zerlins[@]}"

# Each copy's first window is its message, titled with the program's name alone.
messages=()
for i in "${!zerlins[@]}"; do
    pid=${zerlins[$i]}
    box=$(timeout 40 xdotool search --all --sync --onlyvisible --pid "$pid" --name '^Zerlin$' |
        head -n 1) || true
    if [ -z "$box" ]; then
        kill -0 "$pid" 2>/dev/null || names[$i]="${names[$i]} (the program had ended)"
        fail "${names[$i]}: no message was shown; output: $(head -c 2000 "$tmp/zerlin.log")"
    fi
    if xdotool search --all --onlyvisible --pid "$pid" --name '^Zerlin 2\.48$' >/dev/null; then
        fail "${names[$i]}: the main window was shown before the message was answered"
    fi
    messages+=("$box")
done

[ ! -e "$tmp/wine.started" ] || fail "the interpreter was started: $(head -c 300 "$tmp/wine.started")"
[ "$(ls -A "$game_dir")" = "BF1942.exe" ] || fail "the game folder holds: $(ls -A "$game_dir")"
[ -z "$(ls -A "$tmp/temp")" ] || fail "the temporary folder holds: $(ls -A "$tmp/temp")"
cmp -s "$tmp/settings.before" "$tmp/config/zerlin/settings.ini" ||
    fail "the settings changed: $(cat "$tmp/config/zerlin/settings.ini")"

# OK on each message: the program goes on and shows its main window.
for i in "${!zerlins[@]}"; do
    xdotool windowfocus --sync "${messages[$i]}" key Return
    window=$(timeout 40 xdotool search --all --sync --onlyvisible \
        --pid "${zerlins[$i]}" --name '^Zerlin 2\.48$' | head -n 1) || true
    [ -n "$window" ] || fail "${names[$i]}: no main window after the message"
done
[ ! -e "$tmp/wine.started" ] || fail "the interpreter was started: $(head -c 300 "$tmp/wine.started")"
for pid in "${zerlins[@]}"; do
    kill "$pid"
done

# The same set-up with a safe link: the join starts the interpreter and ends the program.
status=0
env HOME="$tmp/home" XDG_CONFIG_HOME="$tmp/config" XDG_RUNTIME_DIR="$tmp/runtime" \
    TMPDIR="$tmp/temp" PATH="$tmp/bin:$PATH" QT_QPA_PLATFORM=offscreen \
    timeout 60 "$zerlin" "zerlin:10.0.0.1:14567" >"$tmp/safe.log" 2>&1 || status=$?
[ "$status" -eq 0 ] || fail "a safe link ended with status $status: $(cat "$tmp/safe.log")"
for _ in $(seq 100); do
    grep -q "isInternet" "$tmp/wine.started" 2>/dev/null && break
    sleep 0.1
done
grep -q "+joinServer 10.0.0.1:14567 +isInternet 1" "$tmp/wine.started" ||
    fail "the safe link did not start the game: $(cat "$tmp/wine.started" 2>/dev/null)"
grep -qx "IP=10.0.0.1" "$tmp/config/zerlin/settings.ini" ||
    fail "the safe link's server was not remembered: $(cat "$tmp/config/zerlin/settings.ini")"

echo "PASS: ${#zerlins[@]} links refused, each program going on to its window; a safe link joined"
