#!/usr/bin/env bash
# Starts the real program on a virtual X server, twice:
#  1. in a folder holding a sample directory: its window "Quorvelin" must
#     appear, and closing it must end the program with status 0 and leave the
#     file as it was;
#  2. in an empty folder: the program must end with a non-zero status, say
#     why on stderr, create no file and never show its main window. The box
#     that reports the failure is modal, so it is closed when it appears.
#
# Usage: smoke.sh QUORVELIN QUORVELIN_INIT XWINDOW
# Exits 77 (skipped) when xvfb-run or xdotool is missing.
set -euo pipefail

if (($# != 3)); then
    echo "usage: $0 QUORVELIN QUORVELIN_INIT XWINDOW" >&2
    exit 2
fi

if [[ -z ${QUORVELIN_SMOKE_DISPLAY:-} ]]; then
    source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/virtualdisplay.sh"
    skip_without smoke xvfb-run xauth xdotool
    on_virtual_display QUORVELIN_SMOKE_DISPLAY "${BASH_SOURCE[0]}" "$@"
fi

# Absolute: the runs below change folders.
app=$(realpath "$1")
init=$(realpath "$2")
xwindow=$(realpath "$3")
readonly timeout_ticks=100 # of 0.2 s: 20 s for the window to appear, and to end

export QT_QPA_PLATFORM=xcb LC_ALL=C.UTF-8
work=$(mktemp -d)
export XDG_RUNTIME_DIR=$work/runtime
mkdir -m 700 "$XDG_RUNTIME_DIR"
pid=
cleanup() {
    if [[ -n $pid ]]; then kill -KILL "$pid" 2>/dev/null || true; fi
    rm -rf "$work"
}
trap cleanup EXIT

fail() {
    echo "smoke: FAIL: $*" >&2
    if [[ -s $work/stderr ]]; then sed 's/^/  quorvelin: /' "$work/stderr" >&2; fi
    exit 1
}

running() { kill -0 "$pid" 2>/dev/null; }

# Visible windows of the program's process.
windows() { xdotool search --onlyvisible --pid "$pid" "$@" 2>/dev/null || true; }

# Waits for the program to end and sets $status; fails if it does not.
finish() {
    local tick
    for ((tick = 0; tick < timeout_ticks; tick++)); do
        running || break
        sleep 0.2
    done
    running && fail "$1: still running 20 s later"
    status=0
    wait "$pid" || status=$?
    pid=
}

start() {
    "$app" >"$work/stdout" 2>"$work/stderr" &
    pid=$!
}

# 1. A sample directory: the window appears and closes cleanly.
mkdir "$work/sample"
cd "$work/sample"
"$init" --sample >/dev/null
cp quorvelin.mdb "$work/before.mdb"
start
window=
for ((tick = 0; tick < timeout_ticks; tick++)); do
    window=$(windows --name '^Quorvelin$' | head -n 1)
    [[ -n $window ]] && break
    running || break
    sleep 0.2
done
if [[ -z $window ]]; then
    if running; then fail "no window titled Quorvelin within 20 s"; fi
    finish "sample directory"
    fail "the program ended with status $status before showing its window"
fi
"$xwindow" close "$window"
finish "after its window was closed"
((status == 0)) || fail "ended with status $status after its window was closed"
cmp -s quorvelin.mdb "$work/before.mdb" || fail "starting and closing changed quorvelin.mdb"
echo "smoke: sample directory: window shown, closed, status 0"

# 2. No directory file: a message, a non-zero status, no main window.
mkdir "$work/empty"
cd "$work/empty"
start
declare -A asked=()
for ((tick = 0; tick < timeout_ticks; tick++)); do
    running || break
    for window in $(windows); do
        type=$("$xwindow" type "$window" 2>/dev/null) || continue # gone meanwhile
        if [[ $type == _NET_WM_WINDOW_TYPE_NORMAL ]]; then
            fail "showed its main window without a directory file"
        fi
        # The failure box: asked to close like any window; should it refuse,
        # its default button is pressed instead.
        if [[ -z ${asked[$window]:-} ]]; then
            "$xwindow" close "$window" 2>/dev/null || true
            asked[$window]=1
        else
            xdotool windowfocus --sync "$window" key Return 2>/dev/null || true
        fi
    done
    sleep 0.2
done
finish "without a directory file"
((status != 0)) || fail "ended with status 0 without a directory file"
# The engine's own words, passed on by the program.
grep -qi 'unable to open' "$work/stderr" || fail "did not pass on the engine's message on stderr"
[[ -z $(ls -A) ]] || fail "left files in an empty folder: $(ls -A)"
echo "smoke: no directory file: status $status, ${#asked[@]} message box(es) closed"
