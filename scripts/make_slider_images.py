#!/usr/bin/env python3
# Draws the circular slider's base and knob images into the folder given.
import zlib, struct, math, sys, os
out = sys.argv[1]
def png(path, w, h, px):
    raw = b''.join(b'\x00' + bytes(px[y*w*4:(y+1)*w*4]) for y in range(h))
    def chunk(t, d): return struct.pack('>I', len(d)) + t + d + struct.pack('>I', zlib.crc32(t+d) & 0xffffffff)
    open(path,'wb').write(b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', w, h, 8, 6, 0, 0, 0)) + chunk(b'IDAT', zlib.compress(raw, 9)) + chunk(b'IEND', b''))
def render(w, shade):
    # shade(x, y) -> (r,g,b,a) floats, 4x4 supersampled
    px = []
    for y in range(w):
        for x in range(w):
            acc = [0.0]*4
            for sy in range(4):
                for sx in range(4):
                    c = shade(x + (sx+0.5)/4, y + (sy+0.5)/4)
                    a = c[3]
                    for i in range(3): acc[i] += c[i]*a
                    acc[3] += a
            a = acc[3]/16
            if a > 0:
                px += [int(round(acc[i]/acc[3]*255)) for i in range(3)] + [int(round(a*255))]
            else:
                px += [0,0,0,0]
    return px
def base(side, center, nonedge):
    r = side/2 - 10.5; c = side/2; H = side//2
    def shade(x, y):
        d = math.hypot(x-c, y-c)
        if d > r + 1: return (0,0,0,0)
        if d > r: return (0.45,0.45,0.5,1)   # rim line
        inner_ring = r - (H - 14) if nonedge else r - 5
        inside = True
        if not (center and nonedge):
            inside = d >= inner_ring or (center and d <= r - (H - 14))
        if not inside: return (0,0,0,0)
        t = 0.78 + 0.12 * (1 - d / r)
        return (t, t, t + 0.02, 1)
    return render(side, shade)
def knob(radius, rgb, highlighted):
    side = 2*radius; c = radius; r = radius - 4.5
    def shade(x, y):
        d = math.hypot(x-c, y-c)
        if d > r + 0.8: return (0,0,0,0)
        if d > r: return (0.2,0.2,0.25,1)
        k = 0.75 if highlighted else 1.0
        lift = 0.35 * max(0.0, 1 - math.hypot(x-c+r*0.3, y-c+r*0.35)/r)
        return tuple(min(1.0, v*k + lift) for v in rgb) + (1,)
    return side, render(side, shade)
for big, side, kr in ((True, 80, 12), (False, 60, 10)):
    pre = 'big' if big else 'small'
    for name, center, nonedge in (('CircularSlider',1,1),('TargetSlider',1,0),('RingSlider',0,1),('DonutSlider',0,0)):
        png(os.path.join(out, pre+name+'.png'), side, side, base(side, center, nonedge))
    for name, rgb in (('Blue',(0.25,0.5,0.95)),('Graphite',(0.55,0.6,0.68)),('Inactive',(0.82,0.82,0.82))):
        s, px = knob(kr, rgb, False); png(os.path.join(out, pre+name+'Knob.png'), s, s, px)
        if name != 'Inactive':
            s, px = knob(kr, rgb, True); png(os.path.join(out, pre+name+'HighlightedKnob.png'), s, s, px)
