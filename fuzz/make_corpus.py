#!/usr/bin/env python3
"""Seed corpora for the fuzz targets, made from the repository's own files: the
effect files and language texts under assets/, the effect texts of the unit
tests, and settings files and command lines as the saver writes and receives
them. Usage: make_corpus.py OUT_DIR (one folder per target is made under it)."""
import hashlib
import os
import re
import struct
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(ROOT, "assets"))
from languages import LANGUAGES, TEXTS, language_file_bytes  # noqa: E402


def utf16(text):
    return text.encode("utf-16-le")


def write(out, target, data):
    folder = os.path.join(out, target)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, hashlib.sha1(data).hexdigest()), "wb") as f:
        f.write(data)


def effects(out):
    resource = os.path.join(ROOT, "assets", "archive", "Resource")
    for name in sorted(os.listdir(resource)):
        if name.endswith((".fx", ".efc")):
            with open(os.path.join(resource, name), "rb") as f:
                write(out, "effect", f.read())
    with open(os.path.join(ROOT, "tests", "unit", "test_effect_parser.cpp"), encoding="utf-8") as f:
        for text in re.findall(r'R"\((.*?)\)"', f.read(), re.S):
            write(out, "effect", text.encode("utf-8"))


def languages(out):
    for code, _ in LANGUAGES:
        data = language_file_bytes(code)
        write(out, "language", data)
        write(out, "language", data[:len(data) // 2])  # cut inside a line
    write(out, "language", b"\xef\xbb\xbf" + "\n".join(TEXTS["ru"][:5]).encode("utf-8") + b"\r\n")


def settings(out):
    head, tail = "#Picture Info _ begin\r\n", "#Picture Info _ end\r\n"
    values = "BlobsSpeed 40\r\nBlobsSize 80\r\nShowImages 1\r\nSelectCubeMap 0\r\nSelectSparksEffect 0\r\nSelectFireEffect 0\r\n"
    pictures = ["C:\\Pictures\\a.jpg", "D:\\Фото\\лето.png", "E:\\写真\\旅行.bmp", ""]
    write(out, "settings", (head + tail + values).encode("utf-8"))
    write(out, "settings", (head + "".join(p + "\r\n" for p in pictures) + tail + values).encode("utf-8"))
    # Files of earlier versions: ANSI lines, LF line ends, odd values.
    write(out, "settings", (head + "C:\\café\\crème.jpg\n" + tail + "BlobsSize -12\nShowImages +0\n").encode("cp1252"))
    write(out, "settings", (head + "x" * 2100 + "\r\n" + tail + "BlobsSpeed 99999999999\r\n").encode("utf-8"))


def command_lines(out):
    for line in ['"C:\\Windows\\System32\\Varnelle.scr" /s', "C:\\Varnelle.scr /p 131140", "Varnelle.scr /c:1234",
                 "Varnelle.scr -a 77", "Varnelle.scr\t/l 42xyz", '"unterminated /s', "Varnelle.scr", "/S",
                 "Varnelle.scr /p 4294967297"]:
        write(out, "command_line", utf16(line))


def dialog_rules(out):
    # Numbers first in meaning, last in the input: the provider reads them from the end.
    rows = [(2, 4, 10, 400, 6, 60, 80, 120, 150), (0, 0, 0, 200, 4, 90, 140, 100, 300), (-1, 3, 0, 0, 0, 0, 0, 0, 0)]
    lists = ["C:\\Pictures\\one.jpg\0\0", "C:\\Pictures\0c.jpg\0a.png\0\"b.bmp\0\0", "a.jpg", "d.TIF\0x.y\\notes.txt\0\0"]
    for i, text in enumerate(lists):
        numbers = b"".join(struct.pack("<i", v) for v in reversed(rows[i % len(rows)]))
        write(out, "dialog_rules", utf16(text) + numbers)


if __name__ == "__main__":
    out = sys.argv[1]
    effects(out)
    languages(out)
    settings(out)
    command_lines(out)
    dialog_rules(out)
