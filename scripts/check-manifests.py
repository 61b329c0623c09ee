#!/usr/bin/env python3
"""Checks that every Windows program's embedded manifest names the program's own
architecture. A 64-bit program whose manifest asks for the x86 Common Controls does
not start on 64-bit Windows (STATUS_DLL_NOT_FOUND), and nothing shows it on a
machine without the x86 assembly, so the build's files are read, not run.

Arguments: programs, or folders whose *.scr and *.exe are checked. Every .scr must
carry a manifest; an .exe without one is listed and passes. Exit 1 on any mismatch,
on a file that is no program, or when nothing was checked."""
import os
import re
import struct
import sys

RT_MANIFEST = 24
MACHINES = {0x14C: "x86", 0x8664: "amd64"}


class NotAProgram(Exception):
    pass


def read_pe(data):
    """(machine, [(virtual address, virtual size, file offset, raw size)], resource RVA)."""
    if data[:2] != b"MZ" or len(data) < 0x40:
        raise NotAProgram("no MZ header")
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    if data[pe:pe + 4] != b"PE\0\0":
        raise NotAProgram("no PE signature")
    machine, sections, _, _, _, optional_size, _ = struct.unpack_from("<HHIIIHH", data, pe + 4)
    optional = pe + 24
    magic = struct.unpack_from("<H", data, optional)[0]
    directories = optional + {0x10B: 96, 0x20B: 112}.get(magic, -1)
    if directories < optional:
        raise NotAProgram("unknown optional header 0x%x" % magic)
    count = struct.unpack_from("<I", data, directories - 4)[0]
    resource_rva = struct.unpack_from("<I", data, directories + 2 * 8)[0] if count > 2 else 0
    table = optional + optional_size
    spans = []
    for i in range(sections):
        vsize, va, rsize, raw = struct.unpack_from("<IIII", data, table + 40 * i + 8)
        spans.append((va, vsize, raw, rsize))
    return machine, spans, resource_rva


def resources(data, kind):
    """The bytes of every resource of one type (an RT_ number) of the program."""
    _, spans, root_rva = read_pe(data)
    if not root_rva:
        return []

    def offset(rva):
        for va, vsize, raw, rsize in spans:
            if va <= rva < va + max(vsize, rsize):
                return raw + rva - va
        raise NotAProgram("resource address 0x%x outside every section" % rva)

    root = offset(root_rva)

    def entries(directory):
        named, ids = struct.unpack_from("<HH", data, directory + 12)
        for i in range(named + ids):
            name, target = struct.unpack_from("<II", data, directory + 16 + 8 * i)
            yield name, target

    found = []
    for found_kind, target in entries(root):
        if found_kind != kind or not target & 0x80000000:
            continue
        for _, named in entries(root + (target & 0x7FFFFFFF)):
            leaves = [root + (named & 0x7FFFFFFF)] if named & 0x80000000 else []
            for leaf_dir in leaves:
                for _, leaf in entries(leaf_dir):
                    rva, size = struct.unpack_from("<II", data, root + (leaf & 0x7FFFFFFF))
                    start = offset(rva)
                    found.append(data[start:start + size])
    return found


def manifests(data):
    """The texts of every RT_MANIFEST resource of the program."""
    return [raw.decode("utf-8", "replace") for raw in resources(data, RT_MANIFEST)]


def check(path):
    """A list of faults of one program (empty when it is sound) and a line describing it."""
    with open(path, "rb") as f:
        data = f.read()
    try:
        machine, _, _ = read_pe(data)
        texts = manifests(data)
    except (NotAProgram, struct.error) as e:
        return ["%s: not a readable program (%s)" % (path, e)], None
    arch = MACHINES.get(machine)
    if arch is None:
        return ["%s: unknown PE machine 0x%x" % (path, machine)], None
    if not texts:
        if path.lower().endswith(".scr"):
            return ["%s: %s program without a manifest" % (path, arch)], None
        return [], "%s: %s, no manifest" % (path, arch)
    faults, named = [], []
    for text in texts:
        for value in re.findall(r'processorArchitecture\s*=\s*["\']([^"\']*)["\']', text):
            named.append(value)
            if value != "*" and value.lower() != arch:
                faults.append('%s: the manifest names processorArchitecture="%s" but the program is %s (0x%x)'
                              % (path, value, arch, machine))
    return faults, "%s: %s, manifest names %s" % (path, arch, ", ".join(named) or "no architecture")


def programs(args):
    for arg in args:
        if os.path.isdir(arg):
            for name in sorted(os.listdir(arg)):
                if name.lower().endswith((".scr", ".exe")):
                    yield os.path.join(arg, name)
        else:
            yield arg


def main(args):
    if not args:
        print(__doc__.strip())
        return 2
    faults, checked = [], 0
    for path in programs(args):
        found, line = check(path)
        faults += found
        checked += 1
        if line and not found:
            print("ok " + line)
    for fault in faults:
        print(fault)
    if not checked:
        print("no programs found in %s" % " ".join(args))
        return 1
    print("%d programs checked, %d faults" % (checked, len(faults)))
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
