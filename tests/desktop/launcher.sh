#!/usr/bin/env bash
# The menu's launcher without a display, beside the real quorvelin-tool and a
# stand-in program that records where it was started and with how many
# arguments: what installed.sh does not reach.
#
# Usage: launcher.sh LAUNCHER QUORVELIN_TOOL
set -euo pipefail
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/bin" "$work/cwd"
cp "$1" "$work/bin/quorvelin-desktop"
tool=$work/bin/quorvelin-tool
ln -s "$(realpath "$2")" "$tool"
printf '#!/bin/sh\necho "$PWD $#" >"%s"\n' "$work/started" >"$work/bin/quorvelin"
chmod +x "$work/bin/quorvelin"
ln -s "$work/bin/quorvelin-desktop" "$work/link" # as from ~/bin

failures=0
fail() {
    echo "launcher: FAIL: $case: $*" >&2
    failures=$((failures + 1))
}
# launch XDG_DATA_HOME ARGS...: sets $status and $started.
launch() {
    rm -f "$work/started"
    status=0
    (cd "$work/cwd" && env -u XDG_STATE_HOME HOME="$work/home" XDG_DATA_HOME="$1" \
        "$work/link" "${@:2}" 2>"$work/err") || status=$?
    started=$(cat "$work/started" 2>/dev/null) || started=
}
records() { "$tool" --file "$1" check | sed -n 's/^.*: \([0-9]*\) records.*/\1/p'; }

# A relative XDG_DATA_HOME is ignored: the data go under HOME.
case="relative XDG_DATA_HOME, --sample"
launch relative/data --sample
home=$work/home/.local/share/quorvelin
[[ $started == "$home 0" ]] || fail "started as \"$started\" (status $status: $(cat "$work/err"))"
[[ ! -e $work/cwd/relative ]] || fail "used the relative path"
(($(records "$home/quorvelin.mdb") > 0)) || fail "no sample records"

case="existing file, --sample"
cp "$home/quorvelin.mdb" "$work/before.mdb"
launch "" --sample
[[ $started == "$home 0" ]] || fail "started as \"$started\""
cmp -s "$home/quorvelin.mdb" "$work/before.mdb" || fail "the file was changed"

case="dangling link"
mkdir -p "$work/linked/quorvelin"
ln -s "$work/nowhere.mdb" "$work/linked/quorvelin/quorvelin.mdb"
launch "$work/linked"
[[ $started == "$work/linked/quorvelin 0" ]] || fail "started as \"$started\""
[[ ! -e $work/nowhere.mdb ]] || fail "made a file through the link"

case="data folder is a file"
touch "$work/plainfile"
launch "$work/plainfile"
((status != 0)) && [[ -z $started && -s $work/err ]] || fail "status $status, started \"$started\""

case="unknown argument"
launch "$work/data" --unknown
((status == 2)) && [[ -z $started && ! -e $work/data ]] || fail "status $status, started \"$started\""

# A sync set up for the directory runs before the window and after it; one
# that fails is said and keeps nothing from opening. Nothing listens on the
# port of a server just stopped.
case="sync set up, server gone"
port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
HOME=$work/home XDG_STATE_HOME=$work/home/.local/state "$tool" --file "$home/quorvelin.mdb" sync \
    "http://127.0.0.1:$port/ann/book/" >/dev/null 2>&1 || true
launch ""
[[ $started == "$home 0" ]] || fail "started as \"$started\""
(($(grep -c "cannot reach the server" "$work/err") == 2)) || fail "not twice said: $(cat "$work/err")"
((status == 0)) || fail "status $status"

((failures == 0)) || exit 1
echo "launcher: all cases passed"
