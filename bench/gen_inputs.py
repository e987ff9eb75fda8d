#!/usr/bin/env python3
"""Writes the large inputs of the benchmarks into a directory (bench/run.sh uses build/bench/data):

  large.vmd  1,000,000 bone keys over 150 names (standard, finger, pattern-matched and unknown ones),
             200,000 morph keys over 40 names, and a few camera, light, shadow and show-and-IK keys
  large.pmx  a PMX 2.0 model (UTF-16 texts) of 1,000 bones and 500 morphs

The content is deterministic (a fixed pseudo-random sequence), so every run writes the same bytes.
  --library  instead: library/dance-000.vmd to dance-199.vmd, motions of the sizes of real dances
             (10,000 to 40,000 bone keys, a tenth as many morph keys), for the summary of a library
  --folder N instead: folder-N/clip-00000.vmd onwards, N small motions (20 bone keys, 5 morph keys) in
             one folder, for what a folder's size costs each of its motions
  --dances N instead: dances-N/dance-00000.vmd onwards, N motions of the sizes of a real library's dances
             (500 to 4,500 bone keys, about 220 KB on average, as 1,938 real dances of 425 MB are; a tenth
             as many morph keys), for the summary of a library against the cost of reading it
  --mix N    instead: mix-N/dance-000.vmd onwards, N motions as real dances are made: 10,000 to 35,000
             bone keys over 150 bone names (standard, semi-standard with the arm-twist bones, finger,
             hair and skirt bones, the original model's own), each bone's keys in one run by frame as
             editors write them (a few bones in two runs, keys added later), positions only on the
             bones that move, rotations of every size with either sign of w; 1,000 to 5,000 morph keys
             over 40 names in runs; a few show-and-IK keys. For the instructions a key costs. Also
             mix-all.pmx, mix-body.pmx and mix-hands.pmx beside the folder: models for the mix

Usage: python3 bench/gen_inputs.py [--library | --folder N | --dances N | --mix N] [DIR]
"""
import math
import os
import struct
import sys

STANDARD = ["センター", "グルーブ", "上半身", "上半身2", "下半身", "首", "頭", "左目", "右目", "両目",
            "左肩", "左腕", "左腕捩", "左ひじ", "左手捩", "左手首", "右肩", "右腕", "右腕捩", "右ひじ",
            "右手捩", "右手首", "左足", "左ひざ", "左足首", "右足", "右ひざ", "右足首", "左足ＩＫ", "右足ＩＫ",
            "左つま先ＩＫ", "右つま先ＩＫ", "全ての親", "腰", "左足IK親", "右足IK親", "左肩P", "右肩P",
            "左足D", "右足D", "左ひざD", "右ひざD", "左足首D", "右足首D", "上半身3", "視線IK"]
FINGERS = [side + finger + digit for side in ("左", "右")
           for finger in ("親指", "人指", "中指", "薬指", "小指") for digit in ("１", "２", "３")
           if not (finger == "親指" and digit == "３")]
PATTERNED = (["髪%d" % i for i in range(1, 13)] + ["スカート前%d" % i for i in range(1, 9)]
             + ["左袖_%d" % i for i in range(1, 5)] + ["sk_%d" % i for i in range(1, 9)]
             + ["ネクタイ%d" % i for i in range(1, 5)] + ["しっぽ%d" % i for i in range(1, 7)])
UNKNOWN = ["謎ボーン%02d" % i for i in range(1, 30)]
MORPHS = (["あ", "い", "う", "え", "お", "まばたき", "笑い", "にやり", "∧", "ω", "はんっ！", "びっくり",
           "困る", "怒り", "上", "下", "ウィンク", "ウィンク右", "照れ", "真面目"]
          + ["謎モーフ%02d" % i for i in range(1, 21)])


def sjis(name, size):
    data = name.encode("cp932")[:size]
    return data + b"\0" * (size - len(data))


class Random:
    """A small linear congruential sequence: the same numbers on every machine."""

    def __init__(self, seed):
        self.state = seed

    def next(self):
        self.state = (self.state * 1103515245 + 12345) & 0x7FFFFFFF
        return self.state / 0x7FFFFFFF


