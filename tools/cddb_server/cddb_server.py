#!/usr/bin/env python3
"""A small CDDB server (protocol levels 1 to 6 through its HTTP gateway), for tests and the
demonstration. It is as strict as the real servers, so that clients meet here what users meet.

Usage:
    cddb_server.py --data DIR [--data DIR ...] [--host 127.0.0.1] [--port 0]
                   [--log FILE] [--reply JSON ...]

Answers GET <any path>?cmd=<command>&hello=<user>+<host>+<client>+<version>&proto=<level>, with
'+' standing for spaces. Entries are xmcd files laid out as CDDB data is: DIR/<category>/<discid>,
stored as UTF-8 or, when they are not valid UTF-8, as ISO-8859-1. DIR/sites, when present, holds the
lines of the "sites" reply. With several --data directories an entry is looked for in each, in order.

Protocol levels, as real servers treat them: proto absent is level 1; a level outside 1..6 gets 501.
Below level 6 replies are ISO-8859-1 and every character outside it becomes "?"; at level 6 they
are UTF-8 with "charset=UTF-8" in the Content-Type. Several exact matches give 210 from level 4 on,
211 below. DYEAR and DGENRE lines are sent from level 5 on. Lines go out ended by CR LF.

Once listening it prints "PORT <n>" on a line of its own on stdout; with --port 0 (the default) the
system picks a free port on the loopback interface.

Commands:
    cddb query ID N OFFSET... SECONDS
        the ID names one entry: 200; entries in several categories: 210 + list; none, but entries
        with N tracks whose every offset lies within 150 frames of the query's: 211 + list;
        else 202.
    cddb read CATEGORY ID     210 + the entry + "."; 401 when there is no such entry; 501 for a
                              category that is not one of the eleven CDDB categories.
    sites                     210 + the site lines + "."; 401 without a sites file.
    A command without hello gets 409; anything else 500.
An entry whose track counts disagree (frame offsets, TTITLE and EXTT groups) is invalid, as real
servers would never have taken it: reading it, or querying its exact ID, gets 403.

Scripting, for tests: each --reply JSON object scripts the reply to the next request, in the order
given; once they are used up, requests get the normal answers. Keys (all optional):
    status       HTTP status, default 200
    reason       reason phrase, default from the status
    body         reply body (default: the normal CDDB answer); text is sent as ISO-8859-1 bytes
    encoding     codec of a scripted body, default "latin-1" ("utf-8" for UTF-8 bytes)
    charset      charset named in the Content-Type; null names none (default: as the level gives)
    refuse_hello 433 or 500: the hello is refused with that CDDB status line, in an HTTP 200 reply
    location     value of a Location header
    headers      object of further header lines
    times        number of requests this reply answers, default 1
    delay        seconds to wait before sending anything
    drip         seconds to wait between body pieces of drip_size bytes (default 1)
    hang         true: after the reply, keep the connection open until the client closes it
    silent       true: accept the request and never answer, until the client closes
    line_ending  "\\n" to end the status and header lines with LF alone (default CR LF)
    long_header  add a header line of this many bytes
    fill         append this many "x" bytes to the body
    append       text appended to the body (after "fill"), sent as ISO-8859-1 bytes: garbage or
                 NUL bytes ("\\u0000") after a reply
    no_terminator true: the body's "." line (its last line) is not sent
    content_length true: a Content-Length header with the body's length; a number: that number
                 announced, whatever is sent
    cut          send only the first this many bytes of the body, then close (with content_length
                 true the whole body's length is still announced)
In body, location and header values, "{port}" becomes the server's port and "{query}" the
request's query string.

--log FILE appends every request's request line and header lines to FILE, then an empty line.
"""

import argparse
import json
import os
import socket
import socketserver
import sys
import threading
import time
import urllib.parse

REASONS = {200: "OK", 302: "Found", 301: "Moved Permanently", 400: "Bad Request",
           403: "Forbidden", 404: "Not Found", 500: "Internal Server Error"}
FUZZ_FRAMES = 150
CATEGORIES = {"blues", "classical", "country", "data", "folk", "jazz", "misc", "newage", "reggae",
              "rock", "soundtrack"}
REFUSALS = {433: "433 No connections allowed: 0 users allowed, 0 currently active.",
            500: "500 Unknown application"}
MAX_LEVEL = 6


def group_count(lines, keyword):
    """The number of distinct groups KEYWORDn= in lines."""
    numbers = set()
    for line in lines:
        if line.startswith(keyword):
            number = line[len(keyword):].split("=", 1)[0]
            if number.isdigit():
                numbers.add(int(number))
    return len(numbers)


