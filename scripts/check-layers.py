#!/usr/bin/env python3
"""check-layers.py: the layers of src/, checked from the includes.

Every folder of src/ is one layer; a file may include the headers of its own folder and of the
folders below it, never of a folder above. The text conversions sit below the platform seam (the POSIX
half spells names with them, as Windows spells them with its own tables); the path operations, which
ask the system, sit above it.

    0  text conversions   src/text/
    1  platform seam      src/sys/
    2  check              src/check/     (includes text/ only: the check asks the system nothing)
    3  paths              src/paths/
    4  formats            src/formats/
    5  pose               src/pose/
    6  console            src/console/
    7  app                src/app/

No two folders may reach each other, whatever their layers: the folders, joined by the includes of
their files, must not go round. Within a folder the includes may not go round either: a file and its
header count as one module, and no module reaches itself through the includes of its files.

Prints every include that goes up a layer and every circle (of folders, then of modules), and exits 1
when there is one; prints nothing and exits 0 otherwise. Usage: check-layers.py [SRC-DIR]
"""
import os
import re
import sys

LAYERS = ["text", "sys", "check", "paths", "formats", "pose", "console", "app"]
# Folders that may include fewer of the folders below them than their place allows.
ONLY = {"check": {"check", "text"}}
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"')


def folder_of(path):
    """The first part of a path relative to src/ (its folder), or None for a file outside a folder."""
    return path.split("/", 1)[0] if "/" in path else None


def layer_of(path):
    folder = folder_of(path)
    return LAYERS.index(folder) if folder in LAYERS else None


def circles(includes, kind):
    """Every circle of a graph of includes, once each, as a line."""
    found, state = [], {}

    def visit(node, path):
        state[node] = "open"
        path.append(node)
        for target in sorted(includes.get(node, ())):
            if state.get(target) == "open":
                found.append(" -> ".join(path[path.index(target):] + [target]))
            elif target not in state:
                visit(target, path)
        path.pop()
        state[node] = "done"

    for node in sorted(includes):
        if node not in state:
            visit(node, [])
    return [f"{kind} circle: {c}" for c in found]


def main():
    src = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "src")
    problems = []
    modules = {}  # module (a path without its extension) -> the modules its files include
    folders = {}  # folder -> the other folders its files include
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
                        modules.setdefault(module, set()).add(target_module)
                    target_folder = folder_of(m.group(1))
                    if target_folder is not None and target_folder != folder_of(rel):
                        folders.setdefault(folder_of(rel), set()).add(target_folder)
                    target = layer_of(m.group(1))
                    allowed = ONLY.get(folder_of(rel))
                    if target is not None and allowed is not None and folder_of(m.group(1)) not in allowed:
                        problems.append(f"{rel}:{number}: includes {m.group(1)} "
                                        f"({folder_of(rel)} includes only {', '.join(sorted(allowed))})")
                    elif target is not None and target > own:
                        problems.append(f"{rel}:{number}: includes {m.group(1)} "
                                        f"({LAYERS[target]}, above {LAYERS[own]})")
    problems += circles(folders, "folder")
    problems += circles(modules, "module")
    for p in problems:
        print(f"check-layers: {p}")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
