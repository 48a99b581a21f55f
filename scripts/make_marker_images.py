#!/usr/bin/env python3
# Draws the gradient panel's colour marker images into the folder given:
# "SMarker"/"MMarker" (end and inner markers) and their selected "H" forms.
# A marker is a tab whose point is its top centre; its colour well, x 3, y 6,
# 9 by 20 points from the top left, is left light for the step colour.
import zlib, struct, sys, os
out = sys.argv[1]
def png(path, w, h, px):
    raw = b''.join(b'\x00' + bytes(px[y*w*4:(y+1)*w*4]) for y in range(h))
    def chunk(t, d): return struct.pack('>I', len(d)) + t + d + struct.pack('>I', zlib.crc32(t+d) & 0xffffffff)
    open(path,'wb').write(b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', w, h, 8, 6, 0, 0, 0)) + chunk(b'IDAT', zlib.compress(raw, 9)) + chunk(b'IEND', b''))
def marker(w, h, tip, selected):
    body = (0.35, 0.5, 0.85) if selected else (0.62, 0.62, 0.66)
    edge = (0.1, 0.2, 0.5) if selected else (0.25, 0.25, 0.28)
    px = []
    c = (w - 1) / 2
    for y in range(h):
        for x in range(w):
            # The point: a triangle from the top centre down to the body.
            if y < tip:
                half = (y + 1) * (w / 2) / tip
                inside = abs(x - c) <= half
                border = inside and abs(x - c) > half - 1.2
            else:
                inside = True
                border = x == 0 or x == w - 1 or y == h - 1
            if not inside:
                px += [0, 0, 0, 0]
                continue
            if 3 <= x < 12 and 6 <= y < 26:
                rgb = (1.0, 1.0, 1.0)
                if x in (3, 11) or y in (6, 25):
                    rgb = edge
            else:
                rgb = edge if border else body
            px += [int(round(v * 255)) for v in rgb] + [255]
    return px
os.makedirs(out, exist_ok=True)
for name, w, h, tip in (('SMarker', 15, 28, 5), ('MMarker', 15, 30, 6)):
    png(os.path.join(out, name + '.png'), w, h, marker(w, h, tip, False))
    png(os.path.join(out, name + 'H.png'), w, h, marker(w, h, tip, True))
