#!/usr/bin/python3
"""Makes the archives the reader tests open (run by the test build).

usage: test_zip_fixtures.py OUT_DIR

fixture.zip   every entry encrypted under the saver's password: a deflated text,
              stored noise, an empty entry, a 300-character name, pictures and
              language files with edge cases
damaged.zip   fixture.zip with bytes inside two entries' data flipped
truncated.zip the first half of fixture.zip
empty.zip     no bytes at all
random.dat    random bytes
"""
import io
import os
import shutil
import subprocess
import sys
import zipfile

from PIL import Image

PASSWORD = "8305926"
FIXED_TIME = 1262304000
BOM = b"\xef\xbb\xbf"


def effect_text():
    # Kept in step with EffectText() in test_zip_reader.cpp.
    return "".join(f"technique T{i} {{ pass P0 {{ }} }}\n" for i in range(40)).encode()


def noise(count, seed=2463534242):
    # xorshift32, kept in step with NoiseBytes() in test_zip_reader.cpp: incompressible, so zip stores it.
    out = bytearray()
    x = seed
    for _ in range(count):
        x ^= (x << 13) & 0xFFFFFFFF
        x ^= x >> 17
        x ^= (x << 5) & 0xFFFFFFFF
        out.append(x & 0xFF)
    return bytes(out)


def picture_png():
    # 8 x 6: opaque red at the top left, half-transparent blue at the bottom right, white elsewhere.
    image = Image.new("RGBA", (8, 6), (255, 255, 255, 255))
    image.putpixel((0, 0), (255, 0, 0, 255))
    image.putpixel((7, 5), (0, 0, 255, 128))
    buffer = io.BytesIO()
    image.save(buffer, "PNG")
    return buffer.getvalue()


def large_png():
    # A noisy 256 x 256 picture: a leaked copy of it per decode would show plainly.
    data = noise(256 * 256 * 3, seed=99991)
    buffer = io.BytesIO()
    Image.frombytes("RGB", (256, 256), data).save(buffer, "PNG")
    return buffer.getvalue()


LONG_NAME = "Resource/" + "a" * 95 + "/" + "b" * 95 + "/" + "c" * 95 + ".txt"
assert len(LONG_NAME) == 300

ENTRIES = {
    "Resource/Effect.efc": effect_text(),
    "Resource/Noise.bin": noise(3000),
    "Resource/Empty.txt": b"",
    "Resource/Intact.txt": b"left alone by the damage\n" * 8,
    LONG_NAME: b"long name\n",
    "Resource/Picture.png": picture_png(),
    "Resource/Large.png": large_png(),
    "Resource/Broken.png": b"\x89PNG\r\n\x1a\n" + noise(200, seed=7),
    # Language files for indices 0 to 4; Language_it (5) and Language_jp (6) are missing.
    "Resource/Language_en.csv": BOM + "First\r\nSecond, with a comma\r\nThird\r\n".encode(),
    "Resource/Language_ru.csv": BOM,
    "Resource/Language_de.csv": b"",
    "Resource/Language_fr.csv": BOM + "Один\r\nДва\r\nБез конца".encode(),
    "Resource/Language_es.csv": BOM + b"Antes\x00despues\r\nOtra\r\n",
}


def main(out_dir):
    tree = os.path.join(out_dir, "tree")
    shutil.rmtree(tree, ignore_errors=True)
    for name, data in ENTRIES.items():
        path = os.path.join(tree, name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(data)
        os.utime(path, (FIXED_TIME, FIXED_TIME))

    fixture = os.path.join(out_dir, "fixture.zip")
    if os.path.exists(fixture):
        os.remove(fixture)
    subprocess.run(["zip", "-q", "-X", "-D", "-P", PASSWORD, fixture, "-@"], cwd=tree, check=True,
                   input="\n".join(sorted(ENTRIES)) + "\n", text=True, env=dict(os.environ, TZ="UTC"))
    with open(fixture, "rb") as f:
        whole = bytearray(f.read())

    # Flip bytes well inside the encrypted data of the deflated and the stored entry.
    damaged = bytearray(whole)
    with zipfile.ZipFile(fixture) as archive:
        for name in ("Resource/Effect.efc", "Resource/Noise.bin"):
            info = archive.getinfo(name)
            start = info.header_offset
            name_length = int.from_bytes(whole[start + 26:start + 28], "little")
            extra_length = int.from_bytes(whole[start + 28:start + 30], "little")
            data_start = start + 30 + name_length + extra_length
            for k in range(20, 28):
                damaged[data_start + k] ^= 0x5A

    outputs = {
        "damaged.zip": bytes(damaged),
        "truncated.zip": bytes(whole[:len(whole) // 2]),
        "empty.zip": b"",
        "random.dat": noise(4096, seed=12345),
    }
    for name, data in outputs.items():
        with open(os.path.join(out_dir, name), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    main(sys.argv[1])
