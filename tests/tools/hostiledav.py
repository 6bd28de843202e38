#!/usr/bin/env python3
"""A CardDAV server that lies, for the tests of publish.

Serves one address book at /book/ on 127.0.0.1 and a free port, and listens
on a second port that no request should ever reach. Prints "PORT OTHERPORT"
once both listen, and appends every request it receives, on either port, to
the log as a line of JSON: the port, the method, the path, the headers and
the status it answered.

Scenarios:
  outside     a listing naming cards outside the address book, one href
              twice, an ETag that would add a header line; the PUT of a new
              card is met by a dropped connection (Basic credentials ann:pw
              required)
  digest      Digest credentials required (SHA-256, MD5 or Basic offered),
              the nonce going stale after every three requests
  huge        a listing of --size bytes, sent as it is made
  endless     a listing that comes one byte a second
  stuckreport an empty address book with a sync token, whose changes since
              (sync-collection REPORT) are answered 500, a byte a second
  slowchallenge
              Basic credentials required; the challenge and the listing
              each take 0.6 --timeout seconds to arrive
  hugeetag    an empty address book; a PUT is answered with an ETag of
              --size bytes
  hugenonce   every request answered with a Digest challenge whose nonce
              is --size bytes
  nested      a listing of --size elements each inside the last, then
              nothing more until the client goes
"""

import argparse
import base64
import hashlib
import json
import re
import secrets
import socket
import threading
import time
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

USER, PASSWORD, REALM = "ann", "pw", "book"
XML_HEAD = ('<?xml version="1.0" encoding="utf-8"?>\n'
            '<d:multistatus xmlns:d="DAV:" xmlns:c="urn:ietf:params:xml:ns:carddav">')
COLLECTION = ('<d:response><d:href>/book/</d:href><d:propstat><d:prop><d:resourcetype><d:collection/>'
              '<c:addressbook/></d:resourcetype></d:prop><d:status>HTTP/1.1 200 OK</d:status></d:propstat>'
              '</d:response>')


def card(code, name, tel):
    return ("BEGIN:VCARD\r\nVERSION:3.0\r\nUID:%s%d\r\nFN:%s\r\nN:;%s;;;\r\nTEL;TYPE=VOICE:%d\r\n"
            "END:VCARD\r\n" % (ARGS.prefix, code, name, name, tel))


def listed(href, etag):
    return ('<d:response><d:href>%s</d:href><d:propstat><d:prop><d:resourcetype/><d:getetag>%s</d:getetag>'
            '</d:prop><d:status>HTTP/1.1 200 OK</d:status></d:propstat></d:response>' % (href, etag))


