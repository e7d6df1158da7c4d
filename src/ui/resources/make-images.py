#!/usr/bin/env python3
"""Writes the program's images from the pixel art and the drawing below:

  tolvaro.png      16 x 16 window icon, palette image (at most 256 colours)
  hand.png         32 x 32 pointing-hand cursor in black and white with a
                   transparent background; its hot spot is the fingertip at
                   column 6, row 0
  hand@2x.png      the cursor at twice the size for high-density screens,
                   enlarged so that slopes stay smooth and no grey appears;
                   its fingertip is at column 12, row 0
  the desktop icon set in dist/linux/icons/hicolor: the same picture as the
  window icon, as a scalable SVG and as PNGs of 16 (the pixel art itself) to
  256 pixels drawn from the SVG's shapes
  dist/windows/tolvaro.ico, the program's icon on Windows: the same images
                   at 16 to 256 pixels in one file, the smaller ones as
                   32-bit bitmaps with a transparency mask, the 256-pixel one
                   as PNG

Run it from this folder after changing the art; the images are committed.
"""

import os
import struct
import zlib

ICON_PALETTE = {
    '.': (0, 0, 0, 0),          # transparent
    '#': (24, 52, 110, 255),    # lens rim
    'w': (226, 240, 252, 255),  # glass
    'b': (46, 120, 214, 255),   # bars, lowest to highest rank
    'g': (40, 160, 72, 255),
    'o': (240, 150, 30, 255),
    'h': (120, 72, 36, 255),    # handle
    'H': (170, 110, 60, 255),   # handle highlight
}

ICON = [
    "................",
    "...######.......",
    "..#wwwwww#......",
    ".#wwwwwwww#.....",
    "#wwwwwwwoww#....",
    "#wwwwwwwoww#....",
    "#wwwwgwwoww#....",
    "#wwwwgwwoww#....",
    "#wwbwgwwoww#....",
    "#wwbwgwwoww#....",
    ".#wwwwwwww##....",
    "..#wwwwww#Hh#...",
    "...######.#Hh#..",
    "...........#Hh#.",
    "............#Hh#",
    ".............##.",
]

CURSOR_PALETTE = {
    '.': (0, 0, 0, 0),
    '#': (0, 0, 0, 255),
    'w': (255, 255, 255, 255),
}

HAND = [
    ".....##..........",
    "....#ww#.........",
    "....#ww#.........",
    "....#ww#.........",
    "....#ww#.........",
    "....#ww###.......",
    "....#ww#ww###....",
    "....#ww#ww#ww###.",
    "....#ww#ww#ww#ww#",
    "....#ww#ww#ww#ww#",
    ".##.#ww#ww#ww#ww#",
    "#ww##ww#ww#ww#ww#",
    "#www#wwwwwwwwwww#",
    ".#wwwwwwwwwwwwww#",
    "..#wwwwwwwwwwwww#",
    "..#wwwwwwwwwwwww#",
    "...#wwwwwwwwwwww#",
    "....#wwwwwwwwww#.",
    "....#wwwwwwwwww#.",
    ".....#wwwwwwww#..",
    ".....#wwwwwwww#..",
    ".....##########..",
]


# The window icon's picture as shapes on its 16 x 16 grid, painted in this
# order: the handle under the lens, the lens, the three bars in it. Colours
# are those of the pixel art.
ICON_SHAPES = [
    ('line', (9.0, 9.5), (14.0, 14.5), 3.0, ICON_PALETTE['#']),
    ('line', (9.0, 9.5), (14.0, 14.5), 1.6, ICON_PALETTE['h']),
    ('line', (9.6, 10.6), (13.3, 14.3), 0.6, ICON_PALETTE['H']),
    ('circle', (6.0, 7.0), 6.0, ICON_PALETTE['#']),
    ('circle', (6.0, 7.0), 5.0, ICON_PALETTE['w']),
    ('rect', (3.0, 8.0), (1.0, 2.0), ICON_PALETTE['b']),
    ('rect', (5.0, 6.0), (1.0, 4.0), ICON_PALETTE['g']),
    ('rect', (8.0, 4.0), (1.0, 6.0), ICON_PALETTE['o']),
]