class Entry:
    """One xmcd entry file: its category, disc ID, raw lines, offsets and title."""

    def __init__(self, category, disc_id, path):
        self.category = category
        self.disc_id = disc_id
        with open(path, "rb") as f:
            data = f.read()
        try:
            text = data.decode("utf-8")
        except UnicodeDecodeError:
            text = data.decode("latin-1")
        self.lines = text.replace("\r\n", "\n").split("\n")
        if self.lines and self.lines[-1] == "":
            self.lines.pop()
        self.offsets = []
        reading_offsets = False
        title = ""
        for line in self.lines:
            if line.startswith("#"):
                text = line[1:].strip()
                if text.lower().startswith("track frame offsets"):
                    reading_offsets = True
                elif reading_offsets and text.isdigit():
                    self.offsets.append(int(text))
                elif reading_offsets:
                    reading_offsets = False
            elif line.startswith("DTITLE="):
                title += line[len("DTITLE="):]
        self.title = title
        tracks = len(self.offsets)
        self.valid = tracks > 0 and group_count(self.lines, "TTITLE") == tracks and \
            group_count(self.lines, "EXTT") == tracks

    def match_line(self):
        return self.category + " " + self.disc_id + " " + self.title

    def lines_at(self, level):
        if level >= 5:
            return self.lines
        return [l for l in self.lines if not l.startswith(("DYEAR=", "DGENRE="))]


class Database:
    def __init__(self, dirs):
        self.dirs = dirs

    def entries(self):
        for base in self.dirs:
            if not os.path.isdir(base):
                continue
            for category in sorted(os.listdir(base)):
                cat_dir = os.path.join(base, category)
                if not os.path.isdir(cat_dir):
                    continue
                for disc_id in sorted(os.listdir(cat_dir)):
                    path = os.path.join(cat_dir, disc_id)
                    if os.path.isfile(path):
                        yield Entry(category, disc_id.lower(), path)

    def find(self, category, disc_id):
        for base in self.dirs:
            path = os.path.join(base, category, disc_id.lower())
            if category and "/" not in category and "/" not in disc_id and os.path.isfile(path):
                return Entry(category, disc_id.lower(), path)
        return None

    def sites(self):
        for base in self.dirs:
            path = os.path.join(base, "sites")
            if os.path.isfile(path):
                with open(path, "rb") as f:
                    text = f.read().decode("latin-1")
                return [l for l in text.replace("\r\n", "\n").split("\n") if l]
        return None


def lines_reply(status_line, lines):
    return "".join(l + "\r\n" for l in [status_line] + lines + ["."])


def protocol_level(params):
    """The level the request asks for; None when it is not one a server knows."""
    text = params.get("proto", ["1"])[0]
    if not text.isdigit() or not 1 <= int(text) <= MAX_LEVEL:
        return None
    return int(text)


def cddb_answer(db, params, level):
    """The reply text (str) to a request at a valid level."""
    cmd = params.get("cmd", [""])[0].split()
    if "hello" not in params:
        return "409 No handshake.\r\n"
    if cmd[:2] == ["cddb", "query"] and len(cmd) >= 4:
        return query_answer(db, cmd[2].lower(), cmd[3:], level)
    if cmd[:2] == ["cddb", "read"] and len(cmd) == 4:
        if cmd[2] not in CATEGORIES:
            return "501 Invalid category: %s.\r\n" % cmd[2]
        entry = db.find(cmd[2], cmd[3])
        if entry is None:
            return "401 %s %s No such CD entry in database.\r\n" % (cmd[2], cmd[3])
        if not entry.valid:
            return "403 Database entry is corrupt.\r\n"
        head = "210 %s %s CD database entry follows (until terminating `.')" % (cmd[2], cmd[3].lower())
        return lines_reply(head, entry.lines_at(level))
    if cmd == ["sites"]:
        sites = db.sites()
        if sites is None:
            return "401 No site information available.\r\n"
        return lines_reply("210 OK, site information follows (until terminating `.')", sites)
    return "500 Unrecognized command.\r\n"


def query_answer(db, disc_id, rest, level):
    try:
        numbers = [int(x) for x in rest]
    except ValueError:
        return "500 Command syntax error.\r\n"
    count, offsets = numbers[0], numbers[1:-1]
    entries = [e for e in db.entries() if e.category in CATEGORIES]
    exact = [e for e in entries if e.disc_id == disc_id]
    if any(not e.valid for e in exact):
        return "403 Database entry is corrupt.\r\n"
    if len(exact) == 1:
        return "200 " + exact[0].match_line() + "\r\n"
    if exact and level >= 4:
        return lines_reply("210 Found exact matches, list follows (until terminating `.')",
                           [e.match_line() for e in exact])
    fuzzy = exact or [e for e in entries
                      if e.valid and len(e.offsets) == count == len(offsets)
                      and all(abs(a - b) <= FUZZ_FRAMES for a, b in zip(e.offsets, offsets))]
    if fuzzy:
        return lines_reply("211 Found inexact matches, list follows (until terminating `.')",
                           [e.match_line() for e in fuzzy])
    return "202 No match for disc ID %s.\r\n" % disc_id


class Script:
    """The scripted replies still to give, in order."""

    def __init__(self, specs):
        self.lock = threading.Lock()
        self.pending = [[spec, int(spec.get("times", 1))] for spec in specs]

    def next(self):
        with self.lock:
            while self.pending and self.pending[0][1] <= 0:
                self.pending.pop(0)
            if not self.pending:
                return None
            self.pending[0][1] -= 1
            return self.pending[0][0]


