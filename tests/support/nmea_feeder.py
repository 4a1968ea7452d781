#!/usr/bin/python3
"""A GPS receiver's daemon for tests: serves NMEA sentences on a Unix socket, where GeoClue reads them.

Usage: nmea_feeder.py SOCKET. Commands come on standard input, one a line:
  fix LAT LON HDOP EVERY_MS  every reader gets this fix now (or as it connects), then every EVERY_MS (0: only once)
  stop                       fall silent
Each fix is a GGA and an RMC sentence stamped with the current UTC time. A reader is never hung up on:
GeoClue 2.6 forgets a socket that closes until it is restarted. It prints "ready PORT" once it listens:
PORT is a loopback TCP port bound but not listening, so that connections to it are refused, an address
for a network source that must reach nothing. It ends when its standard input closes.
"""
import os
import selectors
import socket
import sys
import time


def sentence(body):
    checksum = 0
    for byte in body.encode():
        checksum ^= byte
    return '$%s*%02X\r\n' % (body, checksum)


def angle(value, degree_digits, hemispheres):
    # Whole degrees then minutes to 1e-5 (2 cm), rounded as a whole so that 59.999999' never shows as 60'.
    units = round(abs(value) * 60 * 100000)
    degrees, minutes = divmod(units, 60 * 100000)
    return '%0*d%08.5f,%s' % (degree_digits, degrees, minutes / 100000, hemispheres[0 if value >= 0 else 1])


def sentences(latitude, longitude, hdop):
    now = time.gmtime()
    clock = time.strftime('%H%M%S.00', now)
    position = angle(latitude, 2, 'NS') + ',' + angle(longitude, 3, 'EW')
    # GGA without altitude (GeoClue then reports it unknown); RMC without speed and course.
    gga = sentence('GPGGA,%s,%s,1,08,%s,,,,,,' % (clock, position, hdop))
    rmc = sentence('GPRMC,%s,A,%s,,,%s,,,A' % (clock, position, time.strftime('%d%m%y', now)))
    return (gga + rmc).encode()


def main():
    listener = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
    listener.bind(sys.argv[1])
    listener.listen()
    refusing = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    refusing.bind(('127.0.0.1', 0))
    selector = selectors.DefaultSelector()
    selector.register(listener, selectors.EVENT_READ)
    selector.register(sys.stdin.fileno(), selectors.EVENT_READ)
    readers = set()
    fix, every, due, pending = None, 0, None, b''

    def drop(reader):
        selector.unregister(reader)
        readers.discard(reader)
        reader.close()

    def send(reader):
        try:
            reader.send(sentences(*fix))
        except BlockingIOError:
            pass  # a reader that does not read misses this fix, as from a real receiver
        except OSError:
            drop(reader)

    print('ready', refusing.getsockname()[1], flush=True)
    while True:
        timeout = None if due is None else max(0.0, due - time.monotonic())
        for key, _ in selector.select(timeout):
            if key.fileobj is listener:
                reader, _ = listener.accept()
                reader.setblocking(False)
                readers.add(reader)
                selector.register(reader, selectors.EVENT_READ)
                if fix:
                    send(reader)
            elif key.fileobj == sys.stdin.fileno():
                # Read unbuffered: a buffered reader could hold a command back from the selector.
                data = os.read(sys.stdin.fileno(), 4096)
                if not data:
                    return
                pending += data
                while b'\n' in pending:
                    line, pending = pending.split(b'\n', 1)
                    words = line.decode().split()
                    if words[:1] == ['fix']:
                        fix, every = (float(words[1]), float(words[2]), words[3]), int(words[4])
                        for reader in list(readers):
                            send(reader)
                        due = time.monotonic() + every / 1000 if every > 0 else None
                    elif words[:1] == ['stop']:
                        fix, due = None, None
            elif key.fileobj in readers:
                try:
                    if not key.fileobj.recv(4096):
                        drop(key.fileobj)  # the reader hung up
                except OSError:
                    drop(key.fileobj)
        if due is not None and time.monotonic() >= due:
            for reader in list(readers):
                send(reader)
            due += every / 1000


if __name__ == '__main__':
    main()