ICON_SIZES = (16, 24, 32, 48, 64, 128, 256)
ICO_SIZES = (16, 24, 32, 48, 64, 256)
APP_ID = 'example.tolvaro.Tolvaro'
HICOLOR = os.path.join('..', '..', '..', 'dist', 'linux', 'icons', 'hicolor')
ICO = os.path.join('..', '..', '..', 'dist', 'windows', 'tolvaro.ico')


def chunk(kind, data):
    body = kind + data
    return struct.pack('>I', len(data)) + body + struct.pack('>I', zlib.crc32(body))


def png(width, height, rows, palette):
    keys = list(palette)
    plte = b''.join(bytes(palette[k][:3]) for k in keys)
    trns = bytes(palette[k][3] for k in keys)
    raw = b''
    for y in range(height):
        line = rows[y] if y < len(rows) else ''
        line = line.ljust(width, '.')
        assert len(line) == width, (y, line)
        raw += b'\0' + bytes(keys.index(c) for c in line)

    header = struct.pack('>IIBBBBB', width, height, 8, 3, 0, 0, 0)
    return (b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', header) + chunk(b'PLTE', plte)
            + chunk(b'tRNS', trns) + chunk(b'IDAT', zlib.compress(raw, 9)) + chunk(b'IEND', b''))


def rgba_png(size, pixels):
    raw = b''.join(b'\0' + b''.join(bytes(p) for p in pixels[y * size:(y + 1) * size])
                   for y in range(size))
    header = struct.pack('>IIBBBBB', size, size, 8, 6, 0, 0, 0)
    return (b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', header)
            + chunk(b'IDAT', zlib.compress(raw, 9)) + chunk(b'IEND', b''))


