#!/usr/bin/env bash
# The program started where there is no graphical desktop: one plain line on the error output
# says so, nothing on the standard output, and the exit status is 1 (no abort).
# Usage: no_display_test.sh <path of the built zerlin>
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/../lib/testlib.sh"

zerlin=$(realpath "${1:?usage: no_display_test.sh <zerlin>}")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
line="zerlin: no graphical desktop was found (DISPLAY is not set or cannot be opened); Zerlin needs one to run."

# what | the environment changes | the arguments
while IFS='|' read -r what environment arguments; do
    # shellcheck disable=SC2086  # the changes and arguments are words of their own
    env -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM $environment HOME="$work" \
        XDG_CONFIG_HOME="$work/config" timeout 20 "$zerlin" $arguments >"$work/out" 2>"$work/err"
    status=$?
    check "$what: exit status" 1 "$status"
    check "$what: the error output" "$line" "$(cat "$work/err")"
    check "$what: one line" 1 "$(wc -l <"$work/err")"
    check "$what: nothing on the standard output" 0 "$(wc -c <"$work/out")"
    check "$what: no settings written" "" "$(ls -A "$work/config" 2>/dev/null)"
done <<'CASES'
DISPLAY unset|-u DISPLAY|
DISPLAY naming no server|DISPLAY=:9999|
a link to join and no DISPLAY|-u DISPLAY|zerlin:10.0.0.1:14567
CASES

echo "$passes passed, $failures failed"
[ "$failures" -eq 0 ]
