#!/usr/bin/env python3
"""Writes names.vmd: a motion that stresses name resolution. 60,000 bone keys over 20,000 distinct unknown
names, names of vocabulary patterns, standard bones, and motion names that are patterns themselves
("n1*", "q?") and so take over names resolved before them. Deterministic: the same bytes every run.
Usage: python3 tests/golden/gen_names_motion.py OUT.vmd"""
import struct
import sys

names = []
for i in range(60000):
    r = i % 6
    if r == 0:
        names.append("n%d" % (i // 3))          # 20,000 distinct unknown names, each seen once or twice
    elif r == 1:
        names.append("髪%d" % (i % 50))          # resolves to the pattern 髪*
    elif r == 2:
        names.append(["センター", "左腕", "右ひじ", "上半身"][i % 4])
    elif r == 3:
        names.append("n1*" if i == 30003 else "q?" if i == 40003 else "n%d" % (i % 997))
    elif r == 4:
        names.append("qa" if i % 4 == 0 else "n1%d" % (i % 37))
    else:
        names.append("左手捩")
out = bytearray("Vocaloid Motion Data 0002".encode().ljust(30, b"\0") + "names".encode().ljust(20, b"\0"))
out += struct.pack("<i", len(names))
for i, n in enumerate(names):
    raw = n.encode("cp932")[:15].ljust(15, b"\0")
    s = ((i * 7919) % 1000) / 1000.0
    out += raw + struct.pack("<i3f4f", i % 3000, s, 0.0, -s, s * 0.6, 0.0, s * 0.8, (1 - s * s) ** 0.5) + bytes(64)
out += struct.pack("<i", 0) * 5
open(sys.argv[1], "wb").write(out)
