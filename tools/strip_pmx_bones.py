#!/usr/bin/env python3
"""strip_pmx_bones.py IN.pmx OUT.pmx NAME...: a copy of a PMX 2.0 model without the bones named (UTF-8),
as a model that never had them: a child of a bone taken out hangs from that bone's nearest kept
ancestor, and so do the vertices, rigid bodies and display frames' bones that named it (the frames'
entries and bone morphs' offsets of it are dropped); a bone that inherited from it keeps its flags and
weight without a source; IK targets and links to it are dropped. Every other byte is the original's.
For the fold checks (scripts/check-folds.sh): the shared corpus's Gene.pmx without its semi-standard
bones. Reads PMX 2.0 and 2.1 without soft bodies.
"""
import struct
import sys


class Reader:
    def __init__(self, data):
        self.d, self.p = data, 0

    def take(self, n):
        b = self.d[self.p:self.p + n]
        if len(b) != n:
            raise SystemExit("strip_pmx_bones: the model ends early")
        self.p += n
        return b

    def i(self, fmt):
        return struct.unpack("<" + fmt, self.take(struct.calcsize(fmt)))[0]

    def text(self):
        n = self.i("i")
        return self.take(n)


def index_fmt(size, unsigned=False):
    return {1: "B" if unsigned else "b", 2: "H" if unsigned else "h", 4: "i"}[size]


