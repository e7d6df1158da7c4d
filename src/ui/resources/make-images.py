#!/usr/bin/env python3
"""Writes the program's two images from the pixel art below:

  tolvaro.png  16 x 16 window icon, palette image (at most 256 colours)
  hand.png     32 x 32 pointing-hand cursor in black and white with a
               transparent background; its hot spot is the fingertip at
               column 6, row 0

Run it from this folder after changing the art; the PNGs are committed.
"""

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

    def chunk(kind, data):
        body = kind + data
        return struct.pack('>I', len(data)) + body + struct.pack('>I', zlib.crc32(body))

    header = struct.pack('>IIBBBBB', width, height, 8, 3, 0, 0, 0)
    return (b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', header) + chunk(b'PLTE', plte)
            + chunk(b'tRNS', trns) + chunk(b'IDAT', zlib.compress(raw, 9)) + chunk(b'IEND', b''))


def main():
    with open('tolvaro.png', 'wb') as f:
        f.write(png(16, 16, ICON, ICON_PALETTE))
    with open('hand.png', 'wb') as f:
        f.write(png(32, 32, HAND, CURSOR_PALETTE))


if __name__ == '__main__':
    main()
