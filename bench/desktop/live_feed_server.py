#!/usr/bin/env python3
"""A GTFS-Realtime trip-updates feed on 127.0.0.1 for the live benchmark:
every request gets a feed stamped with the present time in which each trip
of ids T0..T<n> of today runs two minutes late at stop sequence 1.

    live_feed_server.py PORT_FILE TRIPS
writes the port it listens on to PORT_FILE and serves until killed."""
import datetime
import http.server
import sys
import time


def varint(n):
    out = bytearray()
    while True:
        b = n & 0x7F
        n >>= 7
        if n:
            out.append(b | 0x80)
        else:
            out.append(b)
            return bytes(out)


def field(number, payload):
    if isinstance(payload, int):
        return varint(number << 3) + varint(payload & 0xFFFFFFFFFFFFFFFF)
    if isinstance(payload, str):
        payload = payload.encode()
    return varint(number << 3 | 2) + varint(len(payload)) + payload


def feed(trips):
    today = datetime.date.today().strftime("%Y%m%d")
    body = field(1, field(1, "2.0") + field(3, int(time.time())))
    for i in range(trips):
        trip = field(1, f"T{i}") + field(3, today)
        update = field(1, 1) + field(3, field(1, 120))
        body += field(2, field(1, f"e{i}") + field(3, field(1, trip) + field(2, update)))
    return body


class Handler(http.server.BaseHTTPRequestHandler):
    def do_GET(self):
        data = feed(self.server.trips)
        self.send_response(200)
        self.send_header("Content-Type", "application/x-protobuf")
        self.send_header("Content-Length", str(len(data)))
        self.end_headers()
        self.wfile.write(data)

    def log_message(self, *args):
        pass


server = http.server.HTTPServer(("127.0.0.1", 0), Handler)
server.trips = int(sys.argv[2])
with open(sys.argv[1], "w") as f:
    f.write(str(server.server_address[1]))
server.serve_forever()
