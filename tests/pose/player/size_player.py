#!/usr/bin/env python3
"""size_player.py SIZING CORPUS: motions sized by the pose engine (SIZING, sizing.cpp) from the corpus's
Gene to a short and a tall body made from it, played by a real player (babylon-mmd, judge.mjs) and
judged there, independently, against Gene playing the original.

Bodies (tools/pmx_variant.py): Gene with legs x0.7 (a chibi's); Gene with legs x1.13 and arms x0.94 (a
tall model's). Motions: the corpus's, and one written here for Gene: a walk of six steps with the knees
a little bent (each foot planted while the other swings, its heel rising first), a squat that takes the
hips 7.5 down, two claps and a hand at the chin.

For each body and motion: the sizing tool's plan and its own figures (unsized and sized), the sized copy
it writes, and the player's figures of Gene's motion unsized and of the copy on the body. The player's
sized figures must meet the issue's: at S's planted frames the foot's height error at most 0.05 x T's
leg on average and 0.1 x at the 95th percentile; nothing sinking more than 0.05 below the floor; a
planted foot sliding at most 0.003 x leg a frame more than S's (scaled), on average; the foot missing
its IK goal or the knee held at its limit on at most 1% of the frames where S's does not; hands that
touch on S within 0.2 x r_arm of touching on average; hips within 0.05 of the leg ratio on average and
0.10 at worst. And Gene sized to Gene: the copy is the motion, byte for byte.

Prints one line per case and figure: own unsized, own sized, player unsized, player sized. Exit code 1
when a case misses a figure or the player is not installed (scripts/setup.sh), 77 (skipped) without the
corpus, 0 when every case meets them.
"""
import json
import math
import os
import struct
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
TOP = os.path.abspath(os.path.join(HERE, "..", "..", ".."))
FIGURES = ["floor_mean", "floor_p95", "sink", "slide_mean", "reach_frames", "hands_mean", "hips_mean", "hips_max"]


def sjis(text, size):
    b = text.encode("shift_jis")[:size]
    return b + b"\0" * (size - len(b))


def curves(channels):
    """The 64 interpolation bytes of four curves (x1, y1, x2, y2 each)."""
    row = [0] * 16
    for c, (x1, y1, x2, y2) in enumerate(channels):
        row[c], row[4 + c], row[8 + c], row[12 + c] = x1, y1, x2, y2
    rows = [row[r:] + [0] * r for r in range(4)]
    rows[0][2] = rows[0][3] = 0  # P1, P2: no physics switch
    return b"".join(bytes(r) for r in rows)


LINEAR = curves([(20, 20, 107, 107)] * 4)
EASE = curves([(64, 0, 64, 127)] * 3 + [(20, 20, 107, 107)])


def vsub(a, b):
    return [a[i] - b[i] for i in range(3)]


def vadd(a, b):
    return [a[i] + b[i] for i in range(3)]


def vmul(a, k):
    return [x * k for x in a]


def dot(a, b):
    return sum(a[i] * b[i] for i in range(3))


def cross(a, b):
    return [a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]]


def unit(a):
    return vmul(a, 1.0 / math.sqrt(dot(a, a)))


def qmul(a, b):
    return [a[3] * b[0] + a[0] * b[3] + a[1] * b[2] - a[2] * b[1], a[3] * b[1] - a[0] * b[2] + a[1] * b[3] + a[2] * b[0],
            a[3] * b[2] + a[0] * b[1] - a[1] * b[0] + a[2] * b[3], a[3] * b[3] - a[0] * b[0] - a[1] * b[1] - a[2] * b[2]]


def qconj(q):
    return [-q[0], -q[1], -q[2], q[3]]


def qrot(q, v):
    r = qmul(qmul(q, v + [0.0]), qconj(q))
    return r[:3]


def arc(a, b):
    a, b = unit(a), unit(b)
    c = cross(a, b)
    w = 1.0 + dot(a, b)
    n = math.sqrt(dot(c, c) + w * w)
    return [c[0] / n, c[1] / n, c[2] / n, w / n]


def arm_keys(shoulder, elbow, wrist, to, pole):
    """The keys of 腕 and ひじ that bring the wrist to `to`, the elbow bending in the plane of the pole."""
    a, b = math.dist(elbow, shoulder), math.dist(wrist, elbow)
    d = vsub(to, shoulder)
    l = math.sqrt(dot(d, d))
    u = unit(d)
    v = unit(vsub(pole, vmul(u, dot(pole, u))))
    c = (a * a + l * l - b * b) / (2 * a * l)
    e = vadd(shoulder, vadd(vmul(u, a * c), vmul(v, a * math.sqrt(1 - c * c))))
    arm = arc(vsub(elbow, shoulder), vsub(e, shoulder))
    world = arc(qrot(arm, vsub(wrist, elbow)), vsub(to, e))
    return arm, qmul(qmul(qconj(arm), world), arm)


