#!/usr/bin/env python3
"""pmx_variant.py IN.pmx OUT.pmx [--legs K] [--arms K] [--loops N]: a copy of a PMX 2.0 model with other
leg or arm lengths or IK loop counts, every other byte the original's. For the pose engine's IK checks against a
player (tests/pose/player): a short and a tall body from one skeleton, and IK given loops enough to
converge on both sides.

--legs K   every bone's rest height below the hips (the mean height of 左足 and 右足) times K, every
           bone above the hips lowered or raised by as much as the hips move: the legs K times as long,
           the body above them as it was. Vertices are left as they are (only bones play).
--arms K   every bone below 左腕 or 右腕 (ひじ, 手首, the fingers, the twist bones) K times as far from
           腕 as it was (after --legs): the arms K times as long.
--loops N  every IK bone's loop count N.
Reads PMX 2.0 and 2.1 without soft bodies.
"""
import struct
import sys


class Reader:
    def __init__(self, data):
        self.d, self.p = data, 0

    def take(self, n):
        b = self.d[self.p:self.p + n]
        if len(b) != n:
            raise SystemExit("pmx_variant: the model ends early")
        self.p += n
        return b

    def i(self, fmt):
        return struct.unpack("<" + fmt, self.take(struct.calcsize(fmt)))[0]

    def text(self):
        return self.take(self.i("i"))


def main():
    args = sys.argv[1:]
    legs, arms, loops = None, None, None
    while len(args) > 2 and args[-2] in ("--legs", "--arms", "--loops"):
        if args[-2] == "--legs":
            legs = float(args[-1])
        elif args[-2] == "--arms":
            arms = float(args[-1])
        else:
            loops = int(args[-1])
        args = args[:-2]
    if len(args) != 2:
        sys.exit(__doc__.split("\n\n")[0])
    data = bytearray(open(args[0], "rb").read())
    r = Reader(bytes(data))
    r.take(8)
    g = list(r.take(r.i("B")))
    encoding, extra_uv, vsize, tsize, msize, bsize = g[:6]
    bfmt = {1: "b", 2: "h", 4: "i"}[bsize]
    decode = (lambda b: b.decode("utf-16-le")) if encoding == 0 else (lambda b: b.decode("utf-8"))
    for _ in range(4):
        r.text()
    for _ in range(r.i("i")):
        r.take(32 + 16 * extra_uv)
        kind = r.i("B")
        r.take({0: 1, 1: 2, 2: 4, 3: 2, 4: 4}[kind] * bsize + {0: 0, 1: 4, 2: 16, 3: 4 + 36, 4: 16}[kind] + 4)
    r.take(r.i("i") * vsize)
    for _ in range(r.i("i")):
        r.text()
    for _ in range(r.i("i")):
        r.text(), r.text()
        r.take(16 + 12 + 4 + 12 + 1 + 16 + 4 + tsize * 2 + 1)
        r.take(1 if r.i("B") else tsize)
        r.text()
        r.take(4)
    bones = []  # (name, offset of the position, offset of the loop count or None, parent)
    for _ in range(r.i("i")):
        name = decode(r.text())
        r.text()
        at = r.p
        r.take(12)
        parent = r.i(bfmt)
        r.take(4)
        flags = r.i("H")
        r.take(bsize if flags & 0x0001 else 12)
        if flags & 0x0300:
            r.take(bsize + 4)
        r.take((12 if flags & 0x0400 else 0) + (24 if flags & 0x0800 else 0) + (4 if flags & 0x2000 else 0))
        loop_at = None
        if flags & 0x0020:
            r.take(bsize)
            loop_at = r.p
            r.take(8)
            for _ in range(r.i("i")):
                r.take(bsize)
                r.take(24 if r.i("B") else 0)
        bones.append((name, at, loop_at, parent))
    if legs is not None:
        hips = [struct.unpack_from("<f", data, at + 4)[0] for name, at, _, _ in bones if name in ("左足", "右足")]
        if not hips:
            sys.exit("pmx_variant: the model has no 左足 or 右足")
        hip = sum(hips) / len(hips)
        for _, at, _, _ in bones:
            y = struct.unpack_from("<f", data, at + 4)[0]
            struct.pack_into("<f", data, at + 4, y * legs if y < hip else y + (legs - 1.0) * hip)
    if arms is not None:
        for side in ("左腕", "右腕"):
            top = [i for i, b in enumerate(bones) if b[0] == side]
            if not top:
                continue
            origin = struct.unpack_from("<3f", data, bones[top[0]][1])
            for i, (_, at, _, _) in enumerate(bones):
                up, hops = bones[i][3], 0
                while up >= 0 and up != top[0] and hops < len(bones):
                    up, hops = bones[up][3] if up < len(bones) else -1, hops + 1
                if up != top[0]:
                    continue
                p = struct.unpack_from("<3f", data, at)
                struct.pack_into("<3f", data, at, *(o + arms * (v - o) for v, o in zip(p, origin)))
    if loops is not None:
        for _, _, loop_at, _ in bones:
            if loop_at is not None:
                struct.pack_into("<i", data, loop_at, loops)
    open(args[1], "wb").write(data)


if __name__ == "__main__":
    main()
