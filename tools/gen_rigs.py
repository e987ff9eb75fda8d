#!/usr/bin/env python3
"""Makes src/check/rig_tables.cpp, the rig name tables as Shift-JIS bytes, from tools/rigs.txt.

Usage (from the repository root):
    python3 tools/gen_rigs.py [tools/rigs.txt [src/check/rig_tables.cpp [tools/vocab.txt]]]

Japanese names are encoded with Python's cp932 codec, as tools/gen_vocab.py encodes the vocabularies.
Before writing, the tables are checked against each other and against the built-in vocabulary:
  - every standard bone name is one the bone vocabulary knows (an entry or a pattern matches it);
  - every bone a rig name or an English part gives has a class; every morph one gives is a standard
    expression morph, spelled as the vocabulary spells it;
  - no two rig names or English spellings (side, separator and part, either way round) fold to one key
    but give different standard names.
The fold here is the spelling fold's ASCII half (lower case, no spaces, no "_"), which is all a rig name
or a part key needs: they are ASCII.
"""
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from gen_vocab import c_literal, matches, parse as parse_vocab  # noqa: E402

CLASSES = {"standard": "CLASS_STANDARD", "semi-standard": "CLASS_SEMI_STANDARD", "finger": "CLASS_FINGER"}
WHERE = {"none": "RIG_SIDE_NONE", "before": "RIG_SIDE_BEFORE", "after": "RIG_SIDE_AFTER",
         "both": "RIG_SIDE_BEFORE | RIG_SIDE_AFTER"}
SIDES = {"left": "\u5de6", "right": "\u53f3"}  # 左 右
SEPARATORS = ["", ".", "-"]  # what joins a side and a part once the fold has dropped " " and "_"


def fold_ascii(s):
    return s.lower().replace(" ", "").replace("_", "")


def expand(name):
    """A name with "{side}" gives its left and its right name; any other gives itself twice."""
    if "{side}" in name:
        return name.replace("{side}", SIDES["left"]), name.replace("{side}", SIDES["right"])
    return name, name


def parse(path):
    sections = {"class": [], "sides": [], "parts": [], "bones": [], "morphs": []}
    current = None
    source = None  # the source paragraph being read: its "# source:" line and the "#" lines after it
    with open(path, encoding="utf-8") as f:
        for lineno, raw in enumerate(f, 1):
            line = raw.rstrip("\r\n")
            where = f"{path}:{lineno}"
            if line.startswith("# source:"):
                if current is None:
                    sys.exit(f"{where}: source before the first section")
                source = [line[len("# source:"):].strip()]
                sections[current[0]].append(("source", source))
                continue
            if source is not None and line.startswith("#"):
                source.append(line[1:].strip())
                continue
            source = None
            if not line.strip() or line.startswith("#"):
                continue
            if line.startswith("@"):
                words = line[1:].split()
                if words[0] == "class" and len(words) == 2 and words[1] in CLASSES:
                    current = ("class", words[1])
                elif len(words) == 1 and words[0] in sections and words[0] != "class":
                    current = (words[0], None)
                else:
                    sys.exit(f"{where}: bad section line: {line}")
                continue
            if current is None:
                sys.exit(f"{where}: name before the first section")
            kind = current[0]
            words = line.split()
            if kind == "class":
                if len(words) != 1:
                    sys.exit(f"{where}: one name per line")
                for name in sorted(set(expand(words[0])), key=expand(words[0]).index):
                    sections["class"].append(("entry", (name, current[1])))
            elif kind == "sides":
                if len(words) != 2 or words[1] not in SIDES or words[0] != fold_ascii(words[0]):
                    sys.exit(f"{where}: a side is KEY left|right, KEY folded")
                sections["sides"].append(("entry", (words[0], words[1])))
            elif kind == "parts":
                if len(words) != 3 or words[1] not in ("none", "both", "after", "before"):
                    sys.exit(f"{where}: a part is KEY WHERE NAME")
                key, place, name = words
                if key != fold_ascii(key) or not key.isascii():
                    sys.exit(f"{where}: part key {key} is not a folded ASCII key")
                if (place == "none") != ("{side}" not in name):
                    sys.exit(f"{where}: a part with a side needs {{side}} in its name, and only then")
                sections["parts"].append(("entry", (key, place, name)))
            else:
                if len(words) != 2 or not words[0].isascii():
                    sys.exit(f"{where}: a pair is RIG_NAME STANDARD_NAME, the rig name in ASCII")
                sections[kind].append(("entry", (words[0], words[1])))
    return sections


def entries(section):
    return [value for what, value in section if what == "entry"]


