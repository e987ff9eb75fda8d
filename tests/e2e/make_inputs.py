#!/usr/bin/env python3
"""Writes the end-to-end tests' inputs into a directory:
  motion.vmd  standard bones (one flagged red, one yellow, an arm with a twist), a finger, a pattern
              name, an unknown name, and morphs
  model.pmx   a model that has some of those names and lacks others
Usage: make_inputs.py DIR"""
import math
import os
import struct
import sys


def sjis(name, size):
    return name.encode("cp932")[:size].ljust(size, b"\0")


def motion():
    out = bytearray(sjis("Vocaloid Motion Data 0002", 30) + sjis("テストモデル", 20))
    s15, c15 = math.sin(math.radians(15)), math.cos(math.radians(15))
    ax, ay = 0.819742, -0.572734
    n = math.hypot(ax, ay)
    bones = [("センター", 0, (0, 1.5, 0), (0, 0, 0, 1)), ("センター", 10, (0, 0.5, 0), (0, 0, 0, 1)),
             ("上半身２", 5, (0, 0, 0), (0.1, 0, 0, 0.99498744)), ("上半身3", 5, (0, 0, 0), (0, 0.2, 0, 0.9797959)),
             ("左腕", 20, (0, 0, 0), (s15 * ax / n, s15 * ay / n, 0, c15)), ("右人指１", 3, (0.1, 0, 0), (0, 0, 0, 1)),
             ("髪1", 1, (1, 0, 0), (0, 0, 0, 1)), ("謎ボーン", 2, (0.5, 0, 0), (0, 0, 0, 1))]
    out += struct.pack("<i", len(bones))
    for name, frame, p, q in bones:
        out += sjis(name, 15) + struct.pack("<i3f4f", frame, *p, *q) + bytes(range(64))
    morphs = [("まばたき", 0, 1.0), ("まばたき", 30, 0.0), ("∧", 5, 0.5), ("謎モーフ", 7, 0.75)]
    out += struct.pack("<i", len(morphs))
    for name, frame, w in morphs:
        out += sjis(name, 15) + struct.pack("<if", frame, w)
    out += struct.pack("<i", 0) * 4
    return out


def text(s):
    data = s.encode("utf-16-le")
    return struct.pack("<i", len(data)) + data


def model():
    out = bytearray(b"PMX ") + struct.pack("<f", 2.0) + bytes([8, 0, 0, 2, 1, 1, 2, 2, 1])
    out += text("テストPMX") + text("test") + text("") + text("")
    out += struct.pack("<i", 0) * 4
    bones = ["センター", "左腕", "上半身3", "謎ボーン"]
    out += struct.pack("<i", len(bones))
    for i, name in enumerate(bones):
        out += text(name) + text("b%d" % i) + struct.pack("<3fhih3f", 0, 0, 0, -1, 0, 0, 0, 1, 0)
    out += struct.pack("<i", 1) + text("まばたき") + text("blink") + bytes([1, 1]) + struct.pack("<i", 0)
    out += struct.pack("<i", 0) * 3
    return out


def main():
    d = sys.argv[1]
    os.makedirs(d, exist_ok=True)
    open(os.path.join(d, "motion.vmd"), "wb").write(motion())
    open(os.path.join(d, "model.pmx"), "wb").write(model())


if __name__ == "__main__":
    main()
