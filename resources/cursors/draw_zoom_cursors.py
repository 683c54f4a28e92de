# Draws the preview's zoom cursors: a magnifier with "+" (zoom in) and with "-" (zoom out),
# 32 x 32 RGBA, black lines with a white rim so they show on the white paper and the grey ground.
import math, struct, sys, zlib

SIZE = 32
CX, CY = 12.0, 12.0  # centre of the lens, the cursor's hot spot


def shape(x, y, sign):
    """'b' black, 'w' white, 'l' lens glass, None transparent, for the pixel centred at (x, y)."""
    px, py = x + 0.5, y + 0.5
    r = math.hypot(px - CX, py - CY)
    # The handle: a thick bar from the rim of the lens down to the lower right corner.
    t = ((px - CX) + (py - CY)) / math.sqrt(2)
    d = abs((px - CX) - (py - CY)) / math.sqrt(2)
    on_handle = 9.0 <= t <= 26.0
    if on_handle and d <= 2.0:
        return 'b'
    if 8.0 <= t <= 27.0 and d <= 3.2 and r > 9.5:
        return 'w'
    if 7.0 <= r <= 9.5:
        return 'b'
    if r < 7.0:
        # The sign in the lens.
        ax, ay = abs(px - CX), abs(py - CY)
        if ay <= 1.0 and ax <= 4.5:
            return 'b'
        if sign == '+' and ax <= 1.0 and ay <= 4.5:
            return 'b'
        return 'l'
    if r <= 10.7:
        return 'w'
    return None


def png(rows):
    raw = b''.join(b'\x00' + bytes(row) for row in rows)
    def chunk(kind, data):
        c = kind + data
        return struct.pack('>I', len(data)) + c + struct.pack('>I', zlib.crc32(c) & 0xffffffff)
    return (b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', SIZE, SIZE, 8, 6, 0, 0, 0))
            + chunk(b'IDAT', zlib.compress(raw, 9)) + chunk(b'IEND', b''))


colours = {'b': (0, 0, 0, 255), 'w': (255, 255, 255, 255), 'l': (255, 255, 255, 200), None: (0, 0, 0, 0)}
for sign, name in (('+', 'zoomin'), ('-', 'zoomout')):
    rows = []
    for y in range(SIZE):
        row = []
        for x in range(SIZE):
            row.extend(colours[shape(x, y, sign)])
        rows.append(row)
    with open(sys.argv[1] + '/' + name + '.png', 'wb') as f:
        f.write(png(rows))