def check(sections, vocab_path):
    vocab = parse_vocab(vocab_path)
    bone_vocab = [sjis for part in vocab if part["list"] == "bones" for _, sjis in part["names"]]
    expressions = [text for part in vocab if part["list"] == "morphs" and part["group"] == 1
                   for text, _ in part["names"]]
    classed = {}
    for name, klass in entries(sections["class"]):
        if name in classed:
            sys.exit(f"gen_rigs: {name} has two classes")
        if not any(matches(p, name.encode("cp932")) for p in bone_vocab):
            sys.exit(f"gen_rigs: the bone vocabulary does not know {name}")
        classed[name] = klass

    keys = {}  # key -> (standard name, where it comes from)

    def claim(key, standard, origin):
        if key in keys and keys[key][0] != standard:
            sys.exit(f"gen_rigs: {origin} and {keys[key][1]} fold to {key!r} but give {standard} and {keys[key][0]}")
        keys.setdefault(key, (standard, origin))

    sides = entries(sections["sides"])
    for key, place, name in entries(sections["parts"]):
        left, right = expand(name)
        for standard in (left, right):
            if standard not in classed:
                sys.exit(f"gen_rigs: part {key} gives {standard}, which has no class")
        if place == "none":
            claim(key, left, f"part {key}")
            continue
        for side, which in sides:
            standard = left if which == "left" else right
            for sep in SEPARATORS:
                if place in ("both", "before"):
                    claim(side + sep + key, standard, f"part {key} after {side}")
                if place in ("both", "after"):
                    claim(key + sep + side, standard, f"part {key} before {side}")
    for rig, standard in entries(sections["bones"]):
        if standard not in classed:
            sys.exit(f"gen_rigs: {rig} gives {standard}, which has no class")
        claim(fold_ascii(rig), standard, rig)
    keys.clear()
    for rig, standard in entries(sections["morphs"]):
        if standard not in expressions:
            sys.exit(f"gen_rigs: {rig} gives {standard}, which is no standard expression morph")
        claim(fold_ascii(rig), standard, rig)
    return classed


def wrap(text, width):
    """text in lines of at most width characters, broken at spaces."""
    lines, line = [], ""
    for word in text.split():
        if line and len(line) + 1 + len(word) > width:
            lines.append(line)
            line = word
        else:
            line = word if not line else line + " " + word
    return lines + [line] if line else lines


def sj(name):
    return c_literal(name.encode("cp932"))


def main():
    src = sys.argv[1] if len(sys.argv) > 1 else "tools/rigs.txt"
    dst = sys.argv[2] if len(sys.argv) > 2 else "src/check/rig_tables.cpp"
    vocab_path = sys.argv[3] if len(sys.argv) > 3 else "tools/vocab.txt"
    sections = parse(src)
    check(sections, vocab_path)

    out = []
    out.append("// rig_tables.cpp: the classes of the standard bone names and other rigs' names for the standard bones")
    out.append("// and morphs, as code page 932 Shift-JIS bytes.")
    out.append("//")
    out.append("// Generated by tools/gen_rigs.py from tools/rigs.txt (readable UTF-8, with the reasons for what is")
    out.append("// left out); do not edit by hand. To make it again, from the repository root:  python3 tools/gen_rigs.py")
    out.append('#include "check/rigs.h"')

    def table(decl, section, row, count_name):
        out.append("")
        out.append(decl + " = {")
        count = 0
        for what, value in section:
            if what == "source":
                out.extend("    // " + line for line in wrap("source: " + " ".join(value), 100))
                continue
            out.append("    " + row(value))
            count += 1
        out.append("};")
        out.append(f"const int {count_name} = {count};")

    table("const RigClassName rig_class_names[]", sections["class"],
          lambda v: "{%s, %s},  // %s" % (sj(v[0]), CLASSES[v[1]], v[0]), "rig_class_name_count")
    table("const RigSide rig_sides[]", sections["sides"],
          lambda v: '{"%s", %d},  // %s' % (v[0], 1 if v[1] == "right" else 0, SIDES[v[1]]), "rig_side_count")

    def part_row(v):
        key, place, name = v
        left, right = expand(name)
        note = left if left == right else f"{left} {right}"
        return '{"%s", %s, %s, %s},  // %s' % (key, WHERE[place], sj(left), sj(right), note)

    table("const RigPart rig_parts[]", sections["parts"], part_row, "rig_part_count")
    pair = lambda v: '{"%s", %s},  // %s' % (v[0], sj(v[1]), v[1])  # noqa: E731
    table("const RigPair rig_bone_pairs[]", sections["bones"], pair, "rig_bone_pair_count")
    table("const RigPair rig_morph_pairs[]", sections["morphs"], pair, "rig_morph_pair_count")
    with open(dst, "w", encoding="utf-8", newline="\n") as f:
        f.write("\n".join(out) + "\n")


if __name__ == "__main__":
    main()
