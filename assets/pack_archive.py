#!/usr/bin/python3
"""Builds VantorelResource.dat: the static files of archive/Resource plus the
generated ones, every entry encrypted by Info-ZIP's zip under one password.

usage: pack_archive.py WORK_DIR OUT_FILE PASSWORD

Entry times, order and attributes are fixed, so only the random encryption
headers that zip draws differ between two packings of the same sources.
"""
import os
import shutil
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.dont_write_bytecode = True  # keep the source tree clean
sys.path.insert(0, HERE)
import generate  # noqa: E402

STATIC_ROOT = os.path.join(HERE, "archive")
FIXED_TIME = 1262304000  # 2010-01-01 00:00:00 UTC


def main(work_dir, out_file, password):
    tree = os.path.join(work_dir, "tree")
    shutil.rmtree(tree, ignore_errors=True)
    resource = os.path.join(tree, "Resource")
    generate.run_generators(resource)

    static_resource = os.path.join(STATIC_ROOT, "Resource")
    for root, _, files in os.walk(static_resource):
        for name in files:
            source = os.path.join(root, name)
            relative = os.path.relpath(source, static_resource)
            target = os.path.join(resource, relative)
            if os.path.exists(target):
                sys.exit(f"pack_archive: Resource/{relative} is both a static and a generated entry")
            os.makedirs(os.path.dirname(target), exist_ok=True)
            shutil.copyfile(source, target)

    entries = []
    for root, _, files in os.walk(tree):
        for name in files:
            path = os.path.join(root, name)
            os.utime(path, (FIXED_TIME, FIXED_TIME))
            entries.append(os.path.relpath(path, tree).replace(os.sep, "/"))
    entries.sort()

    os.makedirs(os.path.dirname(os.path.abspath(out_file)), exist_ok=True)
    partial = out_file + ".partial"
    if os.path.exists(partial):
        os.remove(partial)
    # -X: no extra attributes; -D: no directory entries; -@: names from stdin, in our order.
    # UTC so the stored DOS times do not depend on the builder's time zone.
    env = dict(os.environ, TZ="UTC")
    subprocess.run(["zip", "-q", "-X", "-D", "-P", password, os.path.abspath(partial), "-@"],
                   input="\n".join(entries) + "\n", text=True, cwd=tree, env=env, check=True)
    os.replace(partial, out_file)


if __name__ == "__main__":
    if len(sys.argv) != 4:
        sys.exit(__doc__)
    main(*sys.argv[1:])
