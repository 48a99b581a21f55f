#!/usr/bin/env python3
"""Draws the catalog window's toolbar images into resources/shared/Images as RGBA TIFFs."""
import math, os, struct

OUT = os.path.join(os.path.dirname(__file__), '..', 'resources', 'shared', 'Images')
S = 32


def tiff(path, pixels):
    data = b''.join(bytes(p) for p in pixels)
    bits_offset = 8
    strip_offset = bits_offset + 8
    ifd_offset = strip_offset + len(data)
    entries = [(256, 3, 1, S), (257, 3, 1, S), (258, 3, 4, bits_offset), (259, 3, 1, 1),
               (262, 3, 1, 2), (273, 4, 1, strip_offset), (277, 3, 1, 4), (278, 3, 1, S),
               (279, 4, 1, len(data)), (284, 3, 1, 1), (338, 3, 1, 2)]
    out = b'II*\0' + struct.pack('<I', ifd_offset) + struct.pack('<4H', 8, 8, 8, 8) + data
    out += struct.pack('<H', len(entries))
    for tag, kind, count, value in entries:
        packed = struct.pack('<H', value) + b'\0\0' if kind == 3 and count == 1 else struct.pack('<I', value)
        out += struct.pack('<HHI', tag, kind, count) + packed
    out += struct.pack('<I', 0)
    with open(path, 'wb') as f:
        f.write(out)


# Glyph shapes: functions of (x, y) in tile coordinates, true where the glyph is.
def rect(x0, y0, x1, y1):
    return lambda x, y: x0 <= x <= x1 and y0 <= y <= y1

def disc(cx, cy, r):
    return lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= r * r

def ring(cx, cy, r, w):
    return lambda x, y: (r - w) ** 2 <= (x - cx) ** 2 + (y - cy) ** 2 <= r * r

def tri(ax, ay, bx, by, cx, cy):
    def inside(x, y):
        d1 = (x - bx) * (ay - by) - (ax - bx) * (y - by)
        d2 = (x - cx) * (by - cy) - (bx - cx) * (y - cy)
        d3 = (x - ax) * (cy - ay) - (cx - ax) * (y - ay)
        return not ((d1 < 0 or d2 < 0 or d3 < 0) and (d1 > 0 or d2 > 0 or d3 > 0))
    return inside

def union(*shapes):
    return lambda x, y: any(s(x, y) for s in shapes)

def minus(a, b):
    return lambda x, y: a(x, y) and not b(x, y)

def arc(cx, cy, r, w, start, end):
    def inside(x, y):
        if not ring(cx, cy, r, w)(x, y):
            return False
        a = math.degrees(math.atan2(cy - y, x - cx)) % 360
        return start <= a <= end if start <= end else a >= start or a <= end
    return inside

PLUS = union(rect(9, 14, 22, 17), rect(14, 9, 17, 22))
MINUS = rect(9, 14, 22, 17)
PAGE = minus(rect(9, 6, 22, 25), rect(11, 8, 20, 23))
ARROW_R = union(rect(7, 14, 18, 17), tri(17, 9, 25, 15.5, 17, 22))
ARROW_L = union(rect(13, 14, 24, 17), tri(14, 9, 6, 15.5, 14, 22))
BAR_L = rect(7, 9, 9, 22)
BAR_R = rect(22, 9, 24, 22)
CCW_ARROW = union(arc(16, 16, 9, 3, 300, 200), tri(4, 12, 12, 12, 8, 18))
CW_ARROW = union(arc(16, 16, 9, 3, 340, 240), tri(19, 12, 27, 12, 23, 18))

