#!/usr/bin/env bash
# Makes docs/printed-page.png: the first page of "quorvelin-tool print" on the
# sample directory, as the README shows it.
#
# Usage: scripts/printedpage.sh [BUILD_DIR]
# BUILD_DIR holds the built tool, the repository's build/ by default
# (./run.sh and ./test.sh make it). Needs pdftoppm (poppler-utils) and
# ImageMagick, which scripts/setup.sh installs.
set -euo pipefail

repo=$(realpath "$(dirname "${BASH_SOURCE[0]}")/..")
build=$(realpath -m "${1:-$repo/build}")
tool=$build/tools/quorvelin-tool
output=$repo/docs/printed-page.png
if [[ ! -x $tool ]]; then
    echo "printedpage: $tool is missing; build first (./run.sh or scripts/setup.sh)" >&2
    exit 1
fi
for program in pdftoppm convert identify; do
    if ! command -v "$program" >/dev/null; then
        echo "printedpage: $program is missing; scripts/setup.sh installs it" >&2
        exit 1
    fi
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# The date on the page is the last commit's, so that the same sources make
# the same picture.
SOURCE_DATE_EPOCH=$(git -C "$repo" log -1 --format=%ct 2>/dev/null || date +%s)
export SOURCE_DATE_EPOCH LC_ALL=C.UTF-8 XDG_STATE_HOME=$work/state
"$tool" --file "$work/quorvelin.mdb" init --sample >/dev/null
"$tool" --file "$work/quorvelin.mdb" print --paper a4 --output "$work/quorvelin.pdf" >/dev/null
pdftoppm -png -r 80 -f 1 -l 1 -singlefile "$work/quorvelin.pdf" "$work/page"
mkdir -p "$(dirname "$output")"
# A grey edge shows where the paper ends on a white page; without metadata
# and time stamps, so that the same page gives the same file.
convert "$work/page.png" -bordercolor '#999999' -border 1 -strip -define png:exclude-chunks=date,time "$output"
echo "printedpage: $output ($(identify -format '%wx%h' "$output"))"