def fetched(href, etag, text):
    return ('<d:response><d:href>%s</d:href><d:propstat><d:prop><d:getetag>%s</d:getetag>'
            '<c:address-data>%s</c:address-data></d:prop><d:status>HTTP/1.1 200 OK</d:status></d:propstat>'
            '</d:response>' % (href, etag, text.replace("\r", "&#13;")))


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    lock = threading.Lock()
    nonce = secrets.token_hex(8)
    answered = 0

    def log_message(self, *args):
        pass

    def record(self, status):
        entry = {"port": self.server.server_address[1], "method": self.command, "path": self.path,
                 "headers": [[k, v] for k, v in self.headers.items()], "status": status}
        with Handler.lock, open(ARGS.log, "a", encoding="utf-8") as log:
            log.write(json.dumps(entry) + "\n")

    def answer(self, status, body=b"", headers=()):
        self.record(status)
        self.send_response(status)
        for name, value in headers:
            self.send_header(name, value)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def trickle(self, status, body, seconds, headers=()):
        """Answers with `body` a byte at a time, spread over `seconds`."""
        self.record(status)
        self.send_response(status)
        for name, value in headers:
            self.send_header(name, value)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        try:
            for byte in body:
                self.wfile.write(bytes([byte]))
                self.wfile.flush()
                time.sleep(seconds / len(body))
        except (BrokenPipeError, ConnectionResetError):
            self.close_connection = True

    def body(self):
        return self.rfile.read(int(self.headers.get("Content-Length") or 0))

    def refused(self):
        """Whether the request is one to turn away: sent to the other port, or without credentials."""
        if self.server.server_address[1] != PORT:
            self.answer(404)
            return True
        return not self.authorised()

    def authorised(self):
        given = self.headers.get("Authorization", "")
        if ARGS.scenario in ("outside", "slowchallenge"):
            expected = "Basic " + base64.b64encode(("%s:%s" % (USER, PASSWORD)).encode()).decode()
            if given == expected:
                return True
            challenge = [("WWW-Authenticate", 'Basic realm="%s"' % REALM)]
            if ARGS.scenario == "slowchallenge":
                self.trickle(401, b"Log in first.", 0.6 * ARGS.timeout, challenge)
            else:
                self.answer(401, headers=challenge)
            return False
        if ARGS.scenario == "hugenonce":
            self.answer(401, headers=[("WWW-Authenticate",
                                       'Digest realm="%s", qop="auth", nonce="%s"' % (REALM, "n" * ARGS.size))])
            return False
        if ARGS.scenario != "digest":
            return True
        stale = False
        if given.startswith("Digest "):
            p = dict((m.group(1), m.group(2) if m.group(2) is not None else m.group(3))
                     for m in re.finditer(r'(\w+)=(?:"((?:[^"\\]|\\.)*)"|([^,\s]+))', given[7:]))
            algorithm = p.get("algorithm", "MD5")
            h = (lambda s: hashlib.sha256(s.encode()).hexdigest()) if algorithm == "SHA-256" \
                else (lambda s: hashlib.md5(s.encode()).hexdigest())
            a1 = h("%s:%s:%s" % (USER, REALM, PASSWORD))
            a2 = h("%s:%s" % (self.command, self.path))
            expected = h(":".join([a1, p.get("nonce", ""), p.get("nc", ""), p.get("cnonce", ""), "auth", a2]))
            if p.get("uri") == self.path and p.get("response") == expected and p.get("opaque") == "op":
                if p.get("nonce") == Handler.nonce:
                    with Handler.lock:
                        Handler.answered += 1
                        if Handler.answered % 3 == 0:
                            Handler.nonce = secrets.token_hex(8)
                    return True
                stale = True
        challenge = 'realm="%s", qop="auth", nonce="%s", opaque="op"' % (REALM, Handler.nonce)
        if stale:
            challenge += ", stale=true"
        self.answer(401, headers=[("WWW-Authenticate", "Digest %s, algorithm=SHA-256" % challenge),
                                  ("WWW-Authenticate", "Digest %s, algorithm=MD5" % challenge),
                                  ("WWW-Authenticate", 'Basic realm="%s"' % REALM)])
        return False

    def do_PROPFIND(self):
        self.body()
        if self.refused():
            return
        xml = [("Content-Type", "application/xml; charset=utf-8")]
        if ARGS.scenario in ("outside", "digest", "slowchallenge", "stuckreport", "hugeetag"):
            collection = COLLECTION
            if ARGS.scenario == "stuckreport":
                collection = collection.replace("</d:resourcetype>", "</d:resourcetype><d:sync-token>t1</d:sync-token>")
            text = XML_HEAD + collection + "".join(listed(href, etag) for href, etag in LISTING) + "</d:multistatus>"
            if ARGS.scenario == "slowchallenge":
                return self.trickle(207, text.encode(), 0.6 * ARGS.timeout, xml)
            return self.answer(207, text.encode(), xml)
        if ARGS.scenario == "endless":
            text = (XML_HEAD + COLLECTION + "</d:multistatus>").encode()
            return self.trickle(207, text, len(text), xml)
        self.record(207)
        self.send_response(207)
        self.send_header("Content-Type", "application/xml; charset=utf-8")
        self.send_header("Connection", "close")
        self.end_headers()
        try:
            if ARGS.scenario == "nested":
                self.wfile.write((XML_HEAD + "<d:prop>" * ARGS.size).encode())
                self.wfile.flush()
                self.rfile.read(1)
                return
            other = "".join(listed("/book/other-%d.vcf" % i, '"%d"' % i) for i in range(200)).encode()
            self.wfile.write((XML_HEAD + COLLECTION).encode())
            sent = 0
            while sent < ARGS.size:
                self.wfile.write(other)
                sent += len(other)
            self.wfile.write(b"</d:multistatus>")
        except (BrokenPipeError, ConnectionResetError):
            pass
        self.close_connection = True

    def do_REPORT(self):
        body = self.body().decode()
        asked = re.findall(r"<D:href>([^<]*)</D:href>", body)
        if self.refused():
            return
        if ARGS.scenario == "stuckreport" and "sync-collection" in body:
            return self.trickle(500, b"Internal error, in no hurry to say so." * 100, 3800)
        text = XML_HEAD
        for href in asked:
            name = href.rsplit("/", 1)[-1]
            if name in CARDS:
                etag, content = CARDS[name]
                text += fetched(href, etag, content)
        self.answer(207, (text + "</d:multistatus>").encode(), [("Content-Type", "application/xml; charset=utf-8")])

    def do_PUT(self):
        self.body()
        if self.refused():
            return
        if ARGS.scenario == "outside" and "If-None-Match" in self.headers:
            # Gone before answering: the server may or may not have stored it.
            self.record(0)
            self.close_connection = True
            self.connection.shutdown(socket.SHUT_RDWR)
            return
        if ARGS.scenario == "hugeetag":
            return self.answer(201, headers=[("ETag", '"%s"' % ("e" * ARGS.size))])
        self.answer(201 if self.path.startswith("/book/") else 403)

    def do_DELETE(self):
        self.body()
        if not self.refused():
            self.answer(204 if self.path.startswith("/book/") else 403)


