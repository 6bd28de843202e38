#!/usr/bin/env bash
# Builds Quorvelin, installs it into build/stage, and starts it as the
# applications menu does, through the installed launcher: on a directory of
# its own in the user's data folder, made with sample entries the first time.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")"
bash scripts/setup.sh

cmake --install build --prefix "$PWD/build/stage" >/dev/null
exec build/stage/bin/quorvelin-desktop --sample
