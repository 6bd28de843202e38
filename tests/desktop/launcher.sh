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

# The menu's "Print the directory": the phone list made beside the file and
# handed to the desktop's viewer, a stand-in that records what it is given;
# no window starts.
case="print action"
mkdir "$work/viewer"
printf '#!/bin/sh\necho "$@" >"%s"\n' "$work/opened" >"$work/viewer/xdg-open"
chmod +x "$work/viewer/xdg-open"
PATH=$work/viewer:$PATH launch "" --print
((status == 0)) && [[ -z $started ]] || fail "status $status, started \"$started\": $(cat "$work/err")"
[[ $(cat "$work/opened" 2>/dev/null) == "$home/quorvelin.pdf" ]] || fail "opened \"$(cat "$work/opened" 2>/dev/null)\""
pdftotext "$home/quorvelin.pdf" - | grep -q "Nora Ellis" || fail "the sample's entries are not in the phone list"

# A sync set up for the directory runs before the window and after it; one
# that fails is said and keeps nothing from opening. It is set up against an
# address book that takes every card; then it refuses in words holding markup
# and controls while $work/refuse exists; then nothing listens on its port.
case="sync set up"
python3 -u - "$work/refuse" >"$work/port" <<'SERVER' &
import os, sys
from http.server import BaseHTTPRequestHandler, HTTPServer
class Book(BaseHTTPRequestHandler):
    def answer(self, status, body=b"", headers=(), reason=None):
        self.send_response(status, reason)
        for header in headers:
            self.send_header(*header)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)
    def do_PROPFIND(self):
        self.rfile.read(int(self.headers["Content-Length"] or 0))
        if os.path.exists(sys.argv[1]):
            return self.answer(503, reason='<b>Down</b> & "out" \\033[2J \x1b]0;owned\x07\x9b2J')
        self.answer(207, b'<multistatus xmlns="DAV:"><response><href>/ann/book/</href><propstat><prop><resourcetype>'
                    b'<collection/><addressbook xmlns="urn:ietf:params:xml:ns:carddav"/></resourcetype></prop>'
                    b'<status>HTTP/1.1 200 OK</status></propstat></response></multistatus>')
    def do_PUT(self):
        self.rfile.read(int(self.headers["Content-Length"] or 0))
        self.answer(201, headers=[("ETag", '"1"')])
    def log_message(self, *args):
        pass
server = HTTPServer(("127.0.0.1", 0), Book)
print(server.server_address[1])
server.serve_forever()
SERVER
server=$!
while [[ ! -s $work/port ]]; do sleep 0.1; done
HOME=$work/home XDG_STATE_HOME=$work/home/.local/state "$tool" --file "$home/quorvelin.mdb" sync \
    "http://127.0.0.1:$(cat "$work/port")/ann/book/" >/dev/null 2>"$work/err" || fail "no sync set up: $(cat "$work/err")"

# The server's words hold markup, controls and a C escape as text: the
# terminal and the notification show them as they are. notify-send takes
# its body as markup after undoing C escapes; a stand-in records what it is
# given, one argument a line.
case="sync refused, in markup"
mkdir "$work/notify"
printf '#!/bin/sh\nprintf "%%s\\n" "$@" >>"%s"\n' "$work/notified" >"$work/notify/notify-send"
chmod +x "$work/notify/notify-send"
touch "$work/refuse"
PATH=$work/notify:$PATH launch ""
rm "$work/refuse"
[[ $started == "$home 0" ]] || fail "started as \"$started\""
grep -qF '503 &lt;b&gt;Down&lt;/b&gt; &amp; &quot;out&quot; \\033[2J \\x1B]0;owned\\x07\\x9B2J' "$work/notified" ||
    fail "notified as: $(cat "$work/notified")"
grep -qF '503 <b>Down</b> & "out" \033[2J \x1B]0;owned\x07\x9B2J' "$work/err" || fail "said as: $(cat "$work/err")"
! LC_ALL=C grep -q $'\x1b\\|\x07\\|\xc2\x9b' "$work/notified" "$work/err" || fail "a control reached the screen"

case="sync set up, server gone"
kill $server
wait $server || true
launch ""
[[ $started == "$home 0" ]] || fail "started as \"$started\""
(($(grep -c "cannot reach the server" "$work/err") == 2)) || fail "not twice said: $(cat "$work/err")"
((status == 0)) || fail "status $status"

((failures == 0)) || exit 1
echo "launcher: all cases passed"