def write_motion(path):
    """Gene's walk, squat, claps and hand at the chin (the unit test's motion, on Gene's arms)."""
    keys = []

    def key(name, frame, pos=(0, 0, 0), rot=(0, 0, 0, 1)):
        keys.append(sjis(name, 15) + struct.pack("<I3f4f", frame, *pos, *rot) + (EASE if name == "センター" else LINEAR))

    def foot(side, frames, zs):
        for i in range(len(frames)):
            key(side + "足ＩＫ", frames[i], (0, 0, zs[i]))
            key(side + "つま先ＩＫ", frames[i])
            if i % 2 == 1 and i + 1 < len(frames):
                key(side + "足ＩＫ", frames[i] - 5, (0, 0, zs[i]))
                key(side + "つま先ＩＫ", frames[i] - 5)
                key(side + "足ＩＫ", frames[i], (0, 0.6, zs[i]))
                key(side + "つま先ＩＫ", frames[i], (0, -0.6, 0))
                mid = (frames[i] + frames[i + 1]) // 2
                key(side + "足ＩＫ", mid, (0, 1.0, (zs[i] + zs[i + 1]) / 2))
                key(side + "つま先ＩＫ", mid)

    foot("左", [0, 20, 35, 50, 65, 80, 95], [0, 0, -3, -3, -9, -9, -12])
    foot("右", [0, 35, 50, 65, 80, 95], [0, 0, -6, -6, -12, -12])
    for side in ("左", "右"):
        key(side + "足ＩＫ", 300, (0, 0, -12))
        key(side + "つま先ＩＫ", 300)
    for f, y, z in [(0, -1.0, 0), (35, -1.2, -1.5), (50, -1.2, -4.5), (65, -1.2, -7.5), (80, -1.2, -10.5), (95, -1.0, -12),
                    (100, -1.0, -12), (120, -7.5, -12), (140, -7.5, -12), (160, -1.0, -12)]:
        key("センター", f, (0, y, z))
    for side, x in (("左", 1), ("右", -1)):
        shoulder, elbow, wrist = [x * 1.333, 15.361, 0.07], [x * 3.695, 13.769, 0.139], [x * 6.245, 12.049, 0.038]
        clap = arm_keys(shoulder, elbow, wrist, [x * 0.12, 13.3, -2.8], [x, -1, 0])
        apart = arm_keys(shoulder, elbow, wrist, [x * 1.5, 13.3, -2.6], [x, -1, 0])
        rest = ([0, 0, 0, 1], [0, 0, 0, 1])
        for f, (arm, fore) in zip([170, 185, 195, 205, 220], [rest, clap, apart, clap, rest]):
            key(side + "腕", f, rot=arm)
            key(side + "ひじ", f, rot=fore)
        if x < 0:
            chin = arm_keys(shoulder, elbow, wrist, [-0.3, 16.2, -1.3], [-1, -1, 0.5])
            for f, (arm, fore) in zip([235, 250, 265, 280], [rest, chin, chin, rest]):
                key(side + "腕", f, rot=arm)
                key(side + "ひじ", f, rot=fore)
        key(side + "手首", 0)
        key(side + "手首", 300)
    out = sjis("Vocaloid Motion Data 0002", 30) + sjis("Gene", 20)
    out += struct.pack("<I", len(keys)) + b"".join(keys) + struct.pack("<IIIII", 0, 0, 0, 0, 0)
    with open(path, "wb") as f:
        f.write(out)


def last_frame(path):
    data = open(path, "rb").read()
    n = struct.unpack_from("<I", data, 50)[0]
    return max((struct.unpack_from("<I", data, 54 + 111 * i + 15)[0] for i in range(n)), default=0)


def own(sizing, source, model, motion, copy):
    """The sizing tool's plan line, ratios and figures {"unsized": {...}, "sized": {...}}."""
    out = subprocess.run([sizing, source, model, motion, copy], capture_output=True, check=True).stdout.decode()
    figures = {"unsized": {}, "sized": {}}
    plan = ratios = ""
    for line in out.splitlines():
        name, _, value = line.partition(" ")
        if name == "plan":
            plan = value
        elif name == "ratios":
            ratios = value
        elif "." in name:
            which, figure = name.split(".")
            figures[which][figure] = float(value)
    return plan, ratios, figures


