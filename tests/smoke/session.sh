#!/usr/bin/env bash
# One working session with the real program on a virtual X server, driven as
# a person would with mouse clicks and typed keys, starting from a directory
# file that holds one entry:
#   delete the entry (a click on its grid row is the first thing the window
#   gets, then toolbar Delete), add the folder "Friends" (toolbar New Folder, input box), open it
#   (double-click), add two entries with Next Data (toolbar New Telphone),
#   rename the second through the grid's popup menu, go up a level (toolbar),
#   delete the folder (click it, toolbar Delete), show the About box (toolbar
#   Help) and close it with Enter, close the window.
# After every step the directory file is read with the sqlite3 command-line
# tool and must hold exactly the rows the step leaves: codes, names, numbers
# (stored as integers) and parents. Closing must end the program with
# status 0. Each dialog is checked as it opens: the entry dialogs open where
# the window system puts them, the About box where it was designed, and the
# window manager lets none be minimised, maximised or resized.
#
# With QUORVELIN_SESSION_WM=openbox the session runs under that window
# manager, otherwise on a bare server, where nothing but the program's own
# clicks and requests moves the keyboard focus.
#
# Usage: session.sh QUORVELIN QUORVELIN_INIT XWINDOW
# Exits 77 (skipped) when xvfb-run, xauth, xdotool, sqlite3, ImageMagick or
# the window manager asked for is missing. On a failure the screen is saved as session-failure.png, and the
# directory file as session-failure.mdb, in the folder the script was started
# in.
set -euo pipefail

