#!/usr/bin/env bash
# The program as installed: "cmake --install" into a staging folder, then the
# command of the installed menu entry, run from the staged bin folder on a
# virtual X server with a new, empty HOME and XDG_DATA_HOME, as a person's
# first click in the menu. Its window "Quorvelin" must appear and closing it
# must end it with status 0, leaving an empty directory file in the XDG data
# folder; a second start must open that same file (the running program holds
# its lock) and leave it as it was.
#
# Usage: installed.sh BUILD_DIR XWINDOW
# Exits 77 (skipped) when xvfb-run, xauth or xdotool is missing.
set -euo pipefail

if (($# != 2)); then
    echo "usage: $0 BUILD_DIR XWINDOW" >&2
    exit 2
fi

if [[ -z ${QUORVELIN_INSTALLED_DISPLAY:-} ]]; then
    for tool in xvfb-run xauth xdotool; do
        if ! command -v "$tool" >/dev/null; then
            echo "installed: skipped, $tool is missing (./test.sh installs it)" >&2
            exit 77
        fi
    done
    source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/virtualdisplay.sh"
    on_virtual_display QUORVELIN_INSTALLED_DISPLAY "${BASH_SOURCE[0]}" "$@"
fi

build=$(realpath "$1")
xwindow=$(realpath "$2")
readonly timeout_ticks=100 # of 0.2 s: 20 s for the window to appear, and to end

work=$(mktemp -d)
pid=
cleanup() {
    if [[ -n $pid ]]; then kill -KILL "$pid" 2>/dev/null || true; fi
    rm -rf "$work"
}
trap cleanup EXIT

fail() {
    echo "installed: FAIL: $*" >&2
    if [[ -s $work/stderr ]]; then sed 's/^/  quorvelin: /' "$work/stderr" >&2; fi
    exit 1
}

stage=$work/stage
DESTDIR=$stage cmake --install "$build" --prefix /usr >/dev/null
bin=$stage/usr/bin
entry=$(echo "$stage"/usr/share/applications/*.desktop)
[[ -f $entry ]] || fail "no desktop entry installed"
command=$(sed -n 's/^Exec=//p' "$entry")
[[ -x $bin/$command ]] || fail "the entry's command \"$command\" is not an installed program"
icon=$(sed -n 's/^Icon=//p' "$entry")
[[ -f $stage/usr/share/icons/hicolor/scalable/apps/$icon.svg ]] || fail "the entry's icon \"$icon\" is not installed"

# Nothing of the building user's: a person who has never run Quorvelin.
export HOME=$work/home XDG_DATA_HOME=$work/xdg-data XDG_RUNTIME_DIR=$work/runtime
mkdir "$HOME" "$XDG_DATA_HOME"
mkdir -m 700 "$XDG_RUNTIME_DIR"
export QT_QPA_PLATFORM=xcb LC_ALL=C.UTF-8
file=$XDG_DATA_HOME/quorvelin/quorvelin.mdb
cd "$HOME" # where a menu starts its programs

running() { kill -0 "$pid" 2>/dev/null; }

# Starts the entry's command and waits for its window; sets $window.
start() {
    "$bin/$command" >/dev/null 2>"$work/stderr" &
    pid=$!
    window=
    local tick
    for ((tick = 0; tick < timeout_ticks; tick++)); do
        window=$(xdotool search --onlyvisible --pid "$pid" --name '^Quorvelin$' 2>/dev/null | head -n 1) || true
        [[ -n $window ]] && return
        running || fail "$1: ended before showing its window"
        sleep 0.2
    done
    fail "$1: no window titled Quorvelin within 20 s"
}

# Closes the window as a window manager would and expects status 0.
close() {
    "$xwindow" close "$window"
    local tick
    for ((tick = 0; tick < timeout_ticks; tick++)); do
        running || break
        sleep 0.2
    done
    running && fail "$1: still running 20 s after its window was closed"
    local status=0
    wait "$pid" || status=$?
    pid=
    ((status == 0)) || fail "$1: ended with status $status after its window was closed"
}

start "first start"
close "first start"
[[ -f $file ]] || fail "no directory file in $XDG_DATA_HOME/quorvelin"
check=$("$bin/quorvelin-tool" --file "$file" check) || fail "the new directory file does not pass check: $check"
[[ $check == *": 0 records"* ]] || fail "the new directory is not empty: $check"
# (The session bus may keep its own files there.)
stray=$(find "$HOME" -name 'quorvelin*')
[[ -z $stray ]] || fail "made $stray in HOME"
echo "installed: first start: window shown and closed, $file made empty"

"$bin/quorvelin-tool" --file "$file" import - <<<'/,Made between the starts,5550100' >/dev/null
cp "$file" "$work/before.mdb"
start "second start"
# The program holds an exclusive lock on the file it opened.
lock=0
flock --nonblock --conflict-exit-code 75 "$file" true || lock=$?
((lock == 75)) || fail "second start: the running program does not hold $file"
close "second start"
cmp -s "$file" "$work/before.mdb" || fail "second start: the directory file was replaced or changed"
echo "installed: second start: the same file opened and left as it was"
