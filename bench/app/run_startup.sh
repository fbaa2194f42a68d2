#!/usr/bin/env bash
# Start-up of the program against a bare six-tab Qt window, in one run on one display, whole
# processes started in turns N times each (the order rotates every run, so that none always
# follows another). Reports the medians of
#   - start to first paint: from the moment the process is started to the end of the window's
#     first paint (the figure the program is held to),
#   - the whole run: the same, up to the end of the process (closing included), for reference,
#   - peak memory,
# the ratios of program to bare window, and the run-to-run noise of each median (half the
# distance between the medians of the odd and of the even runs). Each further program is also
# compared with the program start by start: the median of the differences within one turn, which
# a machine whose load comes and goes disturbs far less than the medians themselves.
#   bench/app/run_startup.sh [BUILD_DIR] [N] [NAME=PROGRAM ...]
# Further programs (other builds of the start-up benchmark, say) join the same run under their
# names, each compared with the bare window and with the program. Starts its own virtual
# display when needed.
set -euo pipefail
build=${1:-build-tests}
runs=${2:-40}
if [ -z "${DISPLAY:-}" ]; then
    exec xvfb-run -a -s '-screen 0 1024x768x24' "$0" "$@"
fi
data=$(mktemp -d)
trap 'rm -rf "$data"' EXIT
export XDG_DATA_HOME="$data" XDG_RUNTIME_DIR="$data/runtime"
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"

declare -A program=([bare]="$build/bench/app/startup_bare" [tallimo]="$build/bench/app/startup_tallimo")
names=(bare tallimo)
for extra in "${@:3}"; do
    names+=("${extra%%=*}")
    program[${extra%%=*}]=${extra#*=}
done

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

"${program[tallimo]}" 2>/dev/null || true   # first start makes the data folder
declare -A samples paint
count=${#names[@]}
for run in $(seq "$runs"); do
    for i in $(seq 0 $(( count - 1 ))); do
        who=${names[$(( (i + run) % count ))]}
        read -r p w m < <(measure "${program[$who]}")
        parity=$(( run % 2 ))
        samples[$who.paint]+="$p "; samples[$who.whole]+="$w "; samples[$who.memory]+="$m "
        samples[$who.paint.$parity]+="$p "
        paint[$who]=$p
    done
    for who in "${names[@]:2}"; do
        difference=$(( paint[$who] - paint[tallimo] ))
        samples[$who.diff]+="$difference "; samples[$who.diff.$(( run % 2 ))]+="$difference "
    done
done
med() { tr ' ' '\n' <<<"${samples[$1]}" | grep . | median; }
printf 'medians of %d starts          start to first paint (noise)   whole run   peak memory   paint ratio to bare / to program\n' "$runs"
for who in "${names[@]}"; do
    awk -v name="$who" -v p="$(med "$who.paint")" -v p0="$(med "$who.paint.0")" -v p1="$(med "$who.paint.1")" \
        -v w="$(med "$who.whole")" -v m="$(med "$who.memory")" -v bare="$(med bare.paint)" -v prog="$(med tallimo.paint)" 'BEGIN {
        noise = (p0 > p1 ? p0 - p1 : p1 - p0) / 2
        printf "%-28s %9.1f ms (±%4.1f)        %7.1f ms   %7.1f MB    %5.3f / %5.3f\n", name, p/1000, noise/1000, w/1000, m/1024, p/bare, p/prog
    }'
done
if [ ${#names[@]} -gt 2 ]; then
    printf '\nstart by start against the program   median difference in start to first paint (noise)\n'
    for who in "${names[@]:2}"; do
        awk -v name="$who" -v d="$(med "$who.diff")" -v d0="$(med "$who.diff.0")" -v d1="$(med "$who.diff.1")" 'BEGIN {
            noise = (d0 > d1 ? d0 - d1 : d1 - d0) / 2
            printf "%-36s %+7.1f ms (±%4.1f)\n", name, d/1000, noise/1000
        }'
    done
fi