if (($# != 3)); then
    echo "usage: $0 QUORVELIN QUORVELIN_INIT XWINDOW" >&2
    exit 2
fi

if [[ -z ${QUORVELIN_SESSION_DISPLAY:-} ]]; then
    source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/virtualdisplay.sh"
    skip_without session xvfb-run xauth xdotool sqlite3 import convert ${QUORVELIN_SESSION_WM:+$QUORVELIN_SESSION_WM xprop}
    on_virtual_display QUORVELIN_SESSION_DISPLAY "${BASH_SOURCE[0]}" "$@"
fi

# Absolute: the session runs in a folder of its own.
app=$(realpath "$1")
init=$(realpath "$2")
xwindow=$(realpath "$3")
results=$PWD
rm -f "$results/session-failure.png" "$results/session-failure.mdb"

# Polls every 0.05 s; no single wait lasts longer than 10 s, so a stuck
# session fails in seconds, well inside the test's time limit.
readonly tick=0.05 max_ticks=200

# Window coordinates, in pixels from the window's top-left corner. The layouts
# are designed in twips (15 to the pixel); the toolbar's buttons are 24x22,
# laid out by the style from 3,3 one after the other, 25 pixels apart.
toolbar_button_left() { echo $((3 + 25 * ($1 - 1))); }
readonly toolbar_top=3
readonly folder1_x=30 folder1_y=49 # first item of List1 (120,600 twips)
# MSFlexGrid1 is at 1440,600 twips; under its header row (18 pixels) each row
# is 255 twips high.
readonly grid_x=140
grid_row_y() { echo $((40 + 18 + 17 * $1 - 9)); }
# The entry dialogs: Text1 and the button row; the edit-entry dialog is the
# new-entry one moved 120 twips to the right.
readonly text1_x=144 text1_y=25 buttons_y=124
readonly ok_x=56 cancel_x=128 next_data_x=200 edit_shift=8

export QT_QPA_PLATFORM=xcb LC_ALL=C.UTF-8
work=$(mktemp -d)
export XDG_RUNTIME_DIR=$work/runtime
mkdir -m 700 "$XDG_RUNTIME_DIR"
pid=
wm_pid=
cleanup() {
    if [[ -n $pid ]]; then
        kill -KILL "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    fi
    if [[ -n $wm_pid ]]; then kill "$wm_pid" 2>/dev/null || true; fi
    rm -rf "$work"
}
trap cleanup EXIT

step="start-up"
fail() {
    echo "session: FAIL at \"$step\": $*" >&2
    if import -window root "$results/session-failure.png" 2>/dev/null; then
        echo "session: the screen is in $results/session-failure.png" >&2
    fi
    if [[ -f $work/dir/quorvelin.mdb ]]; then
        cp "$work/dir/quorvelin.mdb" "$results/session-failure.mdb"
        echo "session: the directory file is in $results/session-failure.mdb" >&2
    fi
    if [[ -s $work/stderr ]]; then sed 's/^/  quorvelin: /' "$work/stderr" >&2; fi
    exit 1
}

running() { [[ -n $pid ]] && kill -0 "$pid" 2>/dev/null; }

# The whole table, one row a line: code|name|tel|type of tel|parent. The type
# catches a number stored as text, which every listing would then misread.
table() {
    sqlite3 -readonly -cmd '.timeout 2000' -separator '|' "$work/dir/quorvelin.mdb" \
        'select code, name, tel, typeof(tel), parent from book order by code'
}

# Waits until the table holds exactly the given rows (none when no argument
# is given). The program writes when it handles the input, which xdotool only
# queues, so the file is read until it matches or the wait runs out.
expect_table() {
    local expected actual n
    expected=$(printf '%s\n' "$@")
    [[ $# -eq 0 ]] && expected=
    for ((n = 0; n < max_ticks; n++)); do
        actual=$(table) || fail "sqlite3 could not read the directory file"
        [[ $actual == "$expected" ]] && return 0
        running || break
        sleep "$tick"
    done
    fail "$(printf 'the directory file holds\n%s\ninstead of\n%s' "${actual:-(no rows)}" "${expected:-(no rows)}")"
}

# Waits until toolbar button 1, Up on level, shows its picture in full
# ($1 = enabled) or faded ($1 = disabled): the visible end of opening a
# folder and of going back to the top level. In full its picture has a dark
# outline; faded it has no dark pixel, yet differs from a blank, unpainted
# area by its shades.
expect_up_button() {
    local n measures state
    for ((n = 0; n < max_ticks; n++)); do
        # Darkest pixel, spread of lightness (HSL: blue is L).
        measures=$(import -window "$main" ppm:- 2>/dev/null \
            | convert - -crop "24x22+$(toolbar_button_left 1)+$toolbar_top" +repage -colorspace HSL \
                -format '%[fx:minima.b] %[fx:standard_deviation.b]' info:- 2>/dev/null) || measures=
        state=$(awk -v m="$measures" 'BEGIN {
            if (split(m, v, " ") != 2) print "unknown"
            else if (v[1] < 0.4) print "enabled"
            else if (v[2] > 0.05) print "disabled"
            else print "blank" }')
        [[ $state == "$1" ]] && return 0
        running || fail "the program ended"
        sleep "$tick"
    done
    fail "toolbar button 1 (Up on level) is not $1 10 s later (it looks $state)"
}

# Visible windows of the program, the main window left out.
others() {
    xdotool search --onlyvisible --pid "$pid" 2>/dev/null | grep -vx "$main" || true
}

# Waits for the one window titled exactly $1 besides the main window and
# prints its id.
wait_window() {
    local n id
    for ((n = 0; n < max_ticks; n++)); do
        id=$(xdotool search --onlyvisible --pid "$pid" --name "^$1\$" 2>/dev/null | grep -vx "${main:-0}" | head -n 1 || true)
        if [[ -n $id ]]; then
            echo "$id"
            return 0
        fi
        running || fail "the program ended while waiting for the window \"$1\""
        sleep "$tick"
    done
    fail "no window \"$1\" within 10 s"
}

# Waits for a popup menu: the one new window. Its title is the program's
# name, so it is told apart from the main window by its id alone.
wait_popup() {
    local n ids
    for ((n = 0; n < max_ticks; n++)); do
        ids=$(others)
        if [[ -n $ids ]]; then
            (($(wc -l <<<"$ids") == 1)) || fail "expected one popup menu, found windows $ids"
            echo "$ids"
            return 0
        fi
        running || fail "the program ended while waiting for a popup menu"
        sleep "$tick"
    done
    fail "no popup menu within 10 s"
}

# Waits until nothing but the main window is shown.
wait_alone() {
    local n
    for ((n = 0; n < max_ticks; n++)); do
        [[ -z $(others) ]] && return 0
        running || fail "the program ended"
        sleep "$tick"
    done
    fail "still showing windows $(others) 10 s later"
}

# Where a window's client area is, as X,Y from the screen's corner.
window_origin() { xwininfo -id "$1" | awk '/Absolute upper-left X/ {x = $4} /Absolute upper-left Y/ {y = $4} END {print x "," y}'; }

# Checks dialog $1 as it opens: the window system chooses where it opens when
# $2 is "placed", otherwise it opens at its designed place $2, X,Y. Under a
# window manager it allows no minimising, maximising or resizing, and a
# request to minimise it leaves it and the main window shown; a move asked
# after that request marks when the manager has dealt with it.
check_dialog() {
    local id=$1 place=$2 hints actions origin n w
    hints=$(xprop -id "$id" WM_NORMAL_HINTS)
    if [[ $place == placed ]]; then
        if grep -q 'specified location' <<<"$hints"; then fail "the program chose where window $id opens: $hints"; fi
    else
        grep -q "user specified location: ${place/,/, }" <<<"$hints" || fail "window $id is not asked for at $place: $hints"
        [[ $(window_origin "$id") == "$place" ]] || fail "window $id opened at $(window_origin "$id"), not $place"
    fi
    [[ -n ${QUORVELIN_SESSION_WM:-} ]] || return 0
    actions=$(xprop -id "$id" _NET_WM_ALLOWED_ACTIONS)
    if grep -qE 'MINIMIZE|MAXIMIZE|RESIZE' <<<"$actions"; then fail "$QUORVELIN_SESSION_WM allows window $id $actions"; fi
    origin=$(window_origin "$id")
    xdotool windowminimize "$id" windowmove "$id" $((${origin%,*} + 10)) "${origin#*,}"
    for ((n = 0; n < max_ticks; n++)); do
        [[ $(window_origin "$id") != "$origin" ]] && break
        sleep "$tick"
    done
    ((n < max_ticks)) || fail "$QUORVELIN_SESSION_WM did not move window $id within 10 s"
    for w in "$id" "$main"; do
        xprop -id "$w" WM_STATE | grep -q 'window state: Normal' || fail "minimising window $id hid window $w"
    done
}

# Without a window manager nothing hands the keyboard to a new window; the
# program asks for it itself, this makes sure it has it before keys are sent.
focus() {
    timeout 5 xdotool windowfocus --sync "$1" || fail "could not give the keyboard focus to window $1"
}

click() { xdotool mousemove --window "$1" "$2" "$3" click "${4:-1}"; }

# Clicks item $2 of the $3 items of popup menu $1, which share its height.
choose() {
    local height
    height=$(xdotool getwindowgeometry "$1" | sed -n 's/.*Geometry: [0-9]*x\([0-9]*\).*/\1/p')
    [[ -n $height ]] || fail "popup menu $1 is gone"
    click "$1" 40 $(((2 * $2 - 1) * height / (2 * $3)))
}

# Clicks the middle of toolbar button $1.
toolbar() { click "$main" $(($(toolbar_button_left "$1") + 12)) $((toolbar_top + 11)); }

SECONDS=0

if [[ -n ${QUORVELIN_SESSION_WM:-} ]]; then
    step="start $QUORVELIN_SESSION_WM"
    "$QUORVELIN_SESSION_WM" >"$work/wm.log" 2>&1 &
    wm_pid=$!
    # A window manager announces itself on the root window once it runs.
    for ((n = 0; n < max_ticks; n++)); do
        xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
        kill -0 "$wm_pid" 2>/dev/null || fail "$QUORVELIN_SESSION_WM ended: $(cat "$work/wm.log")"
        sleep "$tick"
    done
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' || fail "$QUORVELIN_SESSION_WM did not start"
fi

step="a directory with one entry"
mkdir "$work/dir"
cd "$work/dir"
"$init" >/dev/null
sqlite3 quorvelin.mdb "insert into book (code, name, tel, parent) values (1, 'Taxi', 5550100, 0)"
expect_table '1|Taxi|5550100|integer|0'

"$app" >"$work/stdout" 2>"$work/stderr" &
pid=$!
main=
main=$(wait_window Quorvelin)
[[ $("$xwindow" type "$main") == _NET_WM_WINDOW_TYPE_NORMAL ]] || fail "the window Quorvelin is not a normal window"
expect_up_button disabled # at the top level
expect_table '1|Taxi|5550100|integer|0'
echo "session: started, window $main"

step="delete Taxi, clicked first"
# The click is what gives the window the keyboard focus, and with it the
# grid: Delete acts on the grid.
click "$main" "$grid_x" "$(grid_row_y 1)"
toolbar 4 # Delete
expect_table
echo "session: $step"

step="add the folder Friends"
toolbar 3 # New Folder
box=$(wait_window 'The Name of the folder')
focus "$box"
xdotool type --delay 10 'Friends'
xdotool key Return
wait_alone
expect_table '2|Friends|0|integer|0'
echo "session: $step"

step="open Friends"
xdotool mousemove --window "$main" "$folder1_x" "$folder1_y" click --repeat 2 --delay 80 1
expect_up_button enabled
expect_table '2|Friends|0|integer|0'
echo "session: $step"

step="add two entries with Next Data"
toolbar 2 # New Telphone
dialog=$(wait_window 'New Data')
check_dialog "$dialog" placed
focus "$dialog"
click "$dialog" "$text1_x" "$text1_y"
xdotool type --delay 10 'Alice Smith'
xdotool key Tab
xdotool type --delay 10 '5550101'
click "$dialog" "$next_data_x" "$buttons_y"
expect_table '2|Friends|0|integer|0' '3|Alice Smith|5550101|integer|2'
click "$dialog" "$text1_x" "$text1_y"
xdotool type --delay 10 'Bob'
xdotool key Tab
xdotool type --delay 10 '5550102'
click "$dialog" "$next_data_x" "$buttons_y"
expect_table '2|Friends|0|integer|0' '3|Alice Smith|5550101|integer|2' '4|Bob|5550102|integer|2'
click "$dialog" "$cancel_x" "$buttons_y"
wait_alone
expect_table '2|Friends|0|integer|0' '3|Alice Smith|5550101|integer|2' '4|Bob|5550102|integer|2'
echo "session: $step"

step="rename Bob"
# Select the second row, then open the grid's menu on it: Add New Tel,
# Rename, Delete.
click "$main" "$grid_x" "$(grid_row_y 2)"
click "$main" "$grid_x" "$(grid_row_y 2)" 3
popup=$(wait_popup)
choose "$popup" 2 3
dialog=$(wait_window Rename)
check_dialog "$dialog" placed
focus "$dialog"
# The dialog holds the entry as it is: replace its name. The apostrophe must
# reach the file as typed.
click "$dialog" $((text1_x + edit_shift)) "$text1_y"
xdotool key ctrl+a
xdotool type --delay 10 "Bob O'Neil"
click "$dialog" $((ok_x + edit_shift)) "$buttons_y"
wait_alone
expect_table '2|Friends|0|integer|0' '3|Alice Smith|5550101|integer|2' "4|Bob O'Neil|5550102|integer|2"
echo "session: $step"

step="go up a level"
toolbar 1 # Up on level
expect_up_button disabled
expect_table '2|Friends|0|integer|0' '3|Alice Smith|5550101|integer|2' "4|Bob O'Neil|5550102|integer|2"
echo "session: $step"

step="delete Friends"
click "$main" "$folder1_x" "$folder1_y"
toolbar 4 # Delete, on the list, which has the focus
# The folder goes with everything in it.
expect_table
echo "session: $step"

step="show the About box"
toolbar 6 # Help
dialog=$(wait_window 'About ')
check_dialog "$dialog" 156,129
focus "$dialog"
xdotool key Return
wait_alone
expect_table
echo "session: $step"

step="close the window"
"$xwindow" close "$main"
for ((n = 0; n < max_ticks; n++)); do
    running || break
    sleep "$tick"
done
running && fail "still running 10 s after its window was closed"
status=0
wait "$pid" || status=$?
pid=
((status == 0)) || fail "ended with status $status"
expect_table
# The program reports an engine failure on stderr before it ends.
if grep -q '^quorvelin:' "$work/stderr"; then fail "the program reported a failure"; fi
echo "session: closed, status 0; whole session in ${SECONDS} s"
