#!/usr/bin/env python3
"""Writes res/velmora.ico: the program's 32 x 32 icon (32-bit colour with an AND mask).

The picture is a black page with three report lines, white, orange and grey, and a dancer's key mark.
Run from the repository root: python3 tools/make_icon.py
"""
import struct

W = H = 32
WHITE, ORANGE, GREY, BLACK, RED = (255, 255, 255), (255, 120, 0), (150, 150, 150), (0, 0, 0), (255, 0, 0)


def pixel(x, y):
    if x == 0 or y == 0 or x == W - 1 or y == H - 1:
        return GREY
    for row, colour, length in ((7, WHITE, 22), (14, ORANGE, 18), (21, GREY, 24)):
        if row <= y < row + 3 and 4 <= x < 4 + length:
            return colour
    if abs(x - 25) + abs(y - 26) <= 3:  # a key mark, as on a timeline
        return RED
    return BLACK


rows = b""
for y in range(H - 1, -1, -1):  # bottom row first
    for x in range(W):
        r, g, b = pixel(x, y)
        rows += bytes((b, g, r, 255))
mask = b"\x00" * (4 * H)  # 32 pixels a row, one bit each, all opaque
header = struct.pack("<IiiHHIIiiII", 40, W, 2 * H, 1, 32, 0, len(rows) + len(mask), 0, 0, 0, 0)
image = header + rows + mask
icon = struct.pack("<HHH", 0, 1, 1) + struct.pack("<BBBBHHII", W, H, 0, 0, 1, 32, len(image), 22) + image
open("res/velmora.ico", "wb").write(icon)
