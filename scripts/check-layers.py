#!/usr/bin/env python3
"""check-layers.py: the layers of src/, checked from the includes.

Every source file belongs to one layer; a file may include the headers of its own layer and of the
layers below it, never of a layer above. The text conversions sit below the platform seam (the POSIX
half spells names with them, as Windows spells them with its own tables); the path operations, which
ask the system, sit above it.

    0  text conversions   src/text/encoding.*, src/text/sjis_tables.*, src/text/fold.*
    1  platform seam      src/sys/
    2  text and paths     src/text/
    3  check              src/check/
    4  formats            src/formats/
    5  console            src/console/
    6  app                src/app/

Within a layer the includes may not go round either: a file and its header count as one module, and
no module reaches itself through the includes of its files.

Prints every include that goes up a layer and every circle, and exits 1 when there is one; prints
nothing and exits 0 otherwise. Usage: check-layers.py [SRC-DIR]
"""
import os
import re
import sys

LAYERS = [
    ("text conversions", ["text/encoding.", "text/sjis_tables.", "text/fold."]),
    ("platform seam", ["sys/"]),
    ("text and paths", ["text/"]),
    ("check", ["check/"]),
    ("formats", ["formats/"]),
    ("console", ["console/"]),
    ("app", ["app/"]),
]
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"')


def layer_of(path):
    for number, (_, prefixes) in enumerate(LAYERS):
        if any(path.startswith(p) for p in prefixes):
            return number
    return None


def circles(includes):
    """Every circle of the module graph, once each, as a line."""
    found, state = [], {}

    def visit(module, path):
        state[module] = "open"
        path.append(module)
        for target in sorted(includes.get(module, ())):
            if state.get(target) == "open":
                found.append(" -> ".join(path[path.index(target):] + [target]))
            elif target not in state:
                visit(target, path)
        path.pop()
        state[module] = "done"

    for module in sorted(includes):
        if module not in state:
            visit(module, [])
    return [f"circle: {c}" for c in found]


def main():
    src = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "src")
    problems = []
    includes = {}  # module (a path without its extension) -> the modules its files include
    for folder, _, files in sorted(os.walk(src)):
        for name in sorted(files):
            if not name.endswith((".cpp", ".h")):
                continue
            rel = os.path.relpath(os.path.join(folder, name), src).replace(os.sep, "/")
            own = layer_of(rel)
            if own is None:
                problems.append(f"{rel}: in no layer")
                continue
            with open(os.path.join(folder, name), encoding="utf-8", errors="replace") as f:
                for number, line in enumerate(f, 1):
                    m = INCLUDE.match(line)
                    if not m:
                        continue
                    module, target_module = os.path.splitext(rel)[0], os.path.splitext(m.group(1))[0]
                    if target_module != module:
                        includes.setdefault(module, set()).add(target_module)
                    target = layer_of(m.group(1))
                    if target is not None and target > own:
                        problems.append(f"{rel}:{number}: includes {m.group(1)} "
                                        f"({LAYERS[target][0]}, above {LAYERS[own][0]})")
    problems += circles(includes)
    for p in problems:
        print(f"check-layers: {p}")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
