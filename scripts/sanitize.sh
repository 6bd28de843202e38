#!/usr/bin/env bash
# Builds with AddressSanitizer and UndefinedBehaviorSanitizer and runs tests
# there; any sanitizer report fails the test it comes from.
#
# Usage: scripts/sanitize.sh [--all]
# Without --all: the store's and the tool's tests, in build-sanitize/, which
# ./test.sh runs. With --all: every test, the windows' and the virtual X
# server's too, in build-sanitize-all/; that takes several times as long.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

case ${1:-} in
    "") build=build-sanitize gui=OFF ;;
    --all) build=build-sanitize-all gui=ON ;;
    *)
        echo "usage: scripts/sanitize.sh [--all]" >&2
        exit 2
        ;;
esac

# The first report ends the program, with abort() so that a test which runs
# a program sees it die rather than merely fail. Reports go to standard
# error, which ctest shows for a failed test.
export ASAN_OPTIONS=halt_on_error=1:abort_on_error=1:detect_leaks=1
export LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp
export UBSAN_OPTIONS=halt_on_error=1:abort_on_error=1:print_stacktrace=1
# Sync's model test takes ten times as long here; its memory is checked
# well enough in fewer rounds.
export QUORVELIN_MODEL_ROUNDS=40

# Unoptimised: half the compile time of an optimised sanitizer build, and
# Q_ASSERT stays in.
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Debug -DQUORVELIN_SANITIZE=ON -DQUORVELIN_GUI="$gui"
cmake --build "$build" -j"$(nproc)"
ctest --test-dir "$build" --output-on-failure -j"$(nproc)" --timeout 300