def main():
    global ARGS, PORT, LISTING, CARDS
    parser = argparse.ArgumentParser()
    parser.add_argument("--scenario", required=True)
    parser.add_argument("--prefix", default="")
    parser.add_argument("--log", required=True)
    parser.add_argument("--size", type=int, default=0)
    parser.add_argument("--timeout", type=float, default=0)
    ARGS = parser.parse_args()
    p = ARGS.prefix
    servers = [ThreadingHTTPServer(("127.0.0.1", 0), Handler) for _ in range(2)]
    PORT, other = (s.server_address[1] for s in servers)
    # Entries 1 and 3 are in the directory under other numbers, 2 is gone.
    CARDS = {p + "1.vcf": ('"1"', card(1, "Nora", 5550100)),
             p + "2.vcf": ('"2"', card(2, "Gone", 5550102)),
             p + "3.vcf": ('"3"&#13;&#10;X-Injected: yes', card(3, "Omar", 5550100))}
    LISTING = [("/book/%s1.vcf" % p, '"1"'), ("/book/%s2.vcf" % p, '"2"'), ("/book/%s2.vcf" % p, '"2"')]
    if ARGS.scenario in ("stuckreport", "hugeetag"):
        LISTING = []
    if ARGS.scenario == "outside":
        LISTING += [("/book/%s3.vcf" % p, CARDS[p + "3.vcf"][0]),
                    ("../other/%s4.vcf" % p, '"4"'),
                    ("/%s5.vcf" % p, '"5"'),
                    ("http://127.0.0.1:%d/book/%s6.vcf" % (other, p), '"6"'),
                    ("http://evil.invalid/book/%s7.vcf" % p, '"7"'),
                    ("/book/%%2e%%2e/other/%s8.vcf" % p, '"8"'),
                    ("/book/..%%2fother/%s9.vcf" % p, '"9"')]
    for server in servers:
        threading.Thread(target=server.serve_forever, daemon=True).start()
    print("%d %d" % (PORT, other), flush=True)
    threading.Event().wait()


if __name__ == "__main__":
    main()
