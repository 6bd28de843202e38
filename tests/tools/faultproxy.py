#!/usr/bin/env python3
"""A proxy in front of a real CardDAV server that breaks it on demand, for the tests of sync.

Listens on 127.0.0.1 and a free port, prints the port once it listens, and
hands every request to --upstream with the same method, path, headers and
body, and the answer back to the client. The rules file is read afresh for
each request, so a test changes the faults between runs by rewriting it; a
missing or empty file means none. Its JSON may hold:

  "refuse_writes": 507
      every PUT and DELETE is answered with this status, never forwarded
  "multiget_omit": ["name.vcf", ...]
      the cards' <response> elements are cut out of addressbook-multiget answers
  "multiget_status": {"name.vcf": 403, "*": 500}
      the cards' (or every card's) <response> in addressbook-multiget answers
      carry only their href and this status

The rest of a rewritten answer stays byte for byte what the server sent.
"""

import argparse
import html
import http.client
import json
import re
import urllib.parse
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

# Meaningful for one hop only: Host and Content-Length are set anew for the
# next one, and any 100-continue has already been answered here.
HOP_BY_HOP = {"connection", "keep-alive", "transfer-encoding", "te", "trailer", "upgrade", "proxy-connection",
              "expect", "host", "content-length"}
MULTIGET = re.compile(rb"<(?:[\w.-]+:)?addressbook-multiget[\s/>]")
# Radicale writes the DAV: namespace as the default, Xandikos as ns0:; the
# closing tag must carry the same prefix as the opening one. The prefix group
# may be empty but always takes part, as a backreference to one that took no
# part never matches.
RESPONSE = re.compile(rb"(<((?:[\w.-]+:)?)response(?:\s[^>]*)?>)(.*?)</\2response\s*>", re.S)
HREF = re.compile(rb"<(?:[\w.-]+:)?href(?:\s[^>]*)?>([^<]*)</(?:[\w.-]+:)?href\s*>")


def reason(status):
    return http.client.responses.get(status, "Error")


def card_name(href):
    path = urllib.parse.urlsplit(html.unescape(href.decode("utf-8", "replace"))).path
    return urllib.parse.unquote(path.rstrip("/").rsplit("/", 1)[-1])


def rewrite(body, rules):
    """The multiget answer with the rules' faults applied."""
    omit = set(rules.get("multiget_omit") or ())
    statuses = rules.get("multiget_status") or {}

    def one(m):
        href = HREF.search(m.group(3))
        # A response with several hrefs (allowed for errors) goes by its first.
        name = card_name(href.group(1)) if href else None
        if name in omit:
            return b""
        status = statuses.get(name, statuses.get("*"))
        if status is None or href is None:
            return m.group(0)
        prefix = m.group(2)
        line = ("HTTP/1.1 %d %s" % (status, reason(status))).encode()
        return (m.group(1) + href.group(0) + b"<" + prefix + b"status>" + line + b"</" + prefix + b"status></"
                + prefix + b"response>")

    return RESPONSE.sub(one, body)


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, *args):
        pass

    def handle(self):
        try:
            super().handle()
        except ConnectionError:
            pass  # a client that hangs up mid-answer is no fault of the server's

    def __getattr__(self, name):
        # Every method goes the same way, whatever WebDAV verb the client uses.
        if name.startswith("do_"):
            return self.forward
        raise AttributeError(name)

    def request_body(self):
        if "chunked" not in self.headers.get("Transfer-Encoding", "").lower():
            return self.rfile.read(int(self.headers.get("Content-Length") or 0))
        body = b""
        while size := int(self.rfile.readline().split(b";")[0], 16):
            body += self.rfile.read(size)
            self.rfile.readline()
        while self.rfile.readline().strip():
            pass
        return body

    def answer(self, status, text, headers, body):
        self.send_response_only(status, text)
        for name, value in headers:
            self.send_header(name, value)
        if status >= 200 and status not in (204, 304) and self.command != "HEAD":
            self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        if self.command != "HEAD":
            self.wfile.write(body)

    def forward(self):
        body = self.request_body()
        try:
            with open(ARGS.rules, encoding="utf-8") as f:
                text = f.read()
            rules = json.loads(text) if text.strip() else {}
        except FileNotFoundError:
            rules = {}
        except ValueError as e:
            return self.answer(500, None, [], ("bad rules: %s\n" % e).encode())
        refused = rules.get("refuse_writes")
        if refused and self.command in ("PUT", "DELETE"):
            return self.answer(refused, None, [("Content-Type", "text/plain")], b"refused by faultproxy\n")
        dropped = HOP_BY_HOP | {h.strip().lower() for h in self.headers.get("Connection", "").split(",")}
        headers = {k: v for k, v in self.headers.items() if k.lower() not in dropped}
        headers["Host"] = UPSTREAM.netloc
        headers["Content-Length"] = str(len(body))
        upstream = http.client.HTTPConnection(UPSTREAM.hostname, UPSTREAM.port, timeout=60)
        try:
            upstream.request(self.command, self.path, body, headers)
            reply = upstream.getresponse()
            answer, answer_headers = reply.read(), reply.getheaders()
        except OSError as e:
            return self.answer(502, None, [], ("upstream: %s\n" % e).encode())
        finally:
            upstream.close()
        if self.command == "REPORT" and reply.status == 207 and MULTIGET.search(body):
            answer = rewrite(answer, rules)
        answer_headers = [(k, v) for k, v in answer_headers if k.lower() not in HOP_BY_HOP]
        self.answer(reply.status, reply.reason, answer_headers, answer)


def main():
    global ARGS, UPSTREAM
    parser = argparse.ArgumentParser()
    parser.add_argument("--upstream", required=True, help="http://127.0.0.1:PORT")
    parser.add_argument("--rules", required=True)
    ARGS = parser.parse_args()
    UPSTREAM = urllib.parse.urlsplit(ARGS.upstream)
    server = ThreadingHTTPServer(("127.0.0.1", 0), Handler)
    print(server.server_address[1], flush=True)
    server.serve_forever()


if __name__ == "__main__":
    main()