def main():
    if len(sys.argv) < 4:
        sys.exit(__doc__.split("\n\n")[0])
    data = open(sys.argv[1], "rb").read()
    r = Reader(data)
    out = bytearray(r.take(4 + 4))  # "PMX " and the version
    globals_count = r.i("B")
    g = list(r.take(globals_count))
    out += bytes([globals_count]) + bytes(g)
    encoding, extra_uv, vsize, tsize, msize, bsize, morph_size, rsize = g[:8]
    bfmt = index_fmt(bsize)
    decode = (lambda b: b.decode("utf-16-le")) if encoding == 0 else (lambda b: b.decode("utf-8"))

    def bone_index(v):
        return struct.pack("<" + bfmt, v)

    start = r.p
    for _ in range(4):
        r.text()
    out += data[start:r.p]

    # The bones first, to know what goes where: skip ahead, read them, then come back.
    vertex_start = r.p
    vcount = r.i("i")
    vertices = []
    for _ in range(vcount):
        head = r.take(32 + 16 * extra_uv)
        kind = r.i("B")
        count = {0: 1, 1: 2, 2: 4, 3: 2, 4: 4}[kind]
        bones = [r.i(bfmt) for _ in range(count)]
        rest = r.take({0: 0, 1: 4, 2: 16, 3: 4 + 36, 4: 16}[kind] + 4)
        vertices.append((head, kind, bones, rest))
    mid_start = r.p
    fcount = r.i("i")
    r.take(fcount * vsize)
    for _ in range(r.i("i")):
        r.text()
    for _ in range(r.i("i")):
        r.text(), r.text()
        r.take(16 + 12 + 4 + 12 + 1 + 16 + 4)
        r.take(tsize * 2)
        r.take(1)
        shared = r.i("B")
        r.take(1 if shared else tsize)
        r.text()
        r.take(4)
    mid = data[mid_start:r.p]

    bcount = r.i("i")
    bones = []
    for _ in range(bcount):
        b = {"name": r.text(), "en": r.text(), "pos": r.take(12), "parent": r.i(bfmt), "layer": r.take(4)}
        flags = r.i("H")
        b["flags"] = flags
        b["tail"] = r.i(bfmt) if flags & 0x0001 else r.take(12)
        if flags & 0x0300:
            b["inherit"], b["weight"] = r.i(bfmt), r.take(4)
        b["axis"] = r.take(12) if flags & 0x0400 else b""
        b["local"] = r.take(24) if flags & 0x0800 else b""
        b["external"] = r.take(4) if flags & 0x2000 else b""
        if flags & 0x0020:
            b["target"], b["loop"], b["limit"] = r.i(bfmt), r.take(4), r.take(4)
            links = []
            for _ in range(r.i("i")):
                link = r.i(bfmt)
                limited = r.i("B")
                links.append((link, limited, r.take(24) if limited else b""))
            b["links"] = links
        bones.append(b)

    gone = set(sys.argv[3:])
    keep = [decode(b["name"]) not in gone for b in bones]
    new_index, n = [], 0
    for k in keep:
        new_index.append(n if k else -1)
        n += 1 if k else 0

    def kept(i):
        """The nearest kept bone at or above i, as its new index; -1 for none."""
        seen = 0
        while 0 <= i < len(bones) and not keep[i] and seen <= len(bones):
            i, seen = bones[i]["parent"], seen + 1
        return new_index[i] if 0 <= i < len(bones) and keep[i] else -1

    def same(i):
        return new_index[i] if 0 <= i < len(bones) else -1

    body = bytearray(struct.pack("<i", vcount))
    for head, kind, bs, rest in vertices:
        body += head + bytes([kind]) + b"".join(bone_index(kept(x)) for x in bs) + rest
    out += body + mid
    out += struct.pack("<i", n)
    for i, b in enumerate(bones):
        if not keep[i]:
            continue
        flags = b["flags"]
        out += struct.pack("<i", len(b["name"])) + b["name"] + struct.pack("<i", len(b["en"])) + b["en"]
        out += b["pos"] + bone_index(kept(b["parent"])) + b["layer"] + struct.pack("<H", flags)
        out += bone_index(same(b["tail"])) if flags & 0x0001 else b["tail"]
        if flags & 0x0300:
            out += bone_index(same(b["inherit"])) + b["weight"]
        out += b["axis"] + b["local"] + b["external"]
        if flags & 0x0020:
            links = [l for l in b["links"] if 0 <= l[0] < len(bones) and keep[l[0]]]
            out += bone_index(same(b["target"])) + b["loop"] + b["limit"] + struct.pack("<i", len(links))
            for link, limited, limits in links:
                out += bone_index(new_index[link]) + bytes([limited]) + limits

    mfmt = index_fmt(morph_size)
    morphs = r.i("i")
    out += struct.pack("<i", morphs)
    for _ in range(morphs):
        name, en = r.text(), r.text()
        panel, kind = r.i("B"), r.i("B")
        offsets = r.i("i")
        items = []
        for _ in range(offsets):
            if kind in (0, 9):
                items.append(r.take(morph_size + 4))
            elif kind == 1:
                items.append(r.take(vsize + 12))
            elif kind == 2:
                bone = r.i(bfmt)
                values = r.take(28)
                if 0 <= bone < len(bones) and keep[bone]:
                    items.append(bone_index(new_index[bone]) + values)
            elif 3 <= kind <= 7:
                items.append(r.take(vsize + 16))
            elif kind == 8:
                items.append(r.take(msize + 1 + 16 + 12 + 4 + 12 + 16 + 4 + 16 + 16 + 16))
            elif kind == 10:
                items.append(r.take(rsize + 1 + 24))
            else:
                raise SystemExit("strip_pmx_bones: a morph of an unknown kind")
        out += struct.pack("<i", len(name)) + name + struct.pack("<i", len(en)) + en
        out += bytes([panel, kind]) + struct.pack("<i", len(items)) + b"".join(items)

    frames = r.i("i")
    out += struct.pack("<i", frames)
    for _ in range(frames):
        name, en = r.text(), r.text()
        special = r.i("B")
        items = []
        for _ in range(r.i("i")):
            t = r.i("B")
            if t == 0:
                bone = r.i(bfmt)
                if 0 <= bone < len(bones) and keep[bone]:
                    items.append(bytes([0]) + bone_index(new_index[bone]))
            else:
                items.append(bytes([t]) + r.take(morph_size))
        out += struct.pack("<i", len(name)) + name + struct.pack("<i", len(en)) + en
        out += bytes([special]) + struct.pack("<i", len(items)) + b"".join(items)

    bodies = r.i("i")
    out += struct.pack("<i", bodies)
    for _ in range(bodies):
        name, en = r.text(), r.text()
        bone = r.i(bfmt)
        out += struct.pack("<i", len(name)) + name + struct.pack("<i", len(en)) + en + bone_index(kept(bone))
        out += r.take(1 + 2 + 1 + 36 + 20 + 1)
    out += data[r.p:]  # the joints, as they are
    open(sys.argv[2], "wb").write(bytes(out))
    print(f"{sys.argv[2]}: {n} of {len(bones)} bones")


main()
