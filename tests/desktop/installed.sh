#!/usr/bin/env bash
# The program as installed: "cmake --install" into a staging folder, then the
# installed menu entry's command, started from the home folder on a virtual X
# server with a new, empty HOME and XDG_DATA_HOME. The window "Quorvelin"
# must appear and closing it end the program with status 0, leaving an empty
# directory file in the XDG data folder; a second start must open that same
# file (the running program holds its lock) and leave it as it was.
#
# Usage: installed.sh BUILD_DIR XWINDOW
# The entry's action "Print the directory" must then make the phone list of
# that file and hand it to the desktop's viewer.
#
# Exits 77 (skipped) when xvfb-run, xauth or xdotool is missing.
set -euo pipefail

if [[ -z ${QUORVELIN_INSTALLED_DISPLAY:-} ]]; then
    source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/virtualdisplay.sh"
    skip_without installed xvfb-run xauth xdotool
    on_virtual_display QUORVELIN_INSTALLED_DISPLAY "${BASH_SOURCE[0]}" "$@"
fi

xwindow=$(realpath "$2")
work=$(mktemp -d)
pid=
cleanup() {
    if [[ -n $pid ]]; then kill -KILL "$pid" 2>/dev/null || true; fi
    rm -rf "$work"
}
trap cleanup EXIT
fail() {
    echo "installed: FAIL: $*" >&2
    sed 's/^/  quorvelin: /' "$work/stderr" >&2 2>/dev/null || true
    exit 1
}

usr=$work/stage/usr
DESTDIR=$work/stage cmake --install "$1" --prefix /usr >/dev/null
entry=$(echo "$usr"/share/applications/*.desktop)
# The entry's own Exec, not its actions'.
command=$usr/bin/$(sed -n '/^\[Desktop Entry\]/,/^\[/s/^Exec=//p' "$entry")
[[ -x $command ]] || fail "the menu entry's command $command is not installed"
icon=$(sed -n 's/^Icon=//p' "$entry")
[[ -f $usr/share/icons/hicolor/scalable/apps/$icon.svg ]] || fail "the menu entry's icon $icon is not installed"

export HOME=$work/home XDG_DATA_HOME=$work/data XDG_RUNTIME_DIR=$work/runtime
mkdir "$HOME" "$XDG_DATA_HOME"
mkdir -m 700 "$XDG_RUNTIME_DIR"
export QT_QPA_PLATFORM=xcb LC_ALL=C.UTF-8
file=$XDG_DATA_HOME/quorvelin/quorvelin.mdb
cd "$HOME"

# run NAME [CHECK]: starts the command, waits up to 20 s for its window, runs
# CHECK while it is shown, closes it as a window manager would and expects
# the program to end with status 0 within 20 s.
run() {
    "$command" >/dev/null 2>"$work/stderr" &
    pid=$!
    local tick window= status=0
    for ((tick = 0; tick < 100; tick++)); do
        window=$(xdotool search --onlyvisible --pid "$pid" --name '^Quorvelin$' 2>/dev/null | head -n 1) || true
        [[ -n $window ]] && break
        kill -0 "$pid" 2>/dev/null || fail "$1: ended before showing its window"
        sleep 0.2
    done
    [[ -n $window ]] || fail "$1: no window titled Quorvelin within 20 s"
    "${@:2}"
    "$xwindow" close "$window"
    for ((tick = 0; tick < 100; tick++)); do
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.2
    done
    wait "$pid" || status=$?
    pid=
    ((status == 0)) || fail "$1: ended with status $status after its window was closed"
}

run "first start"
check=$("$usr/bin/quorvelin-tool" --file "$file" check) || fail "no sound directory file at $file: $check"
[[ $check == *": 0 records"* ]] || fail "the first directory is not empty: $check"
echo "installed: first start: window shown and closed, $file made empty"

"$usr/bin/quorvelin-tool" --file "$file" import - <<<'/,Made between the starts,5550100' >/dev/null
cp "$file" "$work/before.mdb"
# The tool's writing commands take the program's lock first: one refused as
# "already open" shows the running program holds this file. On a file it
# could take, check --repair finds nothing to repair and writes nothing.
holds_file() {
    local refusal
    refusal=$("$usr/bin/quorvelin-tool" --file "$file" check --repair 2>&1) &&
        fail "second start: the running program does not hold $file"
    [[ $refusal == *"already open in another copy of Quorvelin"* ]] ||
        fail "second start: the running program does not hold $file: $refusal"
}
run "second start" holds_file
cmp -s "$file" "$work/before.mdb" || fail "second start: the directory file was replaced or changed"
echo "installed: second start: the same file opened and left as it was"

# The action as the menu runs it, with a stand-in viewer that records what
# it is given.
action=$(sed -n '/^\[Desktop Action print\]/,/^\[/s/^Exec=//p' "$entry")
[[ -x $usr/bin/${action%% *} ]] || fail "the menu action's command $action is not installed"
mkdir "$work/viewer"
printf '#!/bin/sh\necho "$@" >"%s"\n' "$work/opened" >"$work/viewer/xdg-open"
chmod +x "$work/viewer/xdg-open"
# shellcheck disable=SC2086 # the action's arguments are words apart
PATH=$work/viewer:$PATH "$usr/bin/${action%% *}" ${action#* } 2>"$work/stderr" || fail "the print action failed"
pdf=${file%.mdb}.pdf
[[ $(cat "$work/opened" 2>/dev/null) == "$pdf" ]] || fail "the print action opened \"$(cat "$work/opened" 2>/dev/null)\""
pdftotext "$pdf" - | grep -q "Made between the starts" || fail "the print action's $pdf lacks the directory's entry"
echo "installed: print action: $pdf made and opened"
