#!/usr/bin/env bash
# The fuzz targets of tests/fuzz/, built with clang in build-fuzz/.
#
# Usage: scripts/fuzz.sh
#            replays every target's seed corpus once, as ./test.sh does;
#            skipped, with a message, where clang++ is missing
#        scripts/fuzz.sh TARGET SECONDS [LIBFUZZER-FLAG...]
#            fuzzes TARGET (csv, vcard, davxml or folderpath) for SECONDS
#
# A run starts from the seed corpus and from the inputs at the readers' caps
# that tests/fuzz/CMakeLists.txt writes into build-fuzz/seeds/TARGET/ (10,001
# TEL lines, a line just over 1 MB, a header of 10,001 columns), and its
# inputs may grow as long as those shapes need:
#
#   csv, vcard          1,200,000 bytes: a line, a quoted field or a folded
#                       property just over InputText's 1 MB, after a header
#                       or around a card
#   davxml, folderpath  262,144 bytes: nesting far past 64 levels and paths
#                       far past 256 folders, and long enough that anything
#                       quadratic takes more than the ten seconds allowed
#
# Inputs that reach new code are kept in build-fuzz/corpus/TARGET/, never in
# the seed corpus. A crash, a leak or an input that takes more than ten
# seconds is saved in build-fuzz/ as crash-*, leak-* or timeout-* and
# replayed with build-fuzz/fuzz_TARGET FILE. Flags go to libFuzzer, after
# the ones above, which they override: -max_len=4096 for quick runs of short
# inputs, -rss_limit_mb=N for another memory limit than 2048 MB.
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

# Targets fuzzed side by side, each started by a run of its own, are built
# one run at a time.
mkdir -p build-fuzz
{
    flock 9
    cmake -S tests/fuzz -B build-fuzz -DCMAKE_CXX_COMPILER="$compiler"
    cmake --build build-fuzz -j"$(nproc)"
} 9>build-fuzz/build.lock

if (($# == 0)); then
    ctest --test-dir build-fuzz --output-on-failure --timeout 300 -j"$(nproc)"
    exit
fi

target=$1 seconds=$2
shift 2
case $target in
    csv | vcard) max_len=1200000 ;;
    davxml | folderpath) max_len=262144 ;;
esac
mkdir -p "build-fuzz/corpus/$target"
exec "build-fuzz/fuzz_$target" -max_total_time="$seconds" -timeout=10 -max_len="$max_len" \
    -artifact_prefix=build-fuzz/ "$@" \
    "build-fuzz/corpus/$target" "tests/fuzz/corpus/$target" "build-fuzz/seeds/$target"
