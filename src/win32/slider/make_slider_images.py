#!/usr/bin/env python3
"""Writes the slider's built-in images and cursors beside this script:
16-colour bitmaps hthumb.bmp, hruler.bmp, vthumb.bmp, vruler.bmp and the cursors
hand.cur and drag.cur. Run it again after changing the drawings below.

Bitmaps: '.' is the transparent colour (magenta, also the bottom-left pixel of
every image), W white, L face grey, D shadow grey, K black. The greys are those
LoadImage's LR_LOADMAP3DCOLORS turns into the system's 3D colours.
Cursors: K black, W white, anything else transparent."""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))

# The 16 colours of the standard VGA palette, as (r, g, b).
PALETTE = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128),
           (0, 128, 128), (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0),
           (255, 255, 0), (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255)]
INDEX = {'K': 0, 'L': 7, 'D': 8, '.': 13, 'W': 15}


def thumb(body, pressed):
    """A thumb pointing right: a body `body` pixels long and a point of 4, 9 high;
    light edges at the top and left, dark ones at the bottom and right."""
    rows = []
    for y in range(9):
        row = ''
        for x in range(body + 4):
            if x < body:
                c = 'W' if y == 0 else 'K' if y == 8 else 'D' if y == 7 else 'W' if x == 0 else 'L'
            else:  # the point, one pixel narrower at each side per column
                k = x - body + 1
                if y < k or y > 8 - k:
                    c = '.'
                elif y == 8 - k:
                    c = 'K'
                elif y == k:
                    c = 'W'
                elif y == 7 - k:
                    c = 'D'
                else:
                    c = 'L'
            if pressed and c == 'L' and (x + y) % 2:
                c = 'W'  # the pushed thumb's face is dithered
            row += c
        rows.append(row)
    return rows


def transpose(rows):
    return [''.join(rows[x][y] for x in range(len(rows))) for y in range(len(rows[0]))]


def horizontal_thumb(pressed):
    """9 x 17, pointing down at the tick points."""
    return transpose(thumb(13, pressed))


def vertical_thumb(pressed):
    """19 x 9, pointing right at the tick points; the left corners are rounded so
    that the bottom-left pixel is the transparent colour."""
    rows = [list(r) for r in thumb(15, pressed)]
    rows[0][0] = rows[8][0] = '.'
    return [''.join(r) for r in rows]


RULER = [
    '..........',
    'DDDDDDDDDW',
    'DKKKKKKKLW',
    'DKWWWWWWLW',
    'DKWWWWWWLW',
    'DLLLLLLLLW',
    'WWWWWWWWWW',
    '..........',
]


def write_bmp(name, rows):
    height, width = len(rows), len(rows[0])
    stride = ((width + 1) // 2 + 3) // 4 * 4
    pixels = b''
    for row in reversed(rows):
        line = bytearray(stride)
        for x, c in enumerate(row):
            line[x // 2] |= INDEX[c] << (0 if x % 2 else 4)
        pixels += bytes(line)
    palette = b''.join(struct.pack('<BBBB', b, g, r, 0) for r, g, b in PALETTE)
    info = struct.pack('<IiiHHIIiiII', 40, width, height, 1, 4, 0, len(pixels), 2835, 2835, 16, 0)
    offset = 14 + len(info) + len(palette)
    header = struct.pack('<2sIHHI', b'BM', offset + len(pixels), 0, 0, offset)
    with open(os.path.join(HERE, name), 'wb') as f:
        f.write(header + info + palette + pixels)


def write_cur(name, art, hotspot):
    size = 32
    xor_rows, and_rows = [], []
    for y in range(size):
        line = art[y] if y < len(art) else ''
        xor_bits = and_bits = 0
        for x in range(size):
            c = line[x] if x < len(line) else ' '
            bit = 1 << (31 - x)
            if c == 'W':
                xor_bits |= bit
            elif c != 'K':
                and_bits |= bit
        xor_rows.append(struct.pack('>I', xor_bits))
        and_rows.append(struct.pack('>I', and_bits))
    image = struct.pack('<IiiHHIIiiII', 40, size, 2 * size, 1, 1, 0, 2 * size * 4, 0, 0, 2, 0)
    image += struct.pack('<BBBBBBBB', 0, 0, 0, 0, 255, 255, 255, 0)
    image += b''.join(reversed(xor_rows)) + b''.join(reversed(and_rows))
    header = struct.pack('<HHH', 0, 2, 1)
    entry = struct.pack('<BBBBHHII', size, size, 2, 0, hotspot[0], hotspot[1], len(image), 22)
    with open(os.path.join(HERE, name), 'wb') as f:
        f.write(header + entry + image)


HAND = [
    '     KK',
    '    KWWK',
    '    KWWK',
    '    KWWK',
    '    KWWK',
    '    KWWKKK',
    '    KWWKWWKKK',
    '    KWWKWWKWWKK',
    ' KK KWWKWWKWWKWK',
    'KWWKKWWWWWWWWKWK',
    'KWWWKWWWWWWWWWWK',
    ' KWWKWWWWWWWWWWK',
    '  KWWWWWWWWWWWWK',
    '  KWWWWWWWWWWWK',
    '   KWWWWWWWWWWK',
    '   KWWWWWWWWWK',
    '    KWWWWWWWWK',
    '    KWWWWWWWWK',
    '    KKKKKKKKKK',
]

FIST = [
    '    KK KK KK',
    '   KWWKWWKWWKK',
    '   KWWKWWKWWKWK',
    ' KKKWWWWWWWWKWK',
    'KWWKWWWWWWWWWWK',
    'KWWWWWWWWWWWWWK',
    ' KWWWWWWWWWWWWK',
    '  KWWWWWWWWWWWK',
    '  KWWWWWWWWWWK',
    '   KWWWWWWWWWK',
    '   KWWWWWWWWWK',
    '   KKKKKKKKKKK',
]


def side_by_side(a, b):
    return [x + y for x, y in zip(a, b)]


if __name__ == '__main__':
    write_bmp('hthumb.bmp', side_by_side(horizontal_thumb(False), horizontal_thumb(True)))
    write_bmp('hruler.bmp', RULER)
    write_bmp('vthumb.bmp', side_by_side(vertical_thumb(False), vertical_thumb(True)))
    write_bmp('vruler.bmp', transpose(RULER))
    write_cur('hand.cur', HAND, (5, 0))
    write_cur('drag.cur', FIST, (8, 5))