GLYPHS = {
    'Add_Photo': ((70, 140, 70), PLUS),
    'Add_URL': ((60, 110, 170), union(ring(16, 16, 9, 2), rect(7, 15, 25, 16), rect(15, 7, 16, 25))),
    'Add_IPhoto': ((150, 110, 50), union(PLUS, ring(16, 16, 11, 2))),
    'Remove_Photo': ((170, 60, 60), MINUS),
    'Rename_Photo': ((100, 100, 100), union(rect(8, 20, 23, 22), tri(10, 18, 22, 8, 24, 11))),
    'SaveBack': ((60, 110, 170), union(rect(9, 20, 22, 23), tri(10, 12, 21, 12, 15.5, 19), rect(14, 6, 17, 12))),
    'Export': ((60, 110, 170), union(rect(9, 20, 22, 23), tri(10, 14, 21, 14, 15.5, 6), rect(14, 13, 17, 19))),
    'Locate_Entry': ((120, 90, 160), union(ring(14, 14, 7, 2), tri(18, 20, 20, 18, 26, 26))),
    'Enhance_Selection': ((200, 150, 30), union(disc(16, 16, 5), rect(15, 5, 16, 27), rect(5, 15, 27, 16))),
    'Rotate_CW': ((70, 120, 150), CW_ARROW),
    'Rotate_CCW': ((70, 120, 150), CCW_ARROW),
    'Flip_Photo': ((70, 120, 150), union(tri(8, 14, 24, 14, 16, 6), tri(8, 18, 24, 18, 16, 26))),
    'Crop_Photo': ((110, 110, 110), union(rect(9, 5, 11, 22), rect(9, 20, 26, 22), rect(5, 9, 22, 11), rect(20, 9, 22, 26))),
    'Red_Eye_Reduce': ((110, 110, 110), union(ring(16, 16, 9, 2), disc(16, 16, 4))),
    'BalloonMode': ((110, 110, 110), union(minus(disc(16, 14, 9), disc(16, 14, 7)), tri(11, 20, 15, 21, 9, 27))),
    'Change_Template': ((90, 90, 150), union(PAGE, rect(13, 11, 18, 15), rect(13, 17, 18, 20))),
    'TemplateText': ((90, 90, 150), union(rect(9, 7, 22, 10), rect(14, 7, 17, 25))),
    'Toggle_Catalog_Open': ((100, 100, 100), union(rect(6, 7, 12, 24), ARROW_R)),
    'Toggle_Catalog_Closed': ((100, 100, 100), union(rect(19, 7, 25, 24), ARROW_L)),
    'Select_First': ((80, 80, 80), union(BAR_L, tri(23, 9, 11, 15.5, 23, 22))),
    'Select_Previous': ((80, 80, 80), tri(21, 9, 9, 15.5, 21, 22)),
    'Select_Next': ((80, 80, 80), tri(10, 9, 22, 15.5, 10, 22)),
    'Select_Last': ((80, 80, 80), union(BAR_R, tri(8, 9, 20, 15.5, 8, 22))),
    'Layout_Options': ((90, 90, 150), union(rect(7, 9, 24, 11), rect(7, 15, 24, 17), rect(7, 21, 24, 23), disc(12, 10, 3), disc(20, 16, 3), disc(14, 22, 3))),
    'Mark': ((60, 140, 80), union(tri(7, 16, 11, 13, 15, 24), tri(11, 21, 24, 7, 15, 24))),
    'Unmark': ((150, 80, 60), union(tri(8, 10, 10, 8, 24, 22), tri(8, 22, 22, 8, 24, 10), tri(8, 22, 10, 24, 24, 10), tri(10, 8, 22, 24, 24, 22))),
    'Refresh_Entry': ((60, 110, 170), union(arc(16, 16, 9, 3, 20, 320), tri(20, 4, 20, 14, 27, 9))),
    'ClearCells': ((150, 80, 60), union(minus(rect(7, 7, 24, 24), rect(9, 9, 22, 22)), rect(11, 15, 20, 16))),
    'Add_Page': ((90, 90, 150), union(PAGE, rect(13, 15, 18, 16), rect(15, 12, 16, 19))),
    'Remove_Page': ((90, 90, 150), union(PAGE, rect(13, 15, 18, 16))),
    'Page_Next': ((90, 90, 150), union(PAGE, tri(13, 11, 19, 15.5, 13, 20))),
    'Page_Prev': ((90, 90, 150), union(PAGE, tri(18, 11, 12, 15.5, 18, 20))),
    'PhotoInfo': ((60, 110, 170), union(disc(16, 9, 2.5), rect(14, 13, 17, 24), rect(12, 22, 19, 24))),
    'PrintToDisk': ((100, 100, 100), union(minus(rect(6, 8, 25, 23), rect(8, 10, 23, 21)), rect(10, 10, 21, 14), rect(17, 17, 20, 21))),
    'PrintToEmail': ((100, 100, 100), union(minus(rect(6, 9, 25, 22), rect(8, 11, 23, 20)), tri(8, 11, 23, 11, 15.5, 17))),
    'Template_Manager': ((90, 90, 150), union(minus(rect(5, 5, 18, 20), rect(7, 7, 16, 18)), minus(rect(13, 11, 26, 26), rect(15, 13, 24, 24)))),
}
# The "on" states: the same glyph on a light tile with a dark edge.
ON = ['Crop_Photo', 'Red_Eye_Reduce', 'BalloonMode']


def draw(colour, glyph, on=False):
    pixels = []
    for y in range(S):
        for x in range(S):
            cx, cy = x + 0.5, y + 0.5
            corner = 6
            dx = max(corner - cx + 1, 0, cx - (S - 1 - corner))
            dy = max(corner - cy + 1, 0, cy - (S - 1 - corner))
            d = math.hypot(dx, dy)
            if d > corner:
                pixels.append((0, 0, 0, 0))
                continue
            edge = d > corner - 1.5 or min(x, y, S - 1 - x, S - 1 - y) == 0
            tile = tuple(min(255, c + 150) for c in colour) if on else colour
            ink = colour if on else (255, 255, 255)
            if edge:
                pixels.append((*(tuple(c // 2 for c in colour)), 255))
            elif glyph(cx, cy):
                pixels.append((*ink, 255))
            else:
                pixels.append((*tile, 255))
    return pixels


for name, (colour, glyph) in GLYPHS.items():
    tiff(os.path.join(OUT, name + '.tiff'), draw(colour, glyph))
for name in ON:
    colour, glyph = GLYPHS[name]
    tiff(os.path.join(OUT, name + '_ON.tiff'), draw(colour, glyph, on=True))