def misses(f, leg, arms):
    """The issue's figures a judged play misses."""
    limits = [("floor_mean", 0.05 * leg), ("floor_p95", 0.1 * leg), ("sink", 0.05), ("slide_mean", 0.003 * leg),
              ("reach_frames", f["frames"] / 100.0), ("hands_mean", 0.2 * arms), ("hips_mean", 0.05), ("hips_max", 0.10)]
    return [name for name, most in limits if f[name] > most]


def main():
    sizing, corpus = sys.argv[1], sys.argv[2] if len(sys.argv) > 2 else ""
    if not corpus or not os.path.isfile(os.path.join(corpus, "Gene.pmx")):
        print("size player: no shared corpus; skipped", file=sys.stderr)
        return 77
    if not os.path.isdir(os.path.join(HERE, "node_modules", "babylon-mmd")):
        print("size player: %s/node_modules is missing: run scripts/setup.sh" % HERE, file=sys.stderr)
        return 1
    with tempfile.TemporaryDirectory() as work:
        return run(sizing, corpus, work)


def run(sizing, corpus, work):
    gene = os.path.join(corpus, "Gene.pmx")
    variant = os.path.join(TOP, "tools", "pmx_variant.py")
    bodies = []
    for name, args in [("short (legs x0.7)", ["--legs", "0.7"]), ("tall (legs x1.13, arms x0.94)", ["--legs", "1.13", "--arms", "0.94"])]:
        path = os.path.join(work, "gene-%d.pmx" % len(bodies))
        subprocess.run([sys.executable, variant, gene, path] + args, check=True)
        bodies.append((name, path))
    motions = sorted(os.path.join(corpus, m) for m in ("02_laugh.vmd", "22_apology.vmd", "stand.vmd"))
    made = os.path.join(work, "walk-squat-clap.vmd")
    write_motion(made)
    motions.append(made)
    ok = True
    # Gene to Gene: nothing to change, the copy is the motion.
    for motion in motions:
        copy = os.path.join(work, "same.vmd")
        plan, _, _ = own(sizing, gene, gene, motion, copy)
        same = plan.startswith("same") and open(copy, "rb").read() == open(motion, "rb").read()
        ok &= same
        print("%-5s Gene to Gene / %s: %s" % ("ok" if same else "FAIL", os.path.basename(motion), plan.split(" parts")[0]))
    cases, jobs = [], os.path.join(work, "jobs.txt")
    with open(jobs, "w", encoding="utf-8") as f:
        for name, body in bodies:
            for motion in motions:
                copy = os.path.join(work, "sized-%d.vmd" % len(cases))
                plan, ratios, figures = own(sizing, gene, body, motion, copy)
                cases.append((name, body, motion, plan, ratios, figures))
                f.write("\t".join([gene, motion, str(last_frame(motion)), body, motion, copy]) + "\n")
    out = subprocess.run(["node", "--import", "./register.mjs", "judge.mjs", "--jobs", jobs], cwd=HERE,
                         capture_output=True, check=True).stdout.decode("utf-8")
    played = [json.loads(line) for line in out.splitlines() if line.startswith("{")]
    for k, (name, body, motion, plan, ratios, figures) in enumerate(cases):
        unsized, sized = played[2 * k], played[2 * k + 1]
        leg_ratio = sized["ratios"]["legs"]
        leg = leg_ratio * math.dist((0.881216, 10.483547, -0.373168), (0.881216, 1.329380, 0.162464))
        missed = misses(sized, leg, sized["ratios"]["arms"]) + ["own " + m for m in misses(figures["sized"], leg, sized["ratios"]["arms"])]
        ok &= not missed
        print("%-5s %s / %s: ratios %s; plan %s%s" % ("ok" if not missed else "FAIL", name, os.path.basename(motion), ratios,
                                                       plan, "; misses " + ", ".join(missed) if missed else ""))
        print("      %-13s %12s %12s %12s %12s" % ("figure", "own unsized", "own sized", "player unsized", "player sized"))
        for fig in FIGURES + ["sink_frames", "slide_max", "miss_frames", "limit_frames", "touching", "hands_max"]:
            print("      %-13s %12.5f %12.5f %12.5f %12.5f" % (fig, figures["unsized"][fig], figures["sized"][fig], unsized[fig], sized[fig]))
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
