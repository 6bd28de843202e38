#!/usr/bin/env bash
# Takes docs/screenshot.png: the main window as it opens on the sample
# directory, photographed on a virtual X server.
#
# Usage: scripts/screenshot.sh [BUILD_DIR]
# BUILD_DIR holds the built program, the repository's build/ by default
# (./run.sh and ./test.sh make it). Needs xvfb-run, xauth, xdotool and
# ImageMagick, which scripts/setup.sh installs.
set -euo pipefail

if [[ -z ${QUORVELIN_SCREENSHOT_DISPLAY:-} ]]; then
    # A build folder given is taken from where the script is started; the
    # default one is the repository's.
    if (($# > 0)); then build=$(realpath -m "$1"); fi
    cd "$(dirname "${BASH_SOURCE[0]}")/.."
    build=${build:-$PWD/build}
    for program in "$build/app/quorvelin" "$build/tools/quorvelin-init"; do
        if [[ ! -x $program ]]; then
            echo "screenshot: $program is missing; build first (./run.sh or scripts/setup.sh)" >&2
            exit 1
        fi
    done
    for tool in xvfb-run xauth xdotool import convert identify; do
        if ! command -v "$tool" >/dev/null; then
            echo "screenshot: $tool is missing; scripts/setup.sh installs it" >&2
            exit 1
        fi
    done
    source scripts/virtualdisplay.sh
    on_virtual_display QUORVELIN_SCREENSHOT_DISPLAY "$PWD/scripts/screenshot.sh" "$build"
fi

repo=$(realpath "$(dirname "${BASH_SOURCE[0]}")/..")
build=$1
output=$repo/docs/screenshot.png

export QT_QPA_PLATFORM=xcb LC_ALL=C.UTF-8
work=$(mktemp -d)
export XDG_RUNTIME_DIR=$work/runtime
mkdir -m 700 "$XDG_RUNTIME_DIR"
pid=
cleanup() {
    if [[ -n $pid ]]; then
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT

"$build/tools/quorvelin-init" "$work/sample" --sample >/dev/null
cd "$work/sample"
"$build/app/quorvelin" 2>"$work/stderr" &
pid=$!

fail() {
    echo "screenshot: $*" >&2
    if [[ -s $work/stderr ]]; then sed 's/^/  quorvelin: /' "$work/stderr" >&2; fi
    exit 1
}

# Polls every 0.1 s, for at most 20 s.
window=
for ((tick = 0; tick < 200; tick++)); do
    window=$(xdotool search --onlyvisible --pid "$pid" --name '^Quorvelin$' 2>/dev/null | head -n 1) || true
    [[ -n $window ]] && break
    kill -0 "$pid" 2>/dev/null || fail "the program ended before showing its window"
    sleep 0.1
done
[[ -n $window ]] || fail "no window titled Quorvelin within 20 s"

# A window is mapped before it is painted: the picture is taken once two
# captures in a row are alike and show more than a blank area.
previous=
painted=
for ((tick = 0; tick < 200; tick++)); do
    import -window "$window" "$work/capture.ppm"
    current=$(md5sum <"$work/capture.ppm")
    if [[ $current == "$previous" ]] && (($(identify -format '%k' "$work/capture.ppm") > 16)); then
        painted=1
        break
    fi
    previous=$current
    sleep 0.1
done
[[ -n $painted ]] || fail "the window was not painted, or kept changing, for 20 s"

mkdir -p "$(dirname "$output")"
# Without metadata and time stamps, so that the same window gives the same
# file.
convert "$work/capture.ppm" -strip -define png:exclude-chunks=date,time "$output"
echo "screenshot: $output ($(identify -format '%wx%h' "$output"))"
