#!/usr/bin/env python3
"""compare.py POSITIONS CORPUS: the pose engine's IK (POSITIONS, positions.cpp) against a real player
(babylon-mmd, positions.mjs) on the shared corpus's models and motions, leg bones compared frame by frame.

Cases: Gene.pmx with each corpus motion and with a motion written here that crouches, steps, kicks and
switches IK off and on (linear curves); Gene with its legs 0.7 and 1.15 times as long (a short and a tall
body from one skeleton, tools/pmx_variant.py); the corpus's small models (no IK: their bones by forward
kinematics) with every motion.

What it allows for, and why. The player differs from the pose engine in four known ways (the fixed-axis
projection of a key's rotation, a curve solver that stops after 15 halvings, unnormalised key
quaternions, stale parents) and converges slowly with a model's own loop count. So:
- every IK bone is given 256 loops on both sides (pmx_variant.py --loops 256), the most either plays, so
  both compare the converged result; a frame "converges" on a side where each foot IK's target lies
  within 0.001 of its goal (or that IK is off);
- the leg bones (足, ひざ, 足首, つま先, 足先, and their D and EX bones) must agree within 0.01 units at
  every frame, where both converge and elsewhere: with 256 loops each side stops where CCD stops (the
  target within 1e-4 radians of its goal as seen from every link, or a knee held at its limit), which
  is the converged result even where the target is out of reach (measured: 0.001 at most);
- the corpus's motions keep their curves (the player's 15 halvings move a key's frame by at most 0.006
  of its span, below 0.001 on these motions' legs); the motion written here has linear curves, which
  both solve exactly;
- with the model's own loops (40 for Gene's legs, 3 for its toes) the figures are printed, not judged.
Prints one line per case: frames, frames where both converge, the largest and 99th-percentile
difference there and elsewhere. Exit code 1 when a case is off or the player is not installed
(scripts/setup.sh installs it into tests/pose/player/node_modules), 77 (skipped) without the corpus, 0 when
every case agrees.
"""
import math
import os
import struct
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
TOP = os.path.abspath(os.path.join(HERE, "..", "..", ".."))
SIDES = ("左", "右")
LEG = ["足", "ひざ", "足首", "つま先", "足先", "足D", "ひざD", "足首D", "足先EX"]
FOOT_IKS = [("足ＩＫ", "足首"), ("つま先ＩＫ", "足先"), ("つま先ＩＫ", "つま先")]
CONVERGED = 0.001
AGREE = 0.01
AGREE_ELSEWHERE = 0.01


def sjis(text, size):
    b = text.encode("shift_jis")[:size]
    return b + b"\0" * (size - len(b))


