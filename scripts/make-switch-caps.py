#!/usr/bin/env python3
"""Draws the view switch's cap, middle and divider images into resources/shared/Images."""
import os, struct, zlib

OUT = os.path.join(os.path.dirname(__file__), '..', 'resources', 'shared', 'Images')
W, H = 26, 22


def png(path, width, height, pixel):
    rows = b''.join(b'\0' + b''.join(bytes(pixel(x, y)) for x in range(width)) for y in range(height))
    def chunk(kind, data):
        return struct.pack('>I', len(data)) + kind + data + struct.pack('>I', zlib.crc32(kind + data) & 0xffffffff)
    data = b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', width, height, 8, 6, 0, 0, 0))
    data += chunk(b'IDAT', zlib.compress(rows, 9)) + chunk(b'IEND', b'')
    with open(path, 'wb') as f:
        f.write(data)


def face(top, bottom, edge, side):
    """A vertical gradient with a border; `side` rounds the left or right end."""
    def pixel(x, y):
        t = y / (H - 1)
        colour = [round(top[i] + (bottom[i] - top[i]) * t) for i in range(3)]
        border = y == 0 or y == H - 1
        corner = 4
        dx = x if side == 'left' else (W - 1 - x if side == 'right' else None)
        if dx is not None:
            if dx == 0:
                border = True
            dy = min(y, H - 1 - y)
            if dx < corner and dy < corner:
                d = ((corner - dx - 0.5) ** 2 + (corner - dy - 0.5) ** 2) ** 0.5
                if d > corner:
                    return (0, 0, 0, 0)
                if d > corner - 1.2:
                    border = True
        return (*(edge if border else colour), 255)
    return pixel


PLAIN = ((252, 252, 252), (222, 222, 222))
PRESSED = ((200, 200, 200), (176, 176, 176))
BLUE = ((120, 170, 240), (40, 100, 210))
BLUE_PRESSED = ((80, 130, 210), (20, 70, 170))
GRAPHITE = ((170, 180, 192), (112, 124, 138))
GRAPHITE_PRESSED = ((130, 140, 152), (84, 96, 110))
EDGE = (130, 130, 130)


def write(name, colours, side, width=W):
    png(os.path.join(OUT, name + '.png'), width, H, face(colours[0], colours[1], EDGE, side))


for suffix in ('', 'P'):
    sets = [('', PLAIN, PRESSED), ('1', BLUE, BLUE_PRESSED), ('6', GRAPHITE, GRAPHITE_PRESSED)]
    for variant, normal, pressed in sets:
        for part, side in (('LeftCap', 'left'), ('Mid', None), ('RightCap', 'right')):
            write(part + suffix + variant, normal, side)
            write(part + 'Pressed' + suffix + variant, pressed, side)
png(os.path.join(OUT, 'vDiv.png'), 1, H, lambda x, y: (*EDGE, 255))
