#!/usr/bin/env bash
# Builds the program, the tool and what their install takes (not the tests
# nor the benchmark), installs them into build/stage, and starts the program
# as the applications menu does, through the installed launcher: on a
# directory of its own in the user's data folder, made with sample entries
# the first time.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")"
bash scripts/setup.sh installable

cmake --install build --prefix "$PWD/build/stage" >/dev/null
exec build/stage/bin/quorvelin-desktop --sample
