#!/usr/bin/env python3
"""Makes src/check/rig_tables.cpp, the rig name tables as Shift-JIS bytes, from tools/rigs.txt.

Usage (from the repository root):
    python3 tools/gen_rigs.py [tools/rigs.txt [src/check/rig_tables.cpp [tools/vocab.txt]]]
    python3 tools/gen_rigs.py --check [tools/rigs.txt [src/check/rig_tables.cpp [tools/vocab.txt]]]
With --check it writes nothing: it checks the tables as below and that the C++ file is what it would write
(exit 1 and a word on what differs otherwise); the tests run it so.

Japanese names are encoded with Python's cp932 codec, as tools/gen_vocab.py encodes the vocabularies.
Before writing, the tables are checked against each other and against the built-in vocabulary:
  - every standard bone name is one the bone vocabulary knows (an entry or a pattern matches it);
  - every bone a rig name or an English part gives has a class; every morph one gives is a standard
    expression morph, spelled as the vocabulary spells it;
  - no two rig names or English spellings (side, separator and part, either way round) fold to one key
    but give different standard names;
  - every naming (an "@ naming" section: one rig's published bone names) has no holes: each of its names
    gives, through the tables, exactly the standard name it says (or, where it says so, none), and every
    standard and finger bone is one it names or one it says it has no name for.
The fold here is the spelling fold's ASCII half (lower case, no spaces, no "_"), which is all a rig name
or a part key needs: they are ASCII.
"""
import os
import re
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from gen_vocab import c_literal, matches, parse as parse_vocab  # noqa: E402

CLASSES = {"standard": "CLASS_STANDARD", "semi-standard": "CLASS_SEMI_STANDARD", "finger": "CLASS_FINGER"}
WHERE = {"before": "RIG_SIDE_BEFORE", "after": "RIG_SIDE_AFTER", "apart": "RIG_SIDE_APART"}
SIDES = {"left": "\u5de6", "right": "\u53f3"}  # 左 右
SEPARATORS = ["", ".", "-"]  # what joins a side and a part once the fold has dropped " " and "_"


def fold_ascii(s):
    return s.lower().replace(" ", "").replace("_", "")


def fold_gaps(s):
    """The key with gaps (text/fold.h): a run of spaces, "_" and "." leaves one "."."""
    return re.sub(r"[ _.]+", ".", s.lower())


def where_words(place):
    """The WHERE of a part as a set of "before", "after", "apart" (empty for "none")."""
    if place == "none":
        return set()
    if place == "both":
        return {"before", "after"}
    words = set(place.split("+"))
    return words if words <= set(WHERE) and len(words) == len(place.split("+")) else None


# A naming's side templates: in a rig name, each stands for its left and its right spelling.
TEMPLATES = {"<Left>": ("Left", "Right"), "<left>": ("left", "right"), "<L>": ("L", "R"), "<l>": ("l", "r")}


def expand(name):
    """A name with "{side}" gives its left and its right name; any other gives itself twice."""
    if "{side}" in name:
        return name.replace("{side}", SIDES["left"]), name.replace("{side}", SIDES["right"])
    return name, name


def parse(path):
    sections = {"class": [], "sides": [], "parts": [], "bones": [], "morphs": [], "naming": []}
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
                if current[0] != "naming":
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
                elif words[0] == "naming" and len(words) > 1:
                    current = ("naming", None)
                    sections["naming"].append({"title": " ".join(words[1:]), "names": [], "none": []})
                elif len(words) == 1 and words[0] in sections and words[0] not in ("class", "naming"):
                    current = (words[0], None)
                else:
                    sys.exit(f"{where}: bad section line: {line}")
                continue
            if current is None:
                sys.exit(f"{where}: name before the first section")
            kind = current[0]
            words = line.split()
            if kind == "naming":
                naming = sections["naming"][-1]
                if words[0] == "none:":
                    for name in words[1:]:
                        naming["none"].extend(sorted(set(expand(name)), key=expand(name).index))
                    continue
                if len(words) < 2:
                    sys.exit(f"{where}: a naming's line is RIG_NAME STANDARD_NAME, !STANDARD_NAME or -")
                rig, says = " ".join(words[:-1]), words[-1]
                if not rig.isascii():
                    sys.exit(f"{where}: a naming's name is RIG_NAME STANDARD_NAME, the rig name in ASCII")
                deliberate = says.startswith("!")
                standard = says[1:] if deliberate else says
                templates = [t for t in TEMPLATES if t in rig]
                if len(templates) > 1 or (templates and "{side}" not in standard) or \
                        (not templates and "{side}" in standard):
                    sys.exit(f"{where}: one side template in the name, and then {{side}} in the standard name")
                if templates:
                    left, right = TEMPLATES[templates[0]]
                    std_left, std_right = expand(standard)
                    naming["names"].append((rig.replace(templates[0], left), std_left, deliberate, where))
                    naming["names"].append((rig.replace(templates[0], right), std_right, deliberate, where))
                else:
                    naming["names"].append((rig, standard, deliberate, where))
                continue
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
                if len(words) != 3 or where_words(words[1]) is None:
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
        place = where_words(place)
        if not place:
            claim(key, left, f"part {key}")
            continue
        for side, which in sides:
            standard = left if which == "left" else right
            for sep in SEPARATORS:
                # A side set apart before its part: the key without the gap is claimed too, so that no
                # other entry gives the joined spelling another name.
                if place & {"before", "apart"}:
                    claim(side + sep + key, standard, f"part {key} after {side}")
                if "after" in place:
                    claim(key + sep + side, standard, f"part {key} before {side}")
    for rig, standard in entries(sections["bones"]):
        if standard not in classed:
            sys.exit(f"gen_rigs: {rig} gives {standard}, which has no class")
        claim(fold_ascii(rig), standard, rig)
    check_namings(sections, classed)
    keys.clear()
    for rig, standard in entries(sections["morphs"]):
        if standard not in expressions:
            sys.exit(f"gen_rigs: {rig} gives {standard}, which is no standard expression morph")
        claim(fold_ascii(rig), standard, rig)
    return classed