def write_vmd(path, bone_keys, morph_keys, seed=7):
    names = STANDARD + FINGERS + PATTERNED + UNKNOWN
    names = (names * 2)[:150]
    rnd = Random(seed)
    out = bytearray()
    out += sjis("Vocaloid Motion Data 0002", 30) + sjis("ベンチモデル", 20)
    out += struct.pack("<i", bone_keys)
    interpolation = bytes(range(20, 84))
    bone = struct.Struct("<15si3f4f64s")
    encoded = [sjis(n, 15) for n in names]
    for i in range(bone_keys):
        angle = rnd.next() * math.pi
        axis = (rnd.next() - 0.5, rnd.next() - 0.5, rnd.next() - 0.5)
        norm = math.sqrt(sum(a * a for a in axis)) or 1.0
        s = math.sin(angle / 2)
        out += bone.pack(encoded[i % len(encoded)], i // len(encoded),
                         rnd.next() - 0.5, rnd.next(), rnd.next() - 0.5,
                         s * axis[0] / norm, s * axis[1] / norm, s * axis[2] / norm, math.cos(angle / 2),
                         interpolation)
    out += struct.pack("<i", morph_keys)
    morph = struct.Struct("<15sif")
    encoded = [sjis(n, 15) for n in MORPHS]
    for i in range(morph_keys):
        out += morph.pack(encoded[i % len(encoded)], i // len(encoded), rnd.next())
    out += struct.pack("<i", 2)
    for frame in range(2):
        out += struct.pack("<if3f3f24sib", frame, 40.0, 0, 10, 0, 0, 0, 0, bytes(24), 30, 0)
    out += struct.pack("<i", 1) + struct.pack("<i3f3f", 0, 0.6, 0.6, 0.6, -0.5, -1.0, 0.5)
    out += struct.pack("<i", 1) + struct.pack("<ibf", 0, 1, 0.1)
    out += struct.pack("<i", 1) + struct.pack("<ibi", 0, 1, 1) + sjis("左足ＩＫ", 20) + b"\x01"
    with open(path, "wb") as f:
        f.write(out)


SEMI_TWIST = ["左腕捩1", "左腕捩2", "左腕捩3", "右腕捩1", "右腕捩2", "右腕捩3", "左手捩1", "左手捩2",
              "左手捩3", "右手捩1", "右手捩2", "右手捩3"]
# Semi-standard bones the corpus's Gene.pmx lacks, left out of the mix so that a run against Gene measures
# the check alone and one against Gene without its semi-standard bones the costs too.
ABSENT = {"腰", "左肩P", "右肩P", "左足D", "右足D", "左ひざD", "右ひざD", "左足首D", "右足首D", "上半身3"}
MOVERS = {"センター", "グルーブ", "全ての親", "左足ＩＫ", "右足ＩＫ", "左つま先ＩＫ", "右つま先ＩＫ", "左足IK親",
          "右足IK親", "腰"}


def write_mix(path, seed):
    """One motion of a real dance's make (see --mix): keys in runs per bone, by frame."""
    rnd = Random(seed)
    names = mix_bone_names()
    bone_keys = 10_000 + int(rnd.next() * 25_000)
    morph_keys = 1_000 + int(rnd.next() * 4_000)
    # Each bone's share of the keys: a few bones carry most (the body, the arms), the rest few.
    shares = [0.2 + 4.0 * rnd.next() ** 3 for _ in names]
    scale = bone_keys / sum(shares)
    counts = [max(1, int(s * scale)) for s in shares]
    counts[0] += bone_keys - sum(counts)
    if counts[0] < 1:
        counts[0] = 1
    bone = struct.Struct("<15si3f4f64s")
    curve = bytes([20, 20, 0, 0, 20, 20, 20, 20, 107, 107, 107, 107, 107, 107, 107, 107] * 4)
    runs, late = [], []
    for name, count in zip(names, counts):
        encoded = sjis(name, 15)
        moves = name in MOVERS
        frame, keys = 0, []
        axis = (rnd.next() - 0.5, rnd.next() - 0.5, rnd.next() - 0.5)
        for _ in range(count):
            frame += 1 + int(rnd.next() * 6)
            # Rotations of every size about a drifting axis; about one key in eight stores -q (w < 0).
            angle = (rnd.next() - 0.5) * 2.5 * rnd.next()
            axis = tuple(a + (rnd.next() - 0.5) * 0.3 for a in axis)
            norm = math.sqrt(sum(a * a for a in axis)) or 1.0
            s, c = math.sin(angle / 2), math.cos(angle / 2)
            q = [s * axis[0] / norm, s * axis[1] / norm, s * axis[2] / norm, c]
            if rnd.next() < 0.125:
                q = [-v for v in q]
            pos = ((rnd.next() - 0.5) * 8, rnd.next() * 3, (rnd.next() - 0.5) * 8) if moves else (0.0, 0.0, 0.0)
            keys.append(bone.pack(encoded, frame, *pos, *q, curve))
        # A few bones got keys added later: those follow the block's other runs.
        if count > 20 and rnd.next() < 0.1:
            cut = count - int(count * 0.2)
            runs.append(keys[:cut])
            late.append(keys[cut:])
        else:
            runs.append(keys)
    out = bytearray()
    out += sjis("Vocaloid Motion Data 0002", 30) + sjis("ダンスモデル", 20)
    out += struct.pack("<i", sum(counts))
    for run in runs + late:
        out += b"".join(run)
    out += struct.pack("<i", morph_keys)
    morph = struct.Struct("<15sif")
    per = [morph_keys // len(MORPHS)] * len(MORPHS)
    per[0] += morph_keys - sum(per)
    for name, count in zip(MORPHS, per):
        encoded, frame = sjis(name, 15), 0
        for _ in range(count):
            frame += 1 + int(rnd.next() * 8)
            weight = 0.0 if rnd.next() < 0.3 else 1.0 if rnd.next() < 0.3 else rnd.next()
            out += morph.pack(encoded, frame, weight)
    out += struct.pack("<i", 0) * 3  # camera, light, self-shadow
    out += struct.pack("<i", 2)
    for frame in (0, 900):
        out += struct.pack("<ibi", frame, 1, 4)
        for ik in ("左足ＩＫ", "右足ＩＫ", "左つま先ＩＫ", "右つま先ＩＫ"):
            out += sjis(ik, 20) + b"\x01"
    with open(path, "wb") as f:
        f.write(out)


def mix_bone_names():
    names = ([n for n in STANDARD if n not in ABSENT] + SEMI_TWIST + FINGERS + PATTERNED + UNKNOWN
             + ["スカート後%d" % i for i in range(1, 5)])[:150]
    assert len(set(names)) == 150
    return names


def write_mix_models(folder):
    """Three models for the real mix that lack none of its semi-standard bones (nothing for the pose
    engine to measure), each lacking a different part of its other names: mix-all.pmx has every bone and
    morph name of the mix (400 bones, 100 morphs); mix-body.pmx its standard, semi-standard and finger
    bones and the standard expressions (250 bones, 60 morphs); mix-hands.pmx the same without the
    fingers (300 bones, 30 morphs)."""
    os.makedirs(folder, exist_ok=True)
    names = mix_bone_names()
    body = [n for n in names if n not in PATTERNED and n not in UNKNOWN and not n.startswith("スカート")]
    write_pmx(os.path.join(folder, "mix-all.pmx"), 400, 100, names, MORPHS)
    write_pmx(os.path.join(folder, "mix-body.pmx"), 250, 60, body, MORPHS[:20])
    write_pmx(os.path.join(folder, "mix-hands.pmx"), 300, 30, [n for n in body if n not in FINGERS], MORPHS[:10])


def write_mixes(folder, count):
    """count motions of a real dance's make in one folder."""
    os.makedirs(folder, exist_ok=True)
    for i in range(count):
        write_mix(os.path.join(folder, "dance-%03d.vmd" % i), seed=500 + i)


def text16(s):
    data = s.encode("utf-16-le")
    return struct.pack("<i", len(data)) + data


def write_pmx(path, bones, morphs, first_names=None, first_morphs=None):
    names = (first_names if first_names is not None else STANDARD + FINGERS) + ["ボーン%04d" % i for i in range(bones)]
    names = names[:bones]
    morph_names = (first_morphs if first_morphs is not None else MORPHS) + ["モーフ%04d" % i for i in range(morphs)]
    morph_names = morph_names[:morphs]
    out = bytearray(b"PMX ") + struct.pack("<f", 2.0)
    out += bytes([8, 0, 0, 2, 2, 2, 2, 2, 2])  # UTF-16, no additional UV, 2-byte indices
    out += text16("ベンチモデル") + text16("bench model") + text16("") + text16("")
    out += struct.pack("<i", 0) * 4  # vertices, faces, textures, materials
    out += struct.pack("<i", bones)
    for i, name in enumerate(names):
        out += text16(name) + text16("bone%d" % i) + struct.pack("<3f", 0, i * 0.1, 0)
        out += struct.pack("<hih", i - 1, 0, 0) + struct.pack("<3f", 0, 0.1, 0)
    out += struct.pack("<i", morphs)
    for i, name in enumerate(morph_names):
        out += text16(name) + text16("morph%d" % i) + bytes([4, 1]) + struct.pack("<i", 0)
    out += struct.pack("<i", 0) * 3  # display frames, rigid bodies, joints
    with open(path, "wb") as f:
        f.write(out)


def write_sized(folder, count, least, span, name, seed, sizes_seed):
    """count motions of least to least + span bone keys (a tenth as many morph keys) in one folder."""
    os.makedirs(folder, exist_ok=True)
    sizes = Random(sizes_seed)
    for i in range(count):
        bone_keys = least + int(sizes.next() * span)
        write_vmd(os.path.join(folder, name % i), bone_keys, bone_keys // 10, seed=seed + i)


def write_library(folder, count):
    """count motions of the sizes of real dances: 10,000 to 40,000 bone keys, a tenth as many morph keys."""
    write_sized(folder, count, 10_000, 30_000, "dance-%03d.vmd", 100, 11)


def write_folder(folder, count):
    """count small motions in one folder."""
    os.makedirs(folder, exist_ok=True)
    for i in range(count):
        write_vmd(os.path.join(folder, "clip-%05d.vmd" % i), 20, 5, seed=100 + i)


def write_dances(folder, count):
    """count motions of a real library's sizes in one folder."""
    write_sized(folder, count, 500, 4_000, "dance-%05d.vmd", 1000, 13)


def main():
    args = sys.argv[1:]
    folder = dances = 0
    if "--folder" in args:
        at = args.index("--folder")
        folder = int(args[at + 1])
        del args[at:at + 2]
    mixes = 0
    if "--mix" in args:
        at = args.index("--mix")
        mixes = int(args[at + 1])
        del args[at:at + 2]
    if "--dances" in args:
        at = args.index("--dances")
        dances = int(args[at + 1])
        del args[at:at + 2]
    args = [a for a in args if a != "--library"]
    out = args[0] if args else os.path.join(os.path.dirname(__file__), "..", "build", "bench", "data")
    os.makedirs(out, exist_ok=True)
    if folder > 0:
        write_folder(os.path.join(out, "folder-%d" % folder), folder)
        return
    if mixes > 0:
        write_mixes(os.path.join(out, "mix-%d" % mixes), mixes)
        write_mix_models(out)
        return
    if dances > 0:
        write_dances(os.path.join(out, "dances-%d" % dances), dances)
        return
    if "--library" in sys.argv[1:]:
        write_library(os.path.join(out, "library"), 200)
        return
    write_vmd(os.path.join(out, "large.vmd"), 1_000_000, 200_000)
    write_pmx(os.path.join(out, "large.pmx"), 1000, 500)


if __name__ == "__main__":
    main()