def dib(size, pixels):
    """A 32-bit bitmap as an icon holds it: the header gives twice the height
    (colour rows and mask rows), both bottom-up; the mask marks the fully
    transparent pixels for programs that ignore the alpha channel."""
    header = struct.pack('<IiiHHIIiiII', 40, size, 2 * size, 1, 32, 0, 0, 0, 0, 0, 0)
    colour = b''.join(bytes((b, g, r, a)) for y in reversed(range(size))
                      for r, g, b, a in pixels[y * size:(y + 1) * size])
    stride = (size + 31) // 32 * 4
    mask = b''
    for y in reversed(range(size)):
        row = bytearray(stride)
        for x in range(size):
            if pixels[y * size + x][3] == 0:
                row[x // 8] |= 0x80 >> (x % 8)
        mask += bytes(row)
    return header + colour + mask


def ico(images):
    """An icon file of (size, image data) entries."""
    out = struct.pack('<HHH', 0, 1, len(images))
    offset = len(out) + 16 * len(images)
    for size, data in images:
        side = 0 if size == 256 else size
        out += struct.pack('<BBBBHHII', side, side, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    return out + b''.join(data for _, data in images)


def covers(shape, x, y):
    kind = shape[0]
    if kind == 'circle':
        (cx, cy), r = shape[1], shape[2]
        return (x - cx) ** 2 + (y - cy) ** 2 <= r * r
    if kind == 'rect':
        (left, top), (w, h) = shape[1], shape[2]
        return left <= x < left + w and top <= y < top + h
    # A line with round ends: every point within half the width of the segment.
    (x1, y1), (x2, y2), width = shape[1], shape[2], shape[3]
    dx, dy = x2 - x1, y2 - y1
    t = max(0.0, min(1.0, ((x - x1) * dx + (y - y1) * dy) / (dx * dx + dy * dy)))
    return (x - x1 - t * dx) ** 2 + (y - y1 - t * dy) ** 2 <= width * width / 4


def render(size, shapes, samples=4):
    """The shapes at size x size pixels, each pixel the mean of samples x
    samples points (the shapes are opaque, so colour and cover average apart)."""
    unit = 16.0 / size
    pixels = []
    for py in range(size):
        for px in range(size):
            hits, total = 0, [0, 0, 0]
            for sy in range(samples):
                for sx in range(samples):
                    x = (px + (sx + 0.5) / samples) * unit
                    y = (py + (sy + 0.5) / samples) * unit
                    for shape in reversed(shapes):
                        if covers(shape, x, y):
                            colour = shape[-1]
                            hits += 1
                            total = [t + c for t, c in zip(total, colour[:3])]
                            break
            n = samples * samples
            pixels.append((0, 0, 0, 0) if hits == 0 else
                          tuple(round(t / hits) for t in total) + (round(255 * hits / n),))
    return pixels


def svg(shapes):
    def colour(c):
        return '#%02x%02x%02x' % c[:3]

    parts = []
    for shape in shapes:
        if shape[0] == 'circle':
            (cx, cy), r = shape[1], shape[2]
            parts.append(f'<circle cx="{cx:g}" cy="{cy:g}" r="{r:g}" fill="{colour(shape[3])}"/>')
        elif shape[0] == 'rect':
            (x, y), (w, h) = shape[1], shape[2]
            parts.append(f'<rect x="{x:g}" y="{y:g}" width="{w:g}" height="{h:g}" '
                         f'fill="{colour(shape[3])}"/>')
        else:
            (x1, y1), (x2, y2), width = shape[1], shape[2], shape[3]
            parts.append(f'<line x1="{x1:g}" y1="{y1:g}" x2="{x2:g}" y2="{y2:g}" '
                         f'stroke="{colour(shape[4])}" stroke-width="{width:g}" '
                         f'stroke-linecap="round"/>')
    return ('<svg xmlns="http://www.w3.org/2000/svg" width="16" height="16" '
            'viewBox="0 0 16 16">\n  ' + '\n  '.join(parts) + '\n</svg>\n')


def scale2x(rows):
    """Twice the size, each pixel split in four by its neighbours: edges stay
    one colour or the other, and stairs become smooth slopes."""
    height, width = len(rows), max(len(r) for r in rows)
    grid = [r.ljust(width, '.') for r in rows]

    def at(x, y):
        return grid[y][x] if 0 <= x < width and 0 <= y < height else '.'

    out = []
    for y in range(height):
        top, bottom = '', ''
        for x in range(width):
            p, a, b, c, d = at(x, y), at(x, y - 1), at(x + 1, y), at(x - 1, y), at(x, y + 1)
            top += (a if c == a and c != d and a != b else p) + (b if a == b and a != c and b != d else p)
            bottom += (c if d == c and d != b and c != a else p) + (d if b == d and b != a and d != c else p)
        out += [top, bottom]
    return out


def write(path, data):
    os.makedirs(os.path.dirname(path) or '.', exist_ok=True)
    with open(path, 'wb' if isinstance(data, bytes) else 'w') as f:
        f.write(data)


def main():
    icon = png(16, 16, ICON, ICON_PALETTE)
    write('tolvaro.png', icon)
    write('hand.png', png(32, 32, HAND, CURSOR_PALETTE))
    write('hand@2x.png', png(64, 64, scale2x(HAND), CURSOR_PALETTE))

    write(os.path.join(HICOLOR, 'scalable', 'apps', APP_ID + '.svg'), svg(ICON_SHAPES))
    pixels = {16: [ICON_PALETTE[c] for row in ICON for c in row.ljust(16, '.')]}
    for size in ICON_SIZES:
        if size != 16:
            pixels[size] = render(size, ICON_SHAPES)
        data = icon if size == 16 else rgba_png(size, pixels[size])
        write(os.path.join(HICOLOR, f'{size}x{size}', 'apps', APP_ID + '.png'), data)

    write(ICO, ico([(size, rgba_png(size, pixels[size]) if size == 256 else dib(size, pixels[size]))
                    for size in ICO_SIZES]))


if __name__ == '__main__':
    main()