def bone_standard(sections, name):
    """The standard names the tables give a whole bone name (ASCII), as rig_bone_standard does."""
    key, gapped = fold_ascii(name), fold_gaps(name)
    out = [standard for rig, standard in entries(sections["bones"]) if fold_ascii(rig) == key]
    for part, place, names in entries(sections["parts"]):
        left, right = expand(names)
        place = where_words(place)
        if not place:
            if key == part:
                out.append(left)
            continue
        for side, which in entries(sections["sides"]):
            for sep in SEPARATORS:
                if (("before" in place and key == side + sep + part) or
                        ("after" in place and key == part + sep + side) or
                        ("apart" in place and sep and gapped == side + sep + part)):
                    out.append(left if which == "left" else right)
    return sorted(set(out))


def check_namings(sections, classed):
    """Each naming's names give what it says, and it says something of every standard and finger bone."""
    wanted = [name for name, klass in classed.items() if klass in ("standard", "finger")]
    for naming in sections["naming"]:
        title = naming["title"]
        covered = set()
        for rig, standard, deliberate, where in naming["names"]:
            if standard != "-" and standard not in classed:
                sys.exit(f"{where}: {standard} has no class")
            given = bone_standard(sections, rig)
            says = [] if deliberate or standard == "-" else [standard]
            if given != says:
                what = ", ".join(given) if given else "nothing"
                sys.exit(f"{where}: a hole in the naming {title}: {rig} gives {what}, not "
                         f"{'nothing' if not says else standard}")
            covered.add(standard)
        for name in naming["none"]:
            if name not in classed:
                sys.exit(f"gen_rigs: naming {title}: {name} has no class")
            if name in covered:
                sys.exit(f"gen_rigs: naming {title} names {name} and says it has no name for it")
        for name in wanted:
            if name not in covered and name not in naming["none"]:
                sys.exit(f"gen_rigs: naming {title} says nothing of {name}: name it, or put it after none:")


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
    args = sys.argv[1:]
    only_check = bool(args) and args[0] == "--check"
    if only_check:
        args = args[1:]
    src = args[0] if len(args) > 0 else "tools/rigs.txt"
    dst = args[1] if len(args) > 1 else "src/check/rig_tables.cpp"
    vocab_path = args[2] if len(args) > 2 else "tools/vocab.txt"
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
        words = where_words(place)
        flags = " | ".join(WHERE[w] for w in ("before", "after", "apart") if w in words) or "RIG_SIDE_NONE"
        return '{"%s", %s, %s, %s},  // %s' % (key, flags, sj(left), sj(right), note)

    table("const RigPart rig_parts[]", sections["parts"], part_row, "rig_part_count")
    pair = lambda v: '{"%s", %s},  // %s' % (v[0], sj(v[1]), v[1])  # noqa: E731
    table("const RigPair rig_bone_pairs[]", sections["bones"], pair, "rig_bone_pair_count")
    table("const RigPair rig_morph_pairs[]", sections["morphs"], pair, "rig_morph_pair_count")
    text = "\n".join(out) + "\n"
    if only_check:
        with open(dst, encoding="utf-8", newline="") as f:
            if f.read() != text:
                sys.exit(f"gen_rigs: {dst} is not what {src} makes: run python3 tools/gen_rigs.py")
        return
    with open(dst, "w", encoding="utf-8", newline="\n") as f:
        f.write(text)


if __name__ == "__main__":
    main()
