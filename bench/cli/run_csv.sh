#!/usr/bin/env bash
# Import and export of a whole player table through tallimo-cli against sqlite3 on the same
# generated CSV file, in one run: alternating turns, medians of the wall-clock times, peak memory
# (maximum resident set), and the ratios tallimo-cli / sqlite3. sqlite3 imports into a table file of
# the same schema, with the same write-ahead log and full synchronous writes, and exports the
# table that tallimo-cli imported.
#   bench/cli/run_csv.sh [BUILD_DIR] [PLAYERS] [TURNS]      (defaults: build-tests 1000000 3)
set -euo pipefail
build=${1:-build-tests}
players=${2:-1000000}
turns=${3:-3}
cli=$(realpath "$build/src/cli/tallimo-cli")
command -v sqlite3 >/dev/null || { echo "run_csv: sqlite3 is not installed (scripts/install-deps)" >&2; exit 1; }
[ -x /usr/bin/time ] || { echo "run_csv: /usr/bin/time is not installed" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

# Players as export writes them: every field, a name with a comma (so quoted), 0 to 12 rounds.
awk -v n="$players" 'BEGIN {
    srand(17)
    printf "ID,Descr,Homeclub"
    for (i = 1; i <= 12; i++) printf ",S%d", i
    for (i = 1; i <= 12; i++) printf ",C%d", i
    for (i = 1; i <= 12; i++) printf ",D%d", i
    printf ",CalChcap,Hcap\r\n"
    for (p = 1; p <= n; p++) {
        rounds = int(rand() * 13); s = ""; c = ""; d = ""
        for (i = 1; i <= 12; i++) {
            if (i <= rounds) {
                s = s "," (70 + int(rand() * 40)); c = c "," (int(rand() * 8) - 2)
                d = d "," sprintf("%04d-%02d-%02d", 2020 + int(rand() * 6), 1 + int(rand() * 12), 1 + int(rand() * 28))
            } else { s = s ","; c = c ","; d = d "," }
        }
        h = int(rand() * 3600) / 100
        printf "%d,\"Player %d, %s.\",%d%s%s%s,%s,%s\r\n", p, p, substr("ABCDEFGHIJKLMNOPQRSTUVWXYZ", p % 26 + 1, 1),
               1 + p % 500, s, c, d, h, int(h * 10) / 10
    }
}' > players.csv
"$cli" --data-dir "$work/template" --init players >/dev/null   # an empty player table of the program's schema

timed() { # runs the command; prints "wall-seconds cpu-seconds peak-kB"
    /usr/bin/time -o time.txt -f "%e %U %S %M" "$@" >/dev/null || { echo "run_csv: $* failed" >&2; cat time.txt >&2; return 1; }
    awk '{ printf "%s %.2f %s\n", $1, $2 + $3, $4 }' time.txt
}
sqlite_import() {
    rm -f s.db s.db-wal s.db-shm && cp template/hcap.DB s.db
    timed sqlite3 s.db "PRAGMA journal_mode=WAL" "PRAGMA synchronous=FULL" ".import --csv --skip 1 players.csv hcap"
}
tallimo_import() {
    rm -rf data && mkdir data
    timed "$cli" --data-dir data import --table hcap --in players.csv
}
sqlite_export() { timed sh -c 'exec sqlite3 -csv data/hcap.DB "SELECT * FROM hcap" > s.csv'; }
tallimo_export() { timed "$cli" --data-dir data export --table hcap --out t.csv; }

declare -A wall cpu peak
for turn in $(seq "$turns"); do
    order="sqlite tallimo"; (( turn % 2 )) || order="tallimo sqlite"
    for job in import export; do
        [ "$job" = export ] && [ ! -d data ] && tallimo_import >/dev/null
        for who in $order; do
            read -r w c m < <("${who}_$job")
            [ -n "${m:-}" ] || exit 1
            wall[$who.$job]+="$w "; cpu[$who.$job]+="$c "; peak[$who.$job]+="$m "
        done
    done
done
cmp -s <(tr -d '\r' < players.csv) <(tr -d '\r' < t.csv) && same="identical to the file imported" || same="DIFFERENT from the file imported"

median() { tr ' ' '\n' <<<"$1" | grep . | sort -n | awk '{a[NR]=$1} END {print (NR % 2) ? a[(NR+1)/2] : (a[NR/2] + a[NR/2+1]) / 2}'; }
most() { tr ' ' '\n' <<<"$1" | grep . | sort -n | tail -1; }
echo "$players players, $(( $(stat -c %s players.csv) / 1048576 )) MB of CSV; medians of $turns turns; tallimo-cli's export is $same"
printf "%-8s %12s %12s %7s   %10s %10s   %9s %9s\n" "" "sqlite3 s" "tallimo s" "ratio" "sqlite3 cpu" "tallimo cpu" "sqlite3 MB" "tallimo MB"
for job in import export; do
    sw=$(median "${wall[sqlite.$job]}"); tw=$(median "${wall[tallimo.$job]}")
    sc=$(median "${cpu[sqlite.$job]}"); tc=$(median "${cpu[tallimo.$job]}")
    sm=$(most "${peak[sqlite.$job]}"); tm=$(most "${peak[tallimo.$job]}")
    awk -v j="$job" -v sw="$sw" -v tw="$tw" -v sc="$sc" -v tc="$tc" -v sm="$sm" -v tm="$tm" 'BEGIN {
        printf "%-8s %12.2f %12.2f %7.2f   %10.2f %10.2f   %9.1f %9.1f\n", j, sw, tw, tw / sw, sc, tc, sm / 1024, tm / 1024
    }'
done
echo "goal: ratio at most 2 for each, peak memory at most 64 MB"
