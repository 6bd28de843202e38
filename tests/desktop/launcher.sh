#!/usr/bin/env bash
# The menu's launcher without a display: a copy of it beside the real
# quorvelin-tool and a stand-in for the program that records the folder it
# was started in and its arguments. Checks where the directory file is made,
# that it is made once, empty or (with --sample) with sample records, that an
# existing file or link is never replaced, and that the program is not
# started when the launcher cannot make the file or is misused.
#
# Usage: launcher.sh LAUNCHER QUORVELIN_TOOL
set -euo pipefail

if (($# != 2)); then
    echo "usage: $0 LAUNCHER QUORVELIN_TOOL" >&2
    exit 2
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/bin"
cp "$1" "$work/bin/quorvelin-desktop"
ln -s "$(realpath "$2")" "$work/bin/quorvelin-tool"
cat >"$work/bin/quorvelin" <<'PROGRAM'
#!/bin/sh
printf '%s %s\n' "$PWD" "$#" >"$STARTED"
PROGRAM
chmod +x "$work/bin/quorvelin"
tool=$work/bin/quorvelin-tool
export STARTED=$work/started

failures=0
fail() {
    echo "launcher: FAIL: $*" >&2
    failures=$((failures + 1))
}

# launch [ENV...] [-- ARGS...]: runs the launcher with the environment
# changes ENV (as env takes them) and the arguments ARGS, from an unrelated
# folder and through a link to it, as a menu or ~/bin does; sets $status.
launch() {
    local environment=()
    while (($#)) && [[ $1 != -- ]]; do
        environment+=("$1")
        shift
    done
    (($#)) && shift
    rm -f "$STARTED"
    status=0
    (cd "$work/cwd" && env -u XDG_DATA_HOME "${environment[@]}" "$work/link" "$@" >"$work/out" 2>"$work/err") || status=$?
}
ln -s "$work/bin/quorvelin-desktop" "$work/link"
mkdir "$work/cwd"

# expect_started FOLDER: the program ran, in FOLDER, with no arguments.
expect_started() {
    if [[ ! -e $STARTED ]]; then
        fail "$case: the program was not started (status $status: $(cat "$work/err"))"
    elif [[ $(cat "$STARTED") != "$1 0" ]]; then
        fail "$case: the program was started as \"$(cat "$STARTED")\", not in $1 without arguments"
    fi
}

records() { "$tool" --file "$1" check | sed -n 's/^.*: \([0-9]*\) records.*/\1/p'; }

case="first start"
data=$work/data
launch HOME="$work/home" XDG_DATA_HOME="$data"
expect_started "$data/quorvelin"
[[ $(records "$data/quorvelin/quorvelin.mdb") == 0 ]] || fail "$case: no empty directory in XDG_DATA_HOME"
[[ ! -e $work/home ]] || fail "$case: wrote into HOME although XDG_DATA_HOME is set"

case="second start"
"$tool" --file "$data/quorvelin/quorvelin.mdb" import - <<<'/,Kept,5550100' >/dev/null
cp "$data/quorvelin/quorvelin.mdb" "$work/before.mdb"
launch HOME="$work/home" XDG_DATA_HOME="$data" -- --sample
expect_started "$data/quorvelin"
cmp -s "$data/quorvelin/quorvelin.mdb" "$work/before.mdb" || fail "$case: the existing file was changed"

case="no XDG_DATA_HOME"
launch HOME="$work/home"
expect_started "$work/home/.local/share/quorvelin"
[[ -f $work/home/.local/share/quorvelin/quorvelin.mdb ]] || fail "$case: no file under HOME"

# The base directory specification has relative paths ignored.
case="relative XDG_DATA_HOME"
launch HOME="$work/home2" XDG_DATA_HOME=relative/data
expect_started "$work/home2/.local/share/quorvelin"
[[ ! -e $work/cwd/relative ]] || fail "$case: used the relative path"

case="--sample"
launch HOME="$work/home3" -- --sample
expect_started "$work/home3/.local/share/quorvelin"
(($(records "$work/home3/.local/share/quorvelin/quorvelin.mdb") > 0)) || fail "$case: no sample records"

case="dangling link"
mkdir -p "$work/linked/quorvelin"
ln -s "$work/nowhere.mdb" "$work/linked/quorvelin/quorvelin.mdb"
launch HOME="$work/home" XDG_DATA_HOME="$work/linked"
expect_started "$work/linked/quorvelin"
[[ ! -e $work/nowhere.mdb ]] || fail "$case: made a file through the link"

case="data folder is a file"
touch "$work/plainfile"
launch HOME="$work/home" XDG_DATA_HOME="$work/plainfile"
((status != 0)) || fail "$case: ended with status 0"
[[ ! -e $STARTED ]] || fail "$case: started the program without a directory file"
[[ -s $work/err ]] || fail "$case: said nothing on stderr"

for arguments in --unknown "--sample --sample"; do
    case="arguments $arguments"
    # shellcheck disable=SC2086 # the words are the arguments
    launch HOME="$work/home4" -- $arguments
    ((status == 2)) || fail "$case: ended with status $status, not 2"
    [[ ! -e $STARTED && ! -e $work/home4 ]] || fail "$case: went on regardless"
done

case="no HOME"
launch -u HOME
((status == 2)) || fail "$case: ended with status $status, not 2"
[[ ! -e $STARTED ]] || fail "$case: started the program"

((failures == 0)) || exit 1
echo "launcher: all cases passed"
