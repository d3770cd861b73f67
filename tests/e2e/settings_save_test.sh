#!/usr/bin/env bash
# Settings saved through the real options window: a settings.ini that is a dangling link gets
# the file it names; one that cannot be saved (a link into a folder not there yet) brings up one
# plain message, however many switches are clicked, and the program goes on.
# Usage: settings_save_test.sh <path of the built zerlin>
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/../lib/testlib.sh"

zerlin=$(realpath "${1:?usage: settings_save_test.sh <zerlin>}")
need_tools Xvfb xdpyinfo xdotool xwininfo
work=$(mktemp -d)
zerlin_pid=
trap clean_up EXIT
start_xvfb "$work" || { echo "FAIL: Xvfb"; exit 1; }
export DISPLAY=$xvfb_display

# run_with_link <target of settings.ini>: starts Zerlin and opens its options window.
run_with_link() {
    rm -rf "$work/config" && mkdir -p "$work/config/zerlin" "$work/home"
    ln -s "$1" "$work/config/zerlin/settings.ini"
    HOME="$work/home" XDG_CONFIG_HOME="$work/config" "$zerlin" >"$work/zerlin.log" 2>&1 &
    zerlin_pid=$!
    stop_at_end "$zerlin_pid"
    find_main_window || exit 1
    click_at 392 236  # OPTIONS
    wait_for_window '^Options$' || exit 1
    read -r ox oy < <(xdotool getwindowgeometry --shell "$window" |
        awk -F= '/^X=/{x=$2} /^Y=/{y=$2} END{print x, y}')
}
switch() {  # switch <n>: clicks the options window's nth switch from the top
    xdotool mousemove "$((ox + 12))" "$((oy + 15 + 16 * ($1 - 1)))" click 1
    sleep 0.5
}
messages() {
    xdotool search --all --onlyvisible --pid "$zerlin_pid" --name '^Zerlin$' 2>/dev/null | wc -l
}
stop_zerlin() {
    kill "$zerlin_pid" 2>/dev/null
    wait "$zerlin_pid" 2>/dev/null
    zerlin_pid=
}

mkdir -p "$work/dotfiles"
run_with_link "$work/dotfiles/zerlin.ini"
switch 1
check "a dangling link gets the file it names" "[Options]|AutoJoin=yes|" \
    "$(tr '\n' '|' <"$work/dotfiles/zerlin.ini" 2>/dev/null)"
check "the link stays a link" yes "$([ -L "$work/config/zerlin/settings.ini" ] && echo yes)"
check "nothing is said when the save works" 0 "$(messages)"
stop_zerlin

run_with_link "$work/not-yet/zerlin.ini"
switch 1
window_patience=30
wait_for_window '^Zerlin$' --all --pid "$zerlin_pid" >/dev/null
check "a save that fails is said" 1 "$(messages)"
# OK, the button at the message's lower right.
read -r bx by bw bh < <(xdotool getwindowgeometry --shell "$window" |
    awk -F= '/^X=/{x=$2} /^Y=/{y=$2} /^WIDTH=/{w=$2} /^HEIGHT=/{h=$2} END{print x, y, w, h}')
xdotool mousemove "$((bx + bw - 50))" "$((by + bh - 22))" click 1
sleep 0.5
check "OK closes the message" 0 "$(messages)"
switch 3
switch 4
check "it is said once" 0 "$(messages)"
check "the program goes on" yes "$(kill -0 "$zerlin_pid" 2>/dev/null && echo yes)"
check "nothing was created" no "$([ -e "$work/not-yet" ] && echo yes || echo no)"
stop_zerlin

echo "$passes passed, $failures failed"
[ "$failures" -eq 0 ]
