#!/usr/bin/env bash
# The fuzz targets of tests/fuzz/, built with clang in build-fuzz/.
#
# Usage: scripts/fuzz.sh
#            replays every target's seed corpus once, as ./test.sh does;
#            skipped, with a message, where clang++ is missing
#        scripts/fuzz.sh TARGET SECONDS [LIBFUZZER-FLAG...]
#            fuzzes TARGET (csv, vcard, davxml or folderpath) for SECONDS
#
# Inputs that reach new code are kept in build-fuzz/corpus/TARGET/, never in
# the seed corpus. A crash, a leak or an input that takes more than ten
# seconds is saved in build-fuzz/ as crash-*, leak-* or timeout-* and
# replayed with build-fuzz/fuzz_TARGET FILE. Flags go to libFuzzer: for
# example -max_len=100000 for inputs longer than the default 4096 bytes.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

usage() {
    echo "usage: scripts/fuzz.sh [csv|vcard|davxml|folderpath SECONDS [LIBFUZZER-FLAG...]]" >&2
    exit 2
}
if (($# > 0)); then
    (($# >= 2)) || usage
    case $1 in csv | vcard | davxml | folderpath) ;; *) usage ;; esac
fi

compiler=$(command -v clang++ || command -v clang++-14 || true)
if [[ -z $compiler ]]; then
    if (($# == 0)); then
        echo "fuzz: clang++ is missing; the fuzz targets' corpora are not replayed"
        exit 0
    fi
    echo "fuzz: clang++ is missing; scripts/setup.sh installs it" >&2
    exit 1
fi

cmake -S tests/fuzz -B build-fuzz -DCMAKE_CXX_COMPILER="$compiler"
cmake --build build-fuzz -j"$(nproc)"

if (($# == 0)); then
    ctest --test-dir build-fuzz --output-on-failure --timeout 300
    exit
fi

target=$1 seconds=$2
shift 2
mkdir -p "build-fuzz/corpus/$target"
exec "build-fuzz/fuzz_$target" -max_total_time="$seconds" -timeout=10 -artifact_prefix=build-fuzz/ "$@" \
    "build-fuzz/corpus/$target" "tests/fuzz/corpus/$target"
