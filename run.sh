#!/usr/bin/env bash
# Builds Quorvelin and starts it on a directory of its own, made with sample
# entries the first time.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")"
bash scripts/setup.sh

root=$PWD
data=${XDG_DATA_HOME:-$HOME/.local/share}/quorvelin
# -L too: quorvelin-init refuses a dangling link, and so should this check.
if [[ ! -e $data/quorvelin.mdb && ! -L $data/quorvelin.mdb ]]; then
    build/tools/quorvelin-init "$data" --sample
fi
# The program opens quorvelin.mdb in the folder it is started in.
cd "$data"
exec "$root/build/app/quorvelin"
