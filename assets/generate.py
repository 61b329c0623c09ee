#!/usr/bin/python3
"""Draws the generated entries of the resource archive.

usage: generate.py OUT_DIR

Every module in gen/ (in name order) has a generate(out_dir) function that
writes its files into OUT_DIR, the Resource folder of the archive tree. The
output depends only on the sources: the same sources give the same bytes.
"""
import importlib.util
import os
import sys

sys.dont_write_bytecode = True  # keep the source tree clean
HERE = os.path.dirname(os.path.abspath(__file__))


def run_generators(out_dir):
    os.makedirs(out_dir, exist_ok=True)
    # Helpers shared by the generators (imaging, languages) live beside this script.
    if HERE not in sys.path:
        sys.path.insert(0, HERE)
    gen_dir = os.path.join(HERE, "gen")
    for name in sorted(os.listdir(gen_dir)):
        if not name.endswith(".py"):
            continue
        module_spec = importlib.util.spec_from_file_location("gen_" + name[:-3], os.path.join(gen_dir, name))
        module = importlib.util.module_from_spec(module_spec)
        module_spec.loader.exec_module(module)
        module.generate(out_dir)


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    run_generators(sys.argv[1])
