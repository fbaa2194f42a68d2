#!/usr/bin/env bash
# A data folder made by the release build is upgraded by this build (every history round in the
# archive), and the release build still opens and writes the upgraded folder, seeing its tables as
# they were.
#   release_folder_roundtrip.sh NEW_CLI SOURCE_DIR WORK_DIR
# The release's tallimo-cli is built once from git into WORK_DIR; exit 77 (skipped) when the
# clone does not hold the release commit.
set -euo pipefail
new=$1 source=$2 work=$3
release=${TALLIMO_RELEASE_COMMIT:-6d7463c086472ef086033ab98dc3e180b8f65c19}
old_source=$work/release-source
old_build=$work/release-build
old=$old_build/src/cli/tallimo-cli

if [ ! -x "$old" ] || [ "$(cat "$work/release-commit" 2>/dev/null)" != "$release" ]; then
    if ! git -C "$source" cat-file -e "$release^{commit}" 2>/dev/null; then
        echo "release commit $release is not in this clone: skipped"
        exit 77
    fi
    rm -rf "$old_source" "$old_build"
    mkdir -p "$old_source"
    git -C "$source" archive "$release" | tar -x -C "$old_source"
    generator=()
    command -v ninja >/dev/null && generator=(-G Ninja)
    cmake -S "$old_source" -B "$old_build" "${generator[@]}" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
    CCACHE_BASEDIR=$old_source cmake --build "$old_build" --target tallimo-cli -j2 >/dev/null
    echo "$release" > "$work/release-commit"
fi

folder=$work/folder
rm -rf "$folder"
fail() { echo "FAIL: $*" >&2; exit 1; }
expect() { # expect WHAT EXPECTED ACTUAL
    [ "$2" = "$3" ] || fail "$1: expected [$2], got [$3]"
}

# The release makes the folder: a club, two players, a history of five and of one round.
"$old" --data-dir "$folder" add-club --name Lakeside --rating 2 >/dev/null
"$old" --data-dir "$folder" add-player --name Ann --club 1 >/dev/null
"$old" --data-dir "$folder" add-player --name Bob >/dev/null
day=1
for score in 90 88 84 95 80; do
    "$old" --data-dir "$folder" enter-round --player 1 --score $score --rating 2 --date 2026-01-0$day >/dev/null
    day=$((day + 1))
done
"$old" --data-dir "$folder" enter-round --player 2 --score 77 --rating 0 --date 2026-02-01 >/dev/null
players_before=$("$old" --data-dir "$folder" export --table hcap)
clubs_before=$("$old" --data-dir "$folder" clubs)

# This build takes every round over, oldest first, with rating 72 - r.
rounds=$("$new" --data-dir "$folder" rounds --player 1 | tr -d '\r')
expect "Ann's rounds" "Date,Score,Rating,Slope,PCC,Differential,Reduction,Counted
2026-01-05,80,70.0,113,0,10.0,0.0,yes
2026-01-04,95,70.0,113,0,25.0,0.0,no
2026-01-03,84,70.0,113,0,14.0,0.0,no
2026-01-02,88,70.0,113,0,18.0,0.0,no
2026-01-01,90,70.0,113,0,20.0,0.0,no" "$rounds"
expect "Ann's index" "10.0" "$("$new" --data-dir "$folder" index --player 1)"
expect "Bob's rounds" "2" "$("$new" --data-dir "$folder" rounds --player 2 | wc -l)"
"$new" --data-dir "$folder" add-round --player 2 --date 2026-02-02 --score 81 --rating 70.5 --slope 121 >/dev/null

# The release opens the upgraded folder: the players as they were, the clubs with the new
# fields after its own, and the Enter action still works.
expect "players after the upgrade" "$players_before" "$("$old" --data-dir "$folder" export --table hcap)"
expect "clubs after the upgrade" "$(echo "$clubs_before" | head -1 | tr -d '\r'),Slope,Par" "$("$old" --data-dir "$folder" clubs | head -1 | tr -d '\r')"
expect "history after the upgrade" "1,80,2,2026-01-05" "$("$old" --data-dir "$folder" history --player 1 | sed -n 2p | tr -d '\r')"
"$old" --data-dir "$folder" enter-round --player 2 --score 79 --rating 1 --date 2026-02-03 >/dev/null || fail "the release cannot enter a round"
# The release knows nothing of the archive: its round stays in the history only.
expect "Bob's archive after the release wrote" "2" "$("$new" --data-dir "$folder" rounds --player 2 | tail -n +2 | wc -l)"
expect "Bob's history after the release wrote" "1,79,1,2026-02-03" "$("$new" --data-dir "$folder" history --player 2 | sed -n 2p | tr -d '\r')"
echo "release folder round trip: ok"
