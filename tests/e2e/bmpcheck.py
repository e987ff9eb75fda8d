#!/usr/bin/env python3
"""Reads a 24-bit BMP the way any viewer would (bottom row first) and checks what the tests ask:
  bmpcheck.py FILE size W H                  the header's width and height, and the file's size
  bmpcheck.py FILE has R,G,B Y0 Y1           some pixel in rows Y0 to Y1 (from the top) has this colour
  bmpcheck.py FILE pixel X Y R,G,B           the pixel at (X, Y) from the top has this colour
  bmpcheck.py FILE shows SHOT W CW CH Y      the raw RGB screenshot SHOT, W pixels a row, shows in its
                                            top-left CW x CH pixels the page from row Y on, with ink
  bmpcheck.py FILE near RAW W H TOL          the raw RGB picture RAW, W x H, has ink and the BMP's size,
                                            and no channel of a pixel differs from the BMP's by more
                                            than TOL; prints the largest difference
Exit 0 when the check holds, 1 with a line on standard error when not."""
import struct
import sys


def load(path):
    data = open(path, "rb").read()
    if data[:2] != b"BM":
        sys.exit("not a BMP")
    offset, = struct.unpack_from("<I", data, 10)
    w, h, planes, bits = struct.unpack_from("<iiHH", data, 18)
    row = (3 * w + 3) // 4 * 4
    return data, offset, w, h, bits, row


def pixel(img, x, y):
    data, offset, w, h, bits, row = img
    at = offset + (h - 1 - y) * row + 3 * x
    b, g, r = data[at:at + 3]
    return r, g, b


def row_rgb(img, y, n):
    """The first n pixels of row y from the top as red, green, blue bytes."""
    data, offset, w, h, bits, row = img
    at = offset + (h - 1 - y) * row
    bgr = data[at:at + 3 * n]
    out = bytearray(len(bgr))
    out[0::3], out[1::3], out[2::3] = bgr[2::3], bgr[1::3], bgr[0::3]
    return bytes(out)


def main():
    path, what = sys.argv[1], sys.argv[2]
    img = load(path)
    data, offset, w, h, bits, row = img
    if what == "size":
        want_w, want_h = int(sys.argv[3]), int(sys.argv[4])
        ok = (w, h, bits, offset, len(data)) == (want_w, want_h, 24, 54, 54 + row * want_h)
        if not ok:
            sys.exit("BMP %dx%d, %d bits, %d bytes; wanted %dx%d" % (w, h, bits, len(data), want_w, want_h))
    elif what == "has":
        colour = tuple(int(c) for c in sys.argv[3].split(","))
        y0, y1 = int(sys.argv[4]), int(sys.argv[5])
        if not any(pixel(img, x, y) == colour for y in range(y0, min(y1, h - 1) + 1) for x in range(w)):
            sys.exit("no pixel %s in rows %d to %d" % (sys.argv[3], y0, y1))
    elif what == "pixel":
        x, y = int(sys.argv[3]), int(sys.argv[4])
        colour = tuple(int(c) for c in sys.argv[5].split(","))
        if pixel(img, x, y) != colour:
            sys.exit("pixel (%d, %d) is %s, wanted %s" % (x, y, pixel(img, x, y), colour))
    elif what == "shows":
        shot = open(sys.argv[3], "rb").read()
        sw, cw, ch, top = (int(a) for a in sys.argv[4:8])
        rows = range(min(ch, h - top, len(shot) // (3 * sw)))
        inked = False
        for y in rows:
            seen = shot[3 * y * sw:3 * (y * sw + cw)]
            inked = inked or any(seen)
            if seen != row_rgb(img, top + y, cw):
                sys.exit("screen row %d is not page row %d" % (y, top + y))
        if not inked:
            sys.exit("the screen shows no ink")
    elif what == "near":
        raw = open(sys.argv[3], "rb").read()
        rw, rh, tol = (int(a) for a in sys.argv[4:7])
        if (w, h) != (rw, rh) or len(raw) != 3 * rw * rh:
            sys.exit("BMP %dx%d, picture %dx%d (%d bytes)" % (w, h, rw, rh, len(raw)))
        if not any(raw):
            sys.exit("the picture shows no ink")
        worst, worst_at, values = 0, None, 0
        for y in range(h):
            seen, drawn = row_rgb(img, y, w), raw[3 * y * w:3 * (y + 1) * w]
            if seen == drawn:
                continue
            for k, (a, b) in enumerate(zip(seen, drawn)):
                if a != b:
                    values += 1
                    if abs(a - b) > worst:
                        worst, worst_at = abs(a - b), (k // 3, y)
        print("largest difference %d in %d channel values" % (worst, values))
        if worst > tol:
            sys.exit("pixel %s differs by %d, more than %d" % (worst_at, worst, tol))
    else:
        sys.exit("unknown check " + what)


if __name__ == "__main__":
    main()
