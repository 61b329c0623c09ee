#!/usr/bin/python3
"""Builds VantorelResource.dat: the static files of archive/Resource plus the
generated ones, every entry encrypted under one password with the traditional
PKWARE cipher that minizip reads.

usage: pack_archive.py WORK_DIR OUT_FILE PASSWORD

Entry times, order and attributes are fixed, and each entry's encryption header is
drawn from a hash of its name and contents instead of at random, so two packings of
the same sources give the same archive (and the release the same zip and setup).
"""
import hashlib
import os
import shutil
import struct
import sys
import time
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
sys.dont_write_bytecode = True  # keep the source tree clean
sys.path.insert(0, HERE)
import generate  # noqa: E402

STATIC_ROOT = os.path.join(HERE, "archive")
FIXED_TIME = 1262304000  # 2010-01-01 00:00:00 UTC

CRC_TABLE = [0] * 256
for _n in range(256):
    _c = _n
    for _ in range(8):
        _c = (_c >> 1) ^ 0xEDB88320 if _c & 1 else _c >> 1
    CRC_TABLE[_n] = _c


def encrypt(password, header, data):
    """The traditional PKWARE cipher over the 12-byte header and the data."""
    table = CRC_TABLE
    k0, k1, k2 = 0x12345678, 0x23456789, 0x34567890
    out = bytearray(len(header) + len(data))
    for i, c in enumerate(password + header + data):
        if i >= len(password):
            t = (k2 | 2) & 0xFFFF
            out[i - len(password)] = c ^ (((t * (t ^ 1)) >> 8) & 0xFF)
        k0 = (k0 >> 8) ^ table[(k0 ^ c) & 0xFF]
        k1 = ((k1 + (k0 & 0xFF)) * 134775813 + 1) & 0xFFFFFFFF
        k2 = (k2 >> 8) ^ table[(k2 ^ (k1 >> 24)) & 0xFF]
    return bytes(out)


def write_archive(path, tree, entries, password):
    """A zip of the entries in the given order: deflated where that is smaller, stored
    otherwise, no extra fields and no directory entries."""
    t = time.gmtime(FIXED_TIME)
    dos_time = (t.tm_hour << 11) | (t.tm_min << 5) | (t.tm_sec // 2)
    dos_date = ((t.tm_year - 1980) << 9) | (t.tm_mon << 5) | t.tm_mday
    key = password.encode("ascii")
    central, offset = [], 0
    with open(path, "wb") as f:
        for name in entries:
            with open(os.path.join(tree, name), "rb") as src:
                data = src.read()
            crc = zlib.crc32(data)
            packer = zlib.compressobj(9, zlib.DEFLATED, -15)
            packed = packer.compress(data) + packer.flush()
            method = 8 if len(packed) < len(data) else 0
            body = packed if method else data
            # Eleven bytes that change with the entry, then the CRC's high byte for the password check.
            header = hashlib.sha256(key + name.encode() + data).digest()[:11] + bytes([crc >> 24])
            body = encrypt(key, header, body)
            raw_name = name.encode("utf-8")
            fields = struct.pack("<HHHHHIIIHH", 20, 1, method, dos_time, dos_date, crc, len(body), len(data),
                                 len(raw_name), 0)
            f.write(b"PK\x03\x04" + fields + raw_name)
            f.write(body)
            central.append(b"PK\x01\x02" + struct.pack("<H", 0x031E) + fields
                           + struct.pack("<HHHII", 0, 0, 0, 0o100644 << 16, offset) + raw_name)
            offset += 30 + len(raw_name) + len(body)
        directory = b"".join(central)
        f.write(directory)
        f.write(b"PK\x05\x06" + struct.pack("<HHHHIIH", 0, 0, len(entries), len(entries), len(directory), offset, 0))


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
    write_archive(partial, tree, entries, password)
    os.replace(partial, out_file)


if __name__ == "__main__":
    if len(sys.argv) != 4:
        sys.exit(__doc__)
    main(*sys.argv[1:])
