#!/usr/bin/python3
"""A bus for tests that lets a client in and then misbehaves.

Usage: refusing_bus.py SOCKET [MODE]. It listens on the Unix socket SOCKET, prints "listening", and
serves one client at a time. In the default mode, "refuse", it completes the authentication
handshake, answers the client's first message (the bus's Hello) with an error, prints "refused",
and prints "closed" when the client hangs up. Mode "silent" takes connections and never says a
word; mode "no-hello" completes the handshake and never answers Hello. A client that hangs up
early (a probe) is simply let go.
"""
import os
import socket
import struct
import sys


def pad(data, n):
    return data + b"\0" * (-len(data) % n)


def string(text):
    raw = text.encode()
    return struct.pack("<I", len(raw)) + raw + b"\0"


def error_reply(serial):
    """A little-endian ERROR message answering `serial`, with one string argument."""
    fields = b""
    fields = pad(fields, 8) + bytes([4, 1]) + b"s\0" + string("org.freedesktop.DBus.Error.AccessDenied")
    fields = pad(fields, 8) + bytes([5, 1]) + b"u\0" + struct.pack("<I", serial)
    fields = pad(fields, 8) + bytes([8, 1]) + b"g\0" + bytes([1]) + b"s\0"
    body = string("no registration on this bus")
    header = b"l" + bytes([3, 1, 1]) + struct.pack("<III", len(body), 1, len(fields))
    return pad(header + fields, 8) + body


def serve(client, mode):
    buffer = b""

    def more():
        nonlocal buffer
        data = client.recv(4096)
        if not data:
            raise EOFError
        buffer += data

    # The handshake: a NUL byte, then lines up to BEGIN.
    while True:
        while b"\r\n" not in buffer:
            more()
        line, buffer = buffer.split(b"\r\n", 1)
        command = line.lstrip(b"\0")
        if command.startswith(b"AUTH"):
            client.sendall(b"OK " + b"0123456789abcdef" * 2 + b"\r\n")
        elif command.startswith(b"NEGOTIATE_UNIX_FD"):
            client.sendall(b"AGREE_UNIX_FD\r\n")
        elif command.startswith(b"BEGIN"):
            break
        else:
            client.sendall(b"ERROR\r\n")
    # The first message: its fixed header says how long it is and which serial it has.
    while len(buffer) < 16:
        more()
    order = "<" if buffer[0:1] == b"l" else ">"
    body_length, serial, fields_length = struct.unpack(order + "III", buffer[4:16])
    total = 16 + fields_length + (-fields_length % 8) + body_length
    while len(buffer) < total:
        more()
    if mode == "no-hello":
        drain(client)
        return
    client.sendall(error_reply(serial))
    print("refused", flush=True)
    drain(client)


def drain(client):
    while client.recv(4096):
        pass
    print("closed", flush=True)


def main():
    path = sys.argv[1]
    mode = sys.argv[2] if len(sys.argv) > 2 else "refuse"
    if os.path.exists(path):
        os.unlink(path)
    server = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
    server.bind(path)
    server.listen(4)
    print("listening", flush=True)
    while True:
        client, _ = server.accept()
        try:
            if mode == "silent":
                drain(client)
            else:
                serve(client, mode)
        except (EOFError, ConnectionError):
            pass
        finally:
            client.close()


if __name__ == "__main__":
    main()
