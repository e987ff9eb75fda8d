#!/usr/bin/env python3
"""Writes src/text/sjis_tables.cpp: the Shift-JIS <-> Unicode conversion tables of the text layer.

Source: Python's shift_jis_2004 codec (the Shift_JIS-2004 mapping of JIS X 0213:2004, planes 1 and 2),
asked code by code. The program's own rules are then laid over it:

  one-byte codes      JIS X 0201: 0x00-0x7F ASCII except 0x5C = U+00A5 and 0x7E = U+203E,
                      0xA1-0xDF = U+FF61-U+FF9F; 0x80, 0xA0 and 0xFD-0xFF unmapped;
                      back: U+005C = 0x815F, U+007E = 0x81B0, U+00A5 = 0x5C
  0x815C = U+2014, 0x81D4 = U+FF5F, 0x81D5 = U+FF60 both ways (U+2015, U+2985, U+2986 unmapped)
  the 25 codes that Shift_JIS-2004 gives as a letter plus a combining mark: unmapped
  lead byte 0x80: nothing mapped

One code point per code. A code whose code point lies beyond the BMP (303 of them, all in plane 2 or
the plane-1 additions) keeps its code point in the Shift-JIS -> Unicode table; the Unicode -> Shift-JIS
table holds BMP units only, so those code points have no way back through it. The Unicode -> Shift-JIS
table is the exact inverse of the Shift-JIS -> Unicode table restricted to the BMP (the mapping is
one-to-one), and the script checks it against the codec's own encoder.

Layout (0 = unmapped):
  Shift-JIS -> Unicode, uint32_t: codes 0x00-0xFF, 0x8000-0x9FFF, 0xE000-0xFCFF
  Unicode -> Shift-JIS, uint16_t: U+0000-U+04FF, U+1E00-U+9FFF, U+F900-U+FFFF (below 0x100 = one byte)

The build does not run this script; its output is committed. Run from the repository root:
  python3 tools/gen_sjis_tables.py src/text/sjis_tables.cpp
"""
import sys

TO_UNI_RANGES = ((0x00, 0x100, "sjistab_uni_00"), (0x8000, 0xA000, "sjistab_uni_80"),
                 (0xE000, 0xFD00, "sjistab_uni_e0"))
TO_SJIS_RANGES = ((0x0000, 0x0500, "sjistab_sjis_0000"), (0x1E00, 0xA000, "sjistab_sjis_1e00"),
                  (0xF900, 0x10000, "sjistab_sjis_f900"))

COMBINING = ([0x82F5 + i for i in range(5)] + [0x8397 + i for i in range(8)] + [0x83F6, 0x8663] +
             [0x8667 + i for i in range(8)] + [0x8685, 0x8686])
FIXED_BOTH_WAYS = {0x815C: 0x2014, 0x81D4: 0xFF5F, 0x81D5: 0xFF60}
FIXED_BACK = {0x005C: 0x815F, 0x007E: 0x81B0, 0x00A5: 0x5C}


def fail(msg):
    sys.stderr.write("gen_sjis_tables: " + msg + "\n")
    sys.exit(1)


def codec_decode(code):
    raw = bytes([code]) if code < 0x100 else bytes([code >> 8, code & 0xFF])
    try:
        return raw.decode("shift_jis_2004")
    except UnicodeDecodeError:
        return None


def one_byte(code):
    if code == 0x5C:
        return 0x00A5
    if code == 0x7E:
        return 0x203E
    if code < 0x80:
        return code
    if 0xA1 <= code <= 0xDF:
        return 0xFF61 + (code - 0xA1)
    return 0


