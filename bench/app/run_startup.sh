#!/usr/bin/env bash
# Start-up of the program against a bare six-tab Qt window, in one run on one display:
# whole processes from spawn to the first paint, alternating, N times each; medians, their
# ratio, and the peak memory of each.
#   bench/app/run_startup.sh [BUILD_DIR] [N]      (starts its own virtual display when needed)
set -euo pipefail
build=${1:-build-tests}
runs=${2:-20}
if [ -z "${DISPLAY:-}" ]; then
    exec xvfb-run -a -s '-screen 0 1024x768x24' "$0" "$build" "$runs"
fi
data=$(mktemp -d)
trap 'rm -rf "$data"' EXIT
export XDG_DATA_HOME="$data" XDG_RUNTIME_DIR="$data/runtime"
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"

measure() { # prints "milliseconds peak-kB"
    local start end peak
    start=$(date +%s%N)
    peak=$("$1" 2>&1 >/dev/null | sed -n 's/^peak \([0-9]*\).*/\1/p')
    end=$(date +%s%N)
    echo "$(( (end - start) / 1000 )) $peak"
}
median() { sort -n | awk '{a[NR]=$1} END {print (NR % 2) ? a[(NR+1)/2] : (a[NR/2] + a[NR/2+1]) / 2}'; }

"$build/bench/app/startup_tallimo" 2>/dev/null || true   # first start makes the data folder
bare_t=(); app_t=(); bare_m=(); app_m=()
for _ in $(seq "$runs"); do
    read -r t m < <(measure "$build/bench/app/startup_bare"); bare_t+=("$t"); bare_m+=("$m")
    read -r t m < <(measure "$build/bench/app/startup_tallimo"); app_t+=("$t"); app_m+=("$m")
done
bt=$(printf '%s\n' "${bare_t[@]}" | median); at=$(printf '%s\n' "${app_t[@]}" | median)
bm=$(printf '%s\n' "${bare_m[@]}" | median); am=$(printf '%s\n' "${app_m[@]}" | median)
awk -v bt="$bt" -v at="$at" -v bm="$bm" -v am="$am" -v n="$runs" 'BEGIN {
    printf "start to first paint (median of %d): bare six tabs %.1f ms, program %.1f ms, ratio %.2f\n", n, bt/1000, at/1000, at/bt
    printf "peak memory (median):            bare six tabs %.1f MB, program %.1f MB, ratio %.2f\n", bm/1024, am/1024, am/bm
}'
