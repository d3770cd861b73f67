#!/usr/bin/env bash
# The main window on a screen scaled by Qt (QT_SCALE_FACTOR) under Xvfb: it keeps its size in
# its own units, and the artwork is drawn pixel for pixel from the rendering made for that
# scale, so that at 200 % it is as sharp as at 100 % (an upscaled 1x skin fails here).
# Usage: hidpi_test.sh <path of the built zerlin>
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/../lib/testlib.sh"

zerlin=$(realpath "${1:?usage: hidpi_test.sh <zerlin>}")
images="$(cd "$(dirname "$0")/../../resources/images" && pwd)"
need_tools Xvfb xdpyinfo xdotool xwininfo import compare convert
work=$(mktemp -d)
zerlin_pid=
trap clean_up EXIT

# differing <image> <reference> <fuzz>: how many pixels differ by more than the fuzz.
differing() {
    compare -metric AE -fuzz "$3" "$1" "$2" null: 2>&1 | cut -d' ' -f1
}

# scale | the suffix of the rendering drawn at it
while IFS='|' read -r scale suffix; do
    mkdir -p "$work/$scale"
    start_xvfb "$work" "$((800 * scale))x$((600 * scale))x24" || { echo "FAIL: Xvfb"; exit 1; }
    mkdir -p "$work/$scale/config" "$work/$scale/home"
    DISPLAY="$xvfb_display" QT_SCALE_FACTOR="$scale" HOME="$work/$scale/home" \
        XDG_CONFIG_HOME="$work/$scale/config" "$zerlin" >"$work/$scale/zerlin.log" 2>&1 &
    zerlin_pid=$!
    stop_at_end "$zerlin_pid"
    # Measured on Zerlin's window once it is mapped, never on the screen's root window.
    DISPLAY="$xvfb_display" wait_for_window '^Zerlin 2\.48$' || exit 1
    sleep 0.5  # the first paint
    shot="$work/$scale/window.png"
    DISPLAY="$xvfb_display" import -window "$window" "$shot"
    kill "$zerlin_pid" 2>/dev/null
    wait "$zerlin_pid" 2>/dev/null
    zerlin_pid=
    stop_xvfb

    s=$scale
    check "at scale $s the window is 514 x 260 units" "$((514 * s))x$((260 * s))" \
        "$(identify -format '%wx%h' "$shot")"
    # Above the list, right of the title: skin alone, "BF 1942" painted on it.
    crop="$((190 * s))x$((20 * s))+$((250 * s))+$((8 * s))"
    convert "$shot" -crop "$crop" +repage "$work/$scale/skin-shot.png"
    convert "$images/skin$suffix.png" -crop "$crop" +repage "$work/$scale/skin-art.png"
    check "at scale $s the skin is the ${suffix:-1x} rendering, pixel for pixel" 0 \
        "$(differing "$work/$scale/skin-shot.png" "$work/$scale/skin-art.png" 0)"
    # The QUIT picture at 456,6 over the skin, within rounding of the blend.
    crop="$((44 * s))x$((18 * s))+$((456 * s))+$((6 * s))"
    convert "$shot" -crop "$crop" +repage "$work/$scale/quit-shot.png"
    convert "$images/skin$suffix.png" -crop "$crop" +repage "$images/quit$suffix.png" \
        -composite "$work/$scale/quit-art.png"
    check "at scale $s QUIT is the ${suffix:-1x} rendering" 0 \
        "$(differing "$work/$scale/quit-shot.png" "$work/$scale/quit-art.png" 3%)"
done <<'TABLE'
1|
2|@2x
TABLE

echo "$passes passed, $failures failed"
[ "$failures" -eq 0 ]
