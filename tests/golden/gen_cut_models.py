#!/usr/bin/env python3
"""Writes three models that a reader reads only in part, all named 切断, into a directory:

  cut-vertices.pmx  ends inside its third of three vertices: no bone or morph name was read
  cut-bones.pmx     declares 39 bones and ends right after the 16th (standard bones, then hair)
  fault.pmx         its bones whole, then a morph of kind 12 after 5 morphs: a structural fault

The page of a motion after such a model names the model and colours against what was read, as
velmora.exe shows it. Deterministic: the same bytes every run.
Usage: python3 tests/golden/gen_cut_models.py DIR"""
import os
import struct
import sys

BONES = ["センター", "グルーブ", "上半身", "上半身2", "下半身", "首", "頭", "左肩", "左腕", "左ひじ",
         "右肩", "右腕", "右ひじ", "左足", "右足", "左足ＩＫ"] + ["髪%d" % i for i in range(1, 13)] + \
        ["右足ＩＫ", "左ひざ", "右ひざ", "左足首", "右足首", "両目", "左目", "右目", "全ての親", "腰", "上半身3"]
MORPHS = ["あ", "い", "う", "まばたき", "笑い", "謎モーフ01", "ウィンク"]


def text(s):
    b = s.encode("utf-16-le")
    return struct.pack("<i", len(b)) + b


def header():
    # PMX 2.0, UTF-16 texts, no additional UV; index sizes: vertex 2, texture 1, material 1, bone 2,
    # morph 2, body 1.
    out = b"PMX " + struct.pack("<f", 2.0) + bytes([8, 0, 0, 2, 1, 1, 2, 2, 1])
    return out + text("切断") + text("cut") + text("") + text("")


def vertex():
    return struct.pack("<8f", 1, 2, 3, 0, 1, 0, 0.5, 0.5) + bytes([0]) + struct.pack("<h", 0) + struct.pack("<f", 1)


def bone(name, parent):
    return text(name) + text("") + struct.pack("<3fhiH3f", 0, 1, 0, parent, 0, 0x001E, 0, 1, 0)


def morph(name, kind):
    return text(name) + text("") + bytes([1, kind]) + struct.pack("<i", 0)


def bones(count, written):
    return struct.pack("<i", count) + b"".join(bone(n, i - 1) for i, n in enumerate(BONES[:written]))


def main():
    out = sys.argv[1]
    empty = struct.pack("<i", 0)
    cut = header() + struct.pack("<i", 3) + vertex() * 3
    with open(os.path.join(out, "cut-vertices.pmx"), "wb") as f:
        f.write(cut[:-6])
    with open(os.path.join(out, "cut-bones.pmx"), "wb") as f:
        f.write(header() + empty * 4 + bones(len(BONES), 16))
    morphs = struct.pack("<i", len(MORPHS)) + b"".join(morph(n, 12 if i == 5 else 1) for i, n in enumerate(MORPHS))
    with open(os.path.join(out, "fault.pmx"), "wb") as f:
        f.write(header() + empty * 4 + bones(len(BONES), len(BONES)) + morphs + empty * 3)


main()
