#!/bin/bash
# Stands in for wine in the join test: waits as long as the file "$STAND_IN_DIR/delay" says,
# then records how it was started and the script that it was asked to run, as the real
# interpreter would read it.
dir=${STAND_IN_DIR:?}
sleep "$(cat "$dir/delay" 2>/dev/null || echo 0)"
# Numbered in turn, also when several run at once.
exec {lock}>>"$dir/runs.lock"
flock "$lock"
run=$(( $(cat "$dir/runs" 2>/dev/null || echo 0) + 1 ))
echo "$run" >"$dir/runs"
flock -u "$lock"
exec {lock}>&-
out="$dir/run$run"
printf '%s\n' "$@" >"$out.args"
pwd >"$out.pwd"
printf '%s' "${WINEPREFIX-<unset>}" >"$out.prefix"
if cat "$3" >"$out.script.tmp" 2>/dev/null; then
    mv "$out.script.tmp" "$out.script"
else
    rm -f "$out.script.tmp"
    echo missing >"$out.script-missing"
fi
touch "$out.done"
