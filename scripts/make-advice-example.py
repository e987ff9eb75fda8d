#!/usr/bin/env python3
"""make-advice-example.py: the library README.md shows velmora-report's advice on. It copies real
motions of the shared corpus into OUTDIR/library with some bone and morph names spelled as other tools
export them (Unity's humanoid names, VRoid's J_Bip_ names cut to the 15-byte field, VRM's presets,
half-width katakana), the way users find motions in the wild, and one name that no model has.

Usage: make-advice-example.py CORPUS-DIR OUTDIR
Then: velmora-report --summary --fit OUTDIR/fitted CORPUS-DIR/Gene.pmx OUTDIR/library
"""
import os
import struct
import sys

# file: (the copy's name, {name as the corpus spells it: name in the copy}) for bones and for morphs
RESPELL = {
    "22_apology.vmd": ("22_apology-unity.vmd",
                       {"左腕": "LeftUpperArm", "右ひじ": "RightLowerArm", "上半身": "Spine", "左ひざ": "LeftLowerLeg"},
                       {"まばたき": "ﾏﾊﾞﾀｷ"}),
    "02_laugh.vmd": ("02_laugh-vroid.vmd",
                     {"左腕": "J_Bip_L_UpperArm", "右腕": "J_Bip_R_UpperArm", "上半身": "左袖"},
                     {"にこり": "ニコリ", "ワ": "わ"}),
    "stand.vmd": ("stand.vmd", {}, {}),
}


def field(name, size):
    raw = name.encode("cp932")[:size]
    return raw + b"\0" * (size - len(raw))


def respell(data, bones, morphs):
    out = bytearray(data)
    at = 50
    # The bone keys (111 bytes each), then the morph keys (23 bytes), each led by its 15-byte name.
    for names, size in ((bones, 111), (morphs, 23)):
        names = {field(k, 15): field(v, 15) for k, v in names.items()}
        (count,) = struct.unpack_from("<i", out, at)
        at += 4
        for _ in range(count):
            key = bytes(out[at:at + 15])
            if key in names:
                out[at:at + 15] = names[key]
            at += size
    return bytes(out)


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__.split("\n\n")[1])
    corpus, outdir = sys.argv[1], sys.argv[2]
    library = os.path.join(outdir, "library")
    os.makedirs(library, exist_ok=True)
    for source, (name, bones, morphs) in RESPELL.items():
        with open(os.path.join(corpus, source), "rb") as f:
            data = f.read()
        with open(os.path.join(library, name), "wb") as f:
            f.write(respell(data, bones, morphs))


main()
