#!/usr/bin/env bash
# Sync's model test for longer than ./test.sh runs it: random changes on
# both sides and random faults, then a clean sync and the checks, round
# after round.
#
# Usage: scripts/syncmodel.sh [SEED [ROUNDS]]
#            one seed (default: one from the clock, printed) for ROUNDS
#            rounds (default 1000), in the build of ./test.sh
#        scripts/syncmodel.sh --seeds FIRST LAST [ROUNDS]
#            every seed from FIRST to LAST, stopping at the first failure
# A failure names the seed and the round, with that round's changes and
# faults; the same seed and rounds repeat it exactly.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

test=build/tests/tools/tst_syncmodel
if [[ ! -x $test ]]; then
    cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
    cmake --build build -j"$(nproc)" --target tst_syncmodel
fi

run() {
    echo "syncmodel: seed $1, $2 rounds"
    QUORVELIN_MODEL_SEED=$1 QUORVELIN_MODEL_ROUNDS=$2 "$test"
}

if [[ ${1:-} == --seeds ]]; then
    (($# >= 3)) || { echo "usage: scripts/syncmodel.sh --seeds FIRST LAST [ROUNDS]" >&2; exit 2; }
    for ((seed = $2; seed <= $3; ++seed)); do
        run "$seed" "${4:-1000}"
    done
else
    run "${1:-$(date +%s)}" "${2:-1000}"
fi