def write_motion(path):
    """A motion for any standard model: crouches, steps and kicks, IK switched off and on; linear curves."""
    linear = bytes([20, 20, 107, 107] * 4)
    row = bytes(linear[i // 4 + 4 * (i % 4)] for i in range(16))
    curve = b"".join(row[r:] + b"\0" * r for r in range(4))

    def turn(axis, degrees):
        h = math.radians(degrees) / 2
        q = [0.0, 0.0, 0.0, math.cos(h)]
        q[axis] = math.sin(h)
        return q

    keys = []

    def key(name, frame, pos=(0, 0, 0), rot=(0, 0, 0, 1)):
        keys.append(sjis(name, 15) + struct.pack("<I3f4f", frame, *pos, *rot) + curve)

    for f, y in [(0, 0), (20, -2.5), (40, -5.5), (60, -1.0), (80, 0.3), (100, 0)]:
        key("センター", f, (0.3 * math.sin(f / 15), y, 0.2 * math.cos(f / 20)))
    for f, p, r in [(0, (0, 0, 0), 0), (15, (0.5, 1.5, -2.0), 20), (30, (0.8, 3.5, -4.0), 45), (50, (0, 0, 1.5), -10),
                    (70, (-0.5, 0.2, 0.5), 0), (90, (0, 0, 0), 0)]:
        key("左足ＩＫ", f, p, turn(0, r))
    for f, p in [(0, (0, 0, 0)), (25, (-1.0, 0, 0.8)), (45, (-0.3, 1.0, -1.0)), (65, (0.4, 0, 2.5)), (95, (0, 0, 0))]:
        key("右足ＩＫ", f, p)
    for f, p in [(0, (0, 0, 0)), (35, (0, 0.6, -0.5)), (55, (0.2, 0, 0))]:
        key("左つま先ＩＫ", f, p)
    for f, r in [(0, 0), (40, 25), (80, -10)]:
        key("上半身", f, rot=turn(0, r))
    # Keys of the right leg's own bones: they play where its IK is off.
    for f, a in [(0, 0), (72, -30), (78, -60)]:
        key("右足", f, rot=turn(0, a))
        key("右ひざ", f, rot=turn(0, -2 * a))
    names = ["左足ＩＫ", "右足ＩＫ", "左つま先ＩＫ", "右つま先ＩＫ"]
    heads = [(0, {n: 1 for n in names}), (40, {"左つま先ＩＫ": 0}), (60, {"左つま先ＩＫ": 1}), (70, {"右足ＩＫ": 0}),
             (85, {"右足ＩＫ": 1})]
    out = sjis("Vocaloid Motion Data 0002", 30) + sjis("ik check", 20)
    out += struct.pack("<I", len(keys)) + b"".join(keys)
    out += struct.pack("<IIII", 0, 0, 0, 0)  # morph, camera, light, self-shadow keys
    out += struct.pack("<I", len(heads))
    for frame, switches in heads:
        out += struct.pack("<IBI", frame, 1, len(switches))
        for n, on in switches.items():
            out += sjis(n, 20) + bytes([on])
    with open(path, "wb") as f:
        f.write(out)


def poses(text):
    """The positions of a run's lines: {(frame, bone): (x, y, z)}."""
    pose = {}
    for line in text.splitlines():
        parts = line.split()
        if len(parts) == 5 and parts[0].isdigit():
            pose[(int(parts[0]), parts[1])] = tuple(float(v) for v in parts[2:])
    return pose


def player(cases, work):
    """The player's positions of every case (model, motion, last, bones), in one run."""
    jobs = os.path.join(work, "jobs.txt")
    with open(jobs, "w", encoding="utf-8") as f:
        for model, motion, last, bones in cases:
            f.write("\t".join([model, motion, "0", str(last)] + bones) + "\n")
    out = subprocess.run(["node", "--import", "./register.mjs", "positions.mjs", "--jobs", jobs], cwd=HERE,
                         capture_output=True, check=True).stdout.decode("utf-8")
    parts, at = [], None
    for line in out.splitlines():
        if line.startswith("# "):
            parts.append([])
        elif parts:
            parts[-1].append(line)
    return [poses("\n".join(p)) for p in parts]


def ik_switches(motion):
    """The IK switches of a motion: {name: [(frame, on)]} (the comparison's own reading of the block)."""
    data = open(motion, "rb").read()
    p = 50
    n = struct.unpack_from("<I", data, p)[0]
    p += 4 + 111 * n
    for size in (23, 61, 28, 9):
        if p + 4 > len(data):
            return {}
        n = struct.unpack_from("<I", data, p)[0]
        p += 4 + size * n
    switches = {}
    if p + 4 > len(data):
        return switches
    heads = struct.unpack_from("<I", data, p)[0]
    p += 4
    for _ in range(heads):
        if p + 9 > len(data):
            break
        frame, _, count = struct.unpack_from("<IBI", data, p)
        p += 9
        for _ in range(count):
            if p + 21 > len(data):
                break
            name = data[p:p + 20].split(b"\0")[0].decode("shift_jis", "replace")
            switches.setdefault(name, []).append((frame, data[p + 20]))
            p += 21
    return switches


def ik_on(switches, name, frame):
    keys = sorted(switches.get(name, []), key=lambda k: k[0])
    if not keys:
        return True
    state = keys[0][1]
    for f, on in keys:
        if f <= frame:
            state = on
    return state != 0


def converged(pose, frame, switches):
    for side in SIDES:
        for ik, target in FOOT_IKS:
            g, e = pose.get((frame, side + ik)), pose.get((frame, side + target))
            if g is None or e is None or not ik_on(switches, side + ik, frame):
                continue
            if math.dist(g, e) > CONVERGED:
                return False
    return True


def percentile(values, p):
    if not values:
        return 0.0
    v = sorted(values)
    return v[min(len(v) - 1, int(p * len(v)))]


def compare(ours, theirs, motion, last, label, judged, bones):
    switches = ik_switches(motion)
    both, near, far = 0, [], []
    for f in range(last + 1):
        ok = converged(ours, f, switches) and converged(theirs, f, switches)
        both += ok
        for b in bones:
            if (f, b) in ours and (f, b) in theirs and any(b.endswith(x) for x in LEG):
                (near if ok else far).append(math.dist(ours[(f, b)], theirs[(f, b)]))
    if not near and not far:
        for f in range(last + 1):
            for b in bones:
                if (f, b) in ours and (f, b) in theirs:
                    near.append(math.dist(ours[(f, b)], theirs[(f, b)]))
    bad = judged and ((near and max(near) > AGREE) or (far and max(far) > AGREE_ELSEWHERE))
    bad = bad or len(ours) != len(theirs)
    print("%-5s %-34s frames %4d  both converge %4d  there max %.5f p99 %.5f  elsewhere max %.5f p99 %.5f%s" %
          ("FAIL" if bad else ("ok" if judged else "info"), label, last + 1, both, max(near, default=0.0),
           percentile(near, 0.99), max(far, default=0.0), percentile(far, 0.99), "" if judged else "  (not judged)"))
    return not bad, last + 1, both, max(near + far, default=0.0)


def main():
    positions, corpus = sys.argv[1], sys.argv[2] if len(sys.argv) > 2 else ""
    if not corpus or not os.path.isfile(os.path.join(corpus, "Gene.pmx")):
        print("ik player: no shared corpus; skipped", file=sys.stderr)
        return 77
    if not os.path.isdir(os.path.join(HERE, "node_modules", "babylon-mmd")):
        print("ik player: %s/node_modules is missing: run scripts/setup.sh" % HERE, file=sys.stderr)
        return 1
    with tempfile.TemporaryDirectory() as work:
        return compare_all(positions, corpus, work)


def compare_all(positions, corpus, work):
    variant = os.path.join(TOP, "tools", "pmx_variant.py")
    motions = sorted(os.path.join(corpus, m) for m in os.listdir(corpus) if m.endswith(".vmd"))
    made = os.path.join(work, "crouch-step-kick.vmd")
    write_motion(made)
    motions.append(made)
    legs = [s + n for s in SIDES for n in LEG + ["足ＩＫ", "つま先ＩＫ"]]
    ok = True
    models = []
    for name, args, judged in [("Gene (own loops)", [], False), ("Gene", ["--loops", "256"], True),
                               ("Gene, legs x0.7", ["--legs", "0.7", "--loops", "256"], True),
                               ("Gene, legs x1.15", ["--legs", "1.15", "--loops", "256"], True)]:
        path = os.path.join(work, name.replace(" ", "_").replace(",", "").replace("(", "").replace(")", "") + ".pmx")
        subprocess.run([sys.executable, variant, os.path.join(corpus, "Gene.pmx"), path] + args, check=True)
        models.append((name, path, judged, legs))
    small = ["センター", "上半身", "下半身", "頭"] + legs
    cases = [(name, path, motion, judged, bones) for name, path, judged, bones in models for motion in motions]
    # The small models have no IK: two motions check their forward kinematics.
    for m in sorted(os.listdir(corpus)):
        if m.endswith(".pmx") and m != "Gene.pmx":
            cases += [(m, os.path.join(corpus, m), motion, True, small) for motion in (motions[-2], motions[-1])]
    lasts = [int(subprocess.run([positions, "--last", c[2]], capture_output=True, check=True).stdout) for c in cases]
    theirs = player([(c[1], c[2], last, c[4]) for c, last in zip(cases, lasts)], work)
    frames = converging = 0
    worst = 0.0
    for (name, path, motion, judged, bones), last, their in zip(cases, lasts, theirs):
        out = subprocess.run([positions, path, motion, "0", str(last)] + bones, capture_output=True, check=True)
        good, n, both, most = compare(poses(out.stdout.decode("utf-8")), their, motion, last,
                                      "%s / %s" % (name, os.path.basename(motion)), judged, bones)
        ok &= good
        if judged and "Gene" in name:
            frames, converging, worst = frames + n, converging + both, max(worst, most)
    print("Gene's judged cases: %d frames, %d where both converge, largest leg difference %.5f" %
          (frames, converging, worst))
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
