#!/usr/bin/env python3
"""gen_library_json.py N OUT.jsonl: the JSON Lines of a velmora-report --summary --json run over a
made-up library of N motions as users keep them (artist and song folders with Japanese and English
names), in the tool's exact form, for the library page's benchmark (bench/html_page.sh). The mix of
verdicts: about 62 % fits, 20 % lacks (one to six names with advice, about 40 % of them would fit after
fitting), 4 % camera, 3 % cut, 3 % no model (before the model), 2 % extras, 2 % empty, 2 % unread,
plus a few motions checked without a model at the start. Deterministic: the same bytes on every run.
"""
import json
import sys

ARTISTS = ["みゆき", "Kou", "ぽんず", "ゆっけ", "Natsu P", "ぐるりん", "あかね屋", "MMD工房", "しずく",
           "tsubaki", "はるか", "ライト", "moca", "ねこまた", "りょう", "Aoi", "ちゃちゃ", "なぎさ"]
SONGS = ["夏の終わり", "星降る夜", "Midnight Step", "かくれんぼ", "桜ドロップ", "Blue Hour", "はじまりの歌",
         "雨上がり", "Neon Parade", "ひまわり畑", "月夜の舞", "ぐるぐる", "Paper Plane", "放課後スキップ", "青い鳥",
         "Sunny Side", "きらきら通り", "ふたりの時計", "Echo Garden", "まわれ右"]
PARTS = ["モーション", "motion", "表情", "カメラ", "リップ", "本体", "dance"]
RIG = [("J_Bip_L_UpperAr", "左腕", "standard"), ("J_Bip_R_UpperAr", "右腕", "standard"),
       ("LeftUpperArm", "左腕", "standard"), ("Spine", "上半身", "standard"), ("Head", "頭", "standard"),
       ("ﾏﾊﾞﾀｷ", "まばたき", "expression"), ("ニコリ", "にこり", "expression"), ("あ", "あ", "expression")]
NONE = ["左袖", "髪1", "スカート前2", "ネクタイ1", "しっぽ3", "右袖_1", "前髪", "胸親"]


class Random:
    def __init__(self, seed):
        self.state = seed

    def next(self):
        self.state = (self.state * 1103515245 + 12345) & 0x7FFFFFFF
        return self.state / 0x7FFFFFFF

    def pick(self, items):
        return items[int(self.next() * len(items)) % len(items)]

    def int(self, lo, hi):
        return lo + int(self.next() * (hi - lo + 1))


def line(d):
    return json.dumps(d, ensure_ascii=False, separators=(",", ":"))


def motion(r, path, verdict):
    bone_keys, morph_keys = r.int(500, 40000), r.int(0, 4000)
    d = {"file": path, "kind": "motion", "read": 0, "verdict": verdict, "error": None, "cut": None,
         "bone_keys": bone_keys, "morph_keys": morph_keys, "bones": r.int(10, 80), "morphs": r.int(0, 40),
         "last_frame": r.int(300, 9000), "lacks": {"bones": [], "morphs": []}, "advice": [], "fitted": None}
    if verdict == "camera":
        d.update(bone_keys=0, morph_keys=0, bones=0, morphs=0)
    elif verdict == "empty":
        d.update(bone_keys=0, morph_keys=0, bones=0, morphs=0, last_frame=None)
    elif verdict == "unread":
        d.update(read=2, error="not a VMD motion of version 0002", bone_keys=0, morph_keys=0, bones=0, morphs=0,
                 last_frame=None)
    elif verdict == "cut":
        read = r.int(1, bone_keys - 1)
        d.update(error=f"cut in the bone keys after {read:,} of {bone_keys:,}", bone_keys=read, morph_keys=0,
                 cut={"in": "bone keys", "read": read, "declared": bone_keys})
    elif verdict == "lacks":
        fit = r.next() < 0.4
        for _ in range(r.int(1, 6)):
            if fit or r.next() < 0.6:
                name, to, cls = r.pick(RIG)
                why = "rig name" if cls == "standard" else "spelling"
            else:
                name, to, cls, why = r.pick(NONE), None, "other", "none"
            lst = "morphs" if cls == "expression" else "bones"
            d["lacks"][lst].append(name)
            d["advice"].append({"list": lst, "name": name, "class": cls, "to": to, "why": why, "candidates": []})
        if fit:
            d["fitted"] = "fitted/" + path
    return d


def main():
    n, out = int(sys.argv[1]), sys.argv[2]
    r = Random(11)
    lines, totals = [], {"motions": 0, "fit": 0, "lack": 0, "would_fit": 0, "no_model": 0, "cut": 0, "unread": 0}
    key = {"fits": "fit", "lacks": "lack", "no model": "no_model", "cut": "cut", "unread": "unread"}
    plan = ([("no model", 0.03)] + [("fits", 0.62), ("lacks", 0.20), ("camera", 0.04), ("cut", 0.03),
                                    ("extras", 0.02), ("empty", 0.02), ("unread", 0.02), ("fits", 0.02)])
    before = int(n * plan[0][1])
    for i in range(n):
        if i == before:
            lines.append(line({"file": "models/ジェネ/Gene.pmx", "kind": "model", "read": 0, "verdict": "model",
                               "error": None, "cut": None, "name": "ジェネ / Gene", "bones": 224, "morphs": 184}))
        if i < before:
            verdict = "no model"
        else:
            x, verdict = r.next(), "fits"
            for v, share in plan[1:]:
                if x < share:
                    verdict = v
                    break
                x -= share
        path = f"MMDモーション/{r.pick(ARTISTS)}/{r.pick(SONGS)}/{r.pick(PARTS)}_{i:05d}.vmd"
        d = motion(r, path, verdict)
        lines.append(line(d))
        totals["motions"] += 1
        if verdict in key:
            totals[key[verdict]] += 1
        if verdict == "lacks" and d["fitted"]:
            totals["would_fit"] += 1
    lines.append(line({"totals": totals}))
    with open(out, "w", encoding="utf-8") as f:
        f.write("\n".join(lines) + "\n")


main()
