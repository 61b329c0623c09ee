#!/usr/bin/python3
"""Fails when product code includes a folder above its own.

The folders stand in layers; each may include its own headers and those of the
layers below it, never one above (the repository root is on every include path,
so the libraries alone would not stop an upward include). Usage:
  check-layers.py [ROOT]   (default: the repository)"""
import os
import re
import sys

# Lower number: lower layer. Folders of one number may not include each other.
LAYERS = {
    "platform": 0,
    "gfx": 1,
    "resources": 1,
    "settings": 2,
    "render": 3,
    "effects": 4,
    "app": 5,
    "ui": 6,
    "host": 7,
}
# Windows resource headers are data every layer may read.
SHARED = {"res"}
INCLUDE = re.compile(r'^\s*#\s*include\s+"([A-Za-z0-9_]+)/[^"]+"', re.M)


def violations(root):
    found = []
    for folder, rank in sorted(LAYERS.items()):
        base = os.path.join(root, folder)
        for dirpath, _, files in os.walk(base):
            for name in sorted(files):
                if not name.endswith((".h", ".cpp")):
                    continue
                path = os.path.join(dirpath, name)
                with open(path, encoding="utf-8", errors="replace") as f:
                    text = f.read()
                for match in INCLUDE.finditer(text):
                    target = match.group(1)
                    if target == folder or target in SHARED:
                        continue
                    line = text.count("\n", 0, match.start()) + 1
                    where = "%s:%d" % (os.path.relpath(path, root), line)
                    if target not in LAYERS:
                        found.append("%s: includes %s/, which is no product layer" % (where, target))
                    elif LAYERS[target] >= rank:
                        found.append("%s: %s/ (layer %d) includes %s/ (layer %d), which is not below it"
                                     % (where, folder, rank, target, LAYERS[target]))
    return found


def main():
    root = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    found = violations(root)
    for v in found:
        print(v)
    order = " < ".join(sorted(LAYERS, key=lambda k: (LAYERS[k], k)))
    if found:
        print("check-layers: %d upward include(s); layers: %s" % (len(found), order))
        return 1
    print("check-layers: every include points down (%s)" % order)
    return 0


if __name__ == "__main__":
    sys.exit(main())
