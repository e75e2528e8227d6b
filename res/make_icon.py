#!/usr/bin/env python3
"""Draws Dorvane's icon, a stopwatch with a red elapsed-time wedge, and writes
it as res/Dorvane.ico: one 32 x 32 image in 16 colours (4-bit BMP in ICO).
Run it again after changing the drawing; the .ico is committed."""

import math
import os
import struct

SIZE = 32

# The 16 standard VGA colours (index: r, g, b).
PALETTE = [
    (0x00, 0x00, 0x00), (0x80, 0x00, 0x00), (0x00, 0x80, 0x00), (0x80, 0x80, 0x00),
    (0x00, 0x00, 0x80), (0x80, 0x00, 0x80), (0x00, 0x80, 0x80), (0xC0, 0xC0, 0xC0),
    (0x80, 0x80, 0x80), (0xFF, 0x00, 0x00), (0x00, 0xFF, 0x00), (0xFF, 0xFF, 0x00),
    (0x00, 0x00, 0xFF), (0xFF, 0x00, 0xFF), (0x00, 0xFF, 0xFF), (0xFF, 0xFF, 0xFF),
]
BLACK, NAVY, GRAY, SILVER, RED, BLUE, WHITE, YELLOW = 0, 4, 8, 7, 9, 12, 15, 11
CLEAR = None  # transparent

CX, CY = 15.5, 18.0       # centre of the dial
R_OUT, R_RING = 13.2, 10.4  # outer edge of the case, inner edge of the ring
WEDGE_END = 130.0          # the elapsed wedge runs clockwise from 12 o'clock


def pixel(x, y):
    px, py = x + 0.5, y + 0.5
    dx, dy = px - CX, py - CY
    r = math.hypot(dx, dy)
    # Crown and its stem on top, two small pushers at 10 and 2 o'clock.
    if 12.5 <= px <= 18.5 and 0.5 <= py <= 3.5:
        return NAVY
    if 14.0 <= px <= 17.0 and 3.5 < py <= 5.5:
        return GRAY
    for side in (-1, 1):
        ax, ay = CX + side * 11.6, CY - 11.0
        if math.hypot(px - ax, py - ay) <= 2.0:
            return NAVY
    if r > R_OUT:
        return CLEAR
    if r > R_RING:
        return BLUE if r < R_OUT - 1.0 else NAVY
    # Dial: clockwise angle from 12 o'clock.
    angle = math.degrees(math.atan2(dx, -dy)) % 360.0
    if r <= 1.6:
        return BLACK
    # The hand at the wedge's end, two pixels wide.
    hand = math.radians(WEDGE_END)
    hx, hy = math.sin(hand), -math.cos(hand)
    along = dx * hx + dy * hy
    across = abs(dx * hy - dy * hx)
    if 0 <= along <= R_RING - 1.5 and across <= 1.0:
        return BLACK
    if angle <= WEDGE_END and r <= R_RING - 1.0:
        return RED
    # Hour marks at 12, 3, 6 and 9.
    for mark in (0, 90, 180, 270):
        m = math.radians(mark)
        mx, my = math.sin(m), -math.cos(m)
        along = dx * mx + dy * my
        across = abs(dx * my - dy * mx)
        if R_RING - 3.0 <= along <= R_RING - 0.5 and across <= 0.8:
            return NAVY
    return WHITE


def build():
    rows = [[pixel(x, y) for x in range(SIZE)] for y in range(SIZE)]
    xor = bytearray()
    mask = bytearray()
    for y in reversed(range(SIZE)):  # BMP rows run bottom-up
        row = rows[y]
        for x in range(0, SIZE, 2):
            hi = row[x] if row[x] is not None else 0
            lo = row[x + 1] if row[x + 1] is not None else 0
            xor.append((hi << 4) | lo)
        bits = 0
        for x in range(SIZE):
            bits = (bits << 1) | (1 if row[x] is None else 0)
        mask += struct.pack('>I', bits)  # 32 pixels: one 4-byte row, no padding
    palette = b''.join(struct.pack('<BBBB', b, g, r, 0) for r, g, b in PALETTE)
    header = struct.pack('<IiiHHIIiiII', 40, SIZE, SIZE * 2, 1, 4, 0,
                         len(xor) + len(mask), 0, 0, 16, 0)
    image = header + palette + bytes(xor) + bytes(mask)
    icondir = struct.pack('<HHH', 0, 1, 1)
    entry = struct.pack('<BBBBHHII', SIZE, SIZE, 16, 0, 1, 4, len(image), 6 + 16)
    return icondir + entry + image, rows


def main():
    data, rows = build()
    out = os.path.join(os.path.dirname(os.path.abspath(__file__)), 'Dorvane.ico')
    with open(out, 'wb') as f:
        f.write(data)
    chars = {None: '.', BLACK: 'k', NAVY: 'n', GRAY: 'g', BLUE: 'b', RED: 'r', WHITE: 'w'}
    for row in rows:
        print(''.join(chars.get(c, '?') for c in row))


if __name__ == '__main__':
    main()
