#!/usr/bin/env python3
"""Draws the layout tool switch's cell images (hand, zoom, compass) into resources/shared/Images."""
import math, os, struct, zlib

OUT = os.path.join(os.path.dirname(__file__), '..', 'resources', 'shared', 'Images')
S = 16
INK = (60, 60, 60, 255)
CLEAR = (0, 0, 0, 0)


def png(path, pixel):
    rows = b''.join(b'\0' + b''.join(bytes(pixel(x, y)) for x in range(S)) for y in range(S))
    def chunk(kind, data):
        return struct.pack('>I', len(data)) + kind + data + struct.pack('>I', zlib.crc32(kind + data) & 0xffffffff)
    data = b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', S, S, 8, 6, 0, 0, 0))
    data += chunk(b'IDAT', zlib.compress(rows, 9)) + chunk(b'IEND', b'')
    with open(path, 'wb') as f:
        f.write(data)


def hand(x, y):
    # Four fingers over a palm, the thumb to the left.
    palm = 4 <= x <= 12 and 8 <= y <= 14
    fingers = any(x in (fx, fx + 1) and 2 <= y <= 8 for fx in (5, 7, 9, 11)) and x % 2 == 1
    thumb = 2 <= x <= 4 and 7 <= y <= 10 and x - 2 >= y - 8
    return INK if palm or fingers or thumb else CLEAR


def zoom(x, y):
    d = math.hypot(x - 6.5, y - 6.5)
    ring = 3.6 <= d <= 5.2
    plus = (abs(x - 6.5) < 1 and abs(y - 6.5) < 2.6) or (abs(y - 6.5) < 1 and abs(x - 6.5) < 2.6)
    handle = 10 <= x <= 14 and 10 <= y <= 14 and abs(x - y) <= 1
    return INK if ring or plus or handle else CLEAR


def compass(x, y):
    d = math.hypot(x - 7.5, y - 7.5)
    ring = 6 <= d <= 7.4
    needle = abs(x - 7.5) + abs(y - 7.5) * 0.35 < 1.6 and d < 5.5
    arrows = (abs(y - 7.5) < 1 and d < 5.5) or needle
    return INK if ring or arrows else CLEAR


for name, pixel in (('HandIcon', hand), ('ZoomInIcon', zoom), ('CompassIcon', compass)):
    png(os.path.join(OUT, name + '.png'), pixel)
