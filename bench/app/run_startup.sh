#!/usr/bin/env bash
# Start-up of the program against a bare six-tab Qt window, in one run on one display, whole
# processes started alternately N times each (in turns bare first, program first, so that neither
# always follows the other). Reports the medians of
#   - start to first paint: from the moment the process is started to the end of the window's
#     first paint (the figure the program is held to),
#   - the whole run: the same, up to the end of the process (closing included), for reference,
#   - peak memory,
# and the ratios of program to bare window.
#   bench/app/run_startup.sh [BUILD_DIR] [N]      (starts its own virtual display when needed)
set -euo pipefail
build=${1:-build-tests}
runs=${2:-40}
if [ -z "${DISPLAY:-}" ]; then
    exec xvfb-run -a -s '-screen 0 1024x768x24' "$0" "$build" "$runs"
fi
data=$(mktemp -d)
trap 'rm -rf "$data"' EXIT
export XDG_DATA_HOME="$data" XDG_RUNTIME_DIR="$data/runtime"
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"

now_us() { local t=$EPOCHREALTIME; echo "${t/[.,]/}"; }
measure() { # prints "paint-µs whole-µs peak-kB"
    local start end report painted peak
    start=$(now_us)
    report=$("$1" 2>&1 >/dev/null)
    end=$(now_us)
    painted=$(sed -n 's/^painted \([0-9]*\).*/\1/p' <<<"$report")
    peak=$(sed -n 's/^peak \([0-9]*\).*/\1/p' <<<"$report")
    echo "$(( painted / 1000 - start )) $(( end - start )) $peak"
}
median() { sort -n | awk '{a[NR]=$1} END {print (NR % 2) ? a[(NR+1)/2] : (a[NR/2] + a[NR/2+1]) / 2}'; }

"$build/bench/app/startup_tallimo" 2>/dev/null || true   # first start makes the data folder
declare -A samples
for run in $(seq "$runs"); do
    order="bare tallimo"; (( run % 2 )) || order="tallimo bare"
    for who in $order; do
        read -r p w m < <(measure "$build/bench/app/startup_$who")
        samples[$who.paint]+="$p "; samples[$who.whole]+="$w "; samples[$who.memory]+="$m "
    done
done
med() { tr ' ' '\n' <<<"${samples[$1]}" | grep . | median; }
awk -v bp="$(med bare.paint)" -v ap="$(med tallimo.paint)" -v bw="$(med bare.whole)" -v aw="$(med tallimo.whole)" \
    -v bm="$(med bare.memory)" -v am="$(med tallimo.memory)" -v n="$runs" 'BEGIN {
    printf "medians of %d starts        bare six tabs   program   ratio\n", n
    printf "start to first paint        %8.1f ms  %6.1f ms   %.2f\n", bp/1000, ap/1000, ap/bp
    printf "whole run, closing included %8.1f ms  %6.1f ms   %.2f\n", bw/1000, aw/1000, aw/bw
    printf "peak memory                 %8.1f MB  %6.1f MB   %.2f\n", bm/1024, am/1024, am/bm
}'
