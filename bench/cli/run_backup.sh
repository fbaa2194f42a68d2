#!/usr/bin/env bash
# A copy of the three tables by `tallimo-cli backup --to` against the sqlite3 shell's own
# `.backup` of the same three files, on a generated folder of N players, in one run: whole
# processes, alternately, R times each. Reports the medians, the ratio of the two, and the peak
# memory of each.
#   bench/cli/run_backup.sh [BUILD_DIR] [PLAYERS] [RUNS]
set -euo pipefail
build=${1:-build-tests}
players=${2:-1000000}
runs=${3:-7}
cli="$build/src/cli/tallimo-cli"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
data="$work/data"

"$cli" --data-dir "$data" add-club --name Links --rating 70 >/dev/null
"$cli" --data-dir "$data" add-player --name First --club 1 >/dev/null
sqlite3 "$data/hcap.DB" "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < $players)
    INSERT INTO hcap(Descr, Homeclub, S1, C1, D1, S2, C2, D2, CalChcap, Hcap)
    SELECT 'Player number ' || i, 1, 80 + i % 20, 70, '2026-05-01', 85, 71, '2026-04-01', 12, 12 FROM n"

now_us() { local t=$EPOCHREALTIME; echo "${t/[.,]/}"; }
median() { sort -n | awk '{a[NR]=$1} END {print (NR % 2) ? a[(NR+1)/2] : (a[NR/2] + a[NR/2+1]) / 2}'; }
peak_kb() { /usr/bin/time -f %M "$@" 2>&1 >/dev/null | tail -1; }

program() { "$cli" --data-dir "$data" backup --to "$1" >/dev/null; }
shell() {
    mkdir "$1"
    for table in hcap.DB golfmaster.DB refer.db; do
        sqlite3 "$data/$table" ".backup '$1/$table'"
    done
}

declare -A samples
for run in $(seq "$runs"); do
    order="shell program"; (( run % 2 )) || order="program shell"
    for who in $order; do
        target="$work/$who-$run"
        start=$(now_us)
        "$who" "$target"
        samples[$who]+="$(( $(now_us) - start )) "
        rm -rf "$target"
    done
done
p=$(tr ' ' '\n' <<<"${samples[program]}" | grep . | median)
s=$(tr ' ' '\n' <<<"${samples[shell]}" | grep . | median)
pm=$(peak_kb "$cli" --data-dir "$data" backup --to "$work/peak")
sm=$(peak_kb sqlite3 "$data/hcap.DB" ".backup '$work/peak-shell.DB'")
echo "players: $players ($(du -k "$data/hcap.DB" | cut -f1) kB player table)"
echo "tallimo-cli backup --to: median $((p / 1000)) ms, peak $pm kB"
echo "sqlite3 .backup (x3):    median $((s / 1000)) ms, peak $sm kB (player table)"
awk -v p="$p" -v s="$s" 'BEGIN { printf "ratio program / sqlite3: %.2f\n", p / s }'