class Handler(socketserver.BaseRequestHandler):
    def handle(self):
        server = self.server
        sock = self.request
        head = b""
        while b"\r\n\r\n" not in head and b"\n\n" not in head and len(head) < 65536:
            chunk = sock.recv(4096)
            if not chunk:
                return
            head += chunk
        head_lines = head.replace(b"\r\n", b"\n").split(b"\n\n")[0].split(b"\n")
        server.log_request(head_lines)
        parts = head_lines[0].split(b" ")
        target = parts[1].decode("latin-1") if len(parts) > 1 else "/"
        query = urllib.parse.urlsplit(target).query

        spec = server.script.next() or {}
        port = str(server.server_address[1])

        def expand(text):
            return text.replace("{port}", port).replace("{query}", query)

        if "delay" in spec:
            time.sleep(float(spec["delay"]))
        if spec.get("silent"):
            # Accepts and never answers, as a stuck server does.
            while sock.recv(4096):
                pass
            return
        status = int(spec.get("status", 200))
        reason = spec.get("reason", REASONS.get(status, "Unknown"))
        params = urllib.parse.parse_qs(query, keep_blank_values=True, encoding="latin-1")
        level = protocol_level(params)
        utf8 = level == MAX_LEVEL
        charset = "UTF-8" if utf8 else "ISO-8859-1"
        if "body" in spec:
            encoding = spec.get("encoding", "latin-1")
            body = expand(spec["body"]).encode(encoding)
            charset = "UTF-8" if encoding.lower() in ("utf-8", "utf8") else "ISO-8859-1"
        else:
            if level is None:
                text = "501 Illegal protocol level.\r\n"
            elif "refuse_hello" in spec:
                text = REFUSALS[int(spec["refuse_hello"])] + "\r\n"
            else:
                text = cddb_answer(server.db, params, level)
            body = text.encode("utf-8") if utf8 else text.encode("latin-1", errors="replace")
        charset = spec.get("charset", charset)
        if spec.get("no_terminator") and body.endswith(b"\r\n.\r\n"):
            body = body[:-3]
        body += b"x" * int(spec.get("fill", 0))
        body += expand(spec.get("append", "")).encode("latin-1")
        announced = spec.get("content_length")
        if announced is True:
            announced = len(body)
        if "cut" in spec:
            body = body[:int(spec["cut"])]
        eol = spec.get("line_ending", "\r\n").encode()
        header_lines = ["HTTP/1.0 %d %s" % (status, reason),
                        "Content-Type: text/plain" + ("; charset=" + charset if charset else "")]
        if "location" in spec:
            header_lines.append("Location: " + expand(spec["location"]))
        for name, value in spec.get("headers", {}).items():
            header_lines.append("%s: %s" % (name, expand(value)))
        if announced is not None and announced is not False:
            header_lines.append("Content-Length: %d" % int(announced))
        if "long_header" in spec:
            header_lines.append("X-Long: " + "y" * int(spec["long_header"]))
        out = b"".join(l.encode("latin-1") + eol for l in header_lines) + eol
        try:
            if "drip" in spec:
                sock.sendall(out)
                size = int(spec.get("drip_size", 1))
                for i in range(0, len(body), size):
                    time.sleep(float(spec["drip"]))
                    sock.sendall(body[i:i + size])
            else:
                sock.sendall(out + body)
            if spec.get("hang"):
                while sock.recv(4096):
                    pass
        except OSError:
            pass


class Server(socketserver.ThreadingTCPServer):
    daemon_threads = True
    allow_reuse_address = True

    def __init__(self, address, db, script, log_path):
        if ":" in address[0]:
            self.address_family = socket.AF_INET6
        super().__init__(address, Handler)
        self.db = db
        self.script = script
        self.log_path = log_path
        self.log_lock = threading.Lock()

    def log_request(self, head_lines):
        if not self.log_path:
            return
        with self.log_lock, open(self.log_path, "ab") as f:
            f.write(b"".join(l + b"\n" for l in head_lines) + b"\n")


def main():
    parser = argparse.ArgumentParser(description="Local CDDB server (see the top of this file).")
    parser.add_argument("--data", action="append", default=[], help="directory of xmcd entries")
    parser.add_argument("--host", default="127.0.0.1", help="address to listen on (\"::1\" for IPv6)")
    parser.add_argument("--port", type=int, default=0)
    parser.add_argument("--log", help="file that receives every request's head")
    parser.add_argument("--reply", action="append", default=[], help="scripted reply (JSON object)")
    args = parser.parse_args()
    try:
        script = Script([json.loads(r) for r in args.reply])
    except (ValueError, AttributeError) as e:
        parser.error("bad --reply: %s" % e)
    server = Server((args.host, args.port), Database(args.data), script, args.log)
    print("PORT %d" % server.server_address[1], flush=True)
    try:
        server.serve_forever()
    except KeyboardInterrupt:
        pass


if __name__ == "__main__":
    sys.exit(main())