def build():
    to_uni = {}
    stats = {"combining": 0, "non_bmp": 0, "moved": 0}
    for lo, hi, _ in TO_UNI_RANGES:
        for code in range(lo, hi):
            text = codec_decode(code)
            if code < 0x100:
                want = one_byte(code)
                got = ord(text) if text is not None and len(text) == 1 else 0
                if got != want:
                    fail("one-byte code 0x%02X: codec says U+%04X" % (code, got))
                to_uni[code] = want
                continue
            if text is None or (code >> 8) == 0x80:
                if text is not None:
                    fail("code 0x%04X with lead byte 0x80 is mapped by the codec" % code)
                to_uni[code] = 0
                continue
            if len(text) != 1:
                if code not in COMBINING:
                    fail("code 0x%04X gives %d code points and is not in the combining list" % (code, len(text)))
                stats["combining"] += 1
                to_uni[code] = 0
                continue
            if code in COMBINING:
                fail("code 0x%04X is in the combining list but gives one code point" % code)
            cp = ord(text)
            if code in FIXED_BOTH_WAYS:
                cp = FIXED_BOTH_WAYS[code]
                stats["moved"] += 1
            if cp > 0xFFFF:
                stats["non_bmp"] += 1
            to_uni[code] = cp
    if stats["combining"] != len(COMBINING):
        fail("only %d of the %d combining codes met" % (stats["combining"], len(COMBINING)))

    to_sjis = {}
    for code, cp in to_uni.items():
        if cp == 0 or cp > 0xFFFF:
            continue
        if cp in to_sjis:
            # One-byte 0x7E and two-byte codes never share a code point in this mapping; stop if one does.
            fail("U+%04X comes from 0x%X and 0x%X" % (cp, to_sjis[cp], code))
        to_sjis[cp] = code
    for cp, code in FIXED_BACK.items():
        if to_sjis.get(cp) != code:
            fail("U+%04X goes back to 0x%X, not 0x%X" % (cp, to_sjis.get(cp, 0), code))
    for cp in (0x2015, 0x2985, 0x2986, 0xFF5E, 0xFF3C):
        if cp in to_sjis:
            fail("U+%04X should have no code" % cp)

    # The codec's own encoder must agree everywhere except where the rules above move a code.
    moved = set(FIXED_BOTH_WAYS.values()) | {0x2015, 0x2985, 0x2986}
    for cp in range(0x10000):
        if 0xD800 <= cp <= 0xDFFF or cp in moved:
            continue
        try:
            raw = chr(cp).encode("shift_jis_2004")
            enc = raw[0] if len(raw) == 1 else (raw[0] << 8) | raw[1]
        except UnicodeEncodeError:
            enc = 0
        if cp == 0:
            enc = 0
        if enc != to_sjis.get(cp, 0):
            fail("U+%04X: encoder gives 0x%X, inverse table 0x%X" % (cp, enc, to_sjis.get(cp, 0)))
    for cp in to_sjis:
        if not any(lo <= cp < hi for lo, hi, _ in TO_SJIS_RANGES):
            fail("U+%04X lies outside the Unicode -> Shift-JIS ranges" % cp)
    return to_uni, to_sjis, stats


def emit_array(out, ctype, name, lo, hi, values, width):
    out.append("const %s %s[%d] = {" % (ctype, name, hi - lo))
    for row in range(lo, hi, 16):
        cells = []
        for i in range(row, min(row + 16, hi)):
            v = values.get(i, 0)
            cells.append("0" if v == 0 else "0x%0*X" % (width, v))
        out.append("/* %04X */ %s," % (row, ",".join(cells)))
    out.append("};")


def main():
    if len(sys.argv) != 2:
        fail("usage: python3 tools/gen_sjis_tables.py src/text/sjis_tables.cpp")
    to_uni, to_sjis, stats = build()
    mapped = sum(1 for v in to_uni.values() if v != 0)
    out = [
        "// sjis_tables.cpp: GENERATED, do not edit.",
        "// Made by tools/gen_sjis_tables.py from Python's shift_jis_2004 codec (the Shift_JIS-2004",
        "// mapping, JIS X 0213:2004 planes 1 and 2) with the program's own rows laid over it; see the script.",
        "// Remake from the repository root with:",
        "//   python3 tools/gen_sjis_tables.py src/text/sjis_tables.cpp",
        "//",
        "// Shift-JIS -> Unicode: %d codes mapped (%d of them beyond the BMP); Unicode -> Shift-JIS: %d BMP"
        % (mapped, stats["non_bmp"], len(to_sjis)),
        "// units mapped. 0 = unmapped. Constant data only; the lookups live in encoding.cpp.",
        '#include "text/sjis_tables.h"',
        "",
    ]
    for lo, hi, name in TO_UNI_RANGES:
        emit_array(out, "uint32_t", name, lo, hi, to_uni, 4)
        out.append("")
    for lo, hi, name in TO_SJIS_RANGES:
        emit_array(out, "uint16_t", name, lo, hi, to_sjis, 2)
        out.append("")
    with open(sys.argv[1], "w", newline="\n") as f:
        f.write("\n".join(out).rstrip("\n") + "\n")
    sys.stderr.write("gen_sjis_tables: %d codes mapped (%d beyond the BMP, %d combining codes left out), "
                     "%d BMP units mapped back\n" % (mapped, stats["non_bmp"], stats["combining"], len(to_sjis)))


if __name__ == "__main__":
    main()
