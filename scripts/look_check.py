"""The look of the effects in two builds, judged by statistics over several frames
(the flames are noise, so no two frames match pixel for pixel):
  - warm share: pixels that are lit and warm (red above 60, red >= green >= blue),
    within 2 percentage points;
  - mean brightness of each horizontal sixth of the picture, within 3 levels of 255;
  - mean change of a pixel between frames half a second apart, within 20 %.
The flames are drawn at the same times in both builds (two seconds, then every
half second), so their frames can be compared one for one; the other families run
on their own clocks and random starts, so their figures only agree on average.
Usage: look_check.py BEFORE_BIN AFTER_BIN OUT_DIR (run under Wine and a display)."""
import os
import subprocess
import sys

from PIL import Image, ImageChops, ImageStat

FRAMES = 8
SIZES = ((800, 600), (1920, 1080))
SUBJECTS = [("Fire", "bench_fire.exe", "0"), ("Fireball", "bench_fire.exe", "1"),
            ("Detonation", "bench_fire.exe", "2"), ("Sparks", "bench_families.exe", "sparks"),
            ("Blobs", "bench_families.exe", "blobs"), ("Desktop", "bench_families.exe", "desktop")]
WARM_POINTS, SIXTH_LEVELS, CHANGE_SHARE = 2.0, 3.0, 0.20


def winpath(path):
    return "Z:" + path.replace("/", "\\")


def frames(bin_dir, exe, which, size, out_dir, tag):
    """Draws FRAMES frames, half a second apart after two seconds; their pictures."""
    stem = os.path.join(out_dir, tag)
    env = dict(os.environ, VARNELLE_SHOTS=str(FRAMES))
    subprocess.run(["wine", os.path.join(bin_dir, exe), "shot", which, str(size[0]), str(size[1]), "2",
                    winpath(stem + ".bmp")], cwd=bin_dir, env=env, stdin=subprocess.DEVNULL,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=300, check=True)
    pictures = []
    for k in range(FRAMES):
        path = "%s-%d.bmp" % (stem, k)
        pictures.append(Image.open(path).convert("RGB"))
        os.remove(path)
    return pictures


def warm_share(picture):
    r, g, b = picture.split()
    warm = Image.eval(r, lambda v: 255 if v > 60 else 0)
    warm = ImageChops.multiply(warm, ImageChops.invert(ImageChops.subtract(g, r).point(lambda v: 255 if v else 0)))
    warm = ImageChops.multiply(warm, ImageChops.invert(ImageChops.subtract(b, g).point(lambda v: 255 if v else 0)))
    return ImageStat.Stat(warm).mean[0] / 255.0


def sixths(picture):
    grey = picture.convert("L")
    w, h = grey.size
    return [ImageStat.Stat(grey.crop((0, h * k // 6, w, h * (k + 1) // 6))).mean[0] for k in range(6)]


def change(a, b):
    return sum(ImageStat.Stat(ImageChops.difference(a, b)).mean) / 3.0


def statistics(pictures):
    n = len(pictures)
    rows = [sixths(p) for p in pictures]
    return {
        "warm": 100.0 * sum(warm_share(p) for p in pictures) / n,
        "sixths": [sum(r[k] for r in rows) / n for k in range(6)],
        "change": sum(change(a, b) for a, b in zip(pictures, pictures[1:])) / (n - 1),
    }


def side_by_side(a, b, path):
    w, h = a.size
    both = Image.new("RGB", (2 * w + 8, h), (255, 255, 255))
    both.paste(a, (0, 0))
    both.paste(b, (w + 8, 0))
    if w > 1000:
        both = both.resize((both.width // 2, both.height // 2), Image.BILINEAR)
    both.save(path)


def main():
    before_bin, after_bin, out_dir = sys.argv[1:4]
    # LOOK_ONLY=Fire,Blobs checks those alone.
    only = [n for n in os.environ.get("LOOK_ONLY", "").split(",") if n]
    os.makedirs(out_dir, exist_ok=True)
    failures = []
    print("look: %-10s %-9s %14s %14s %s" % ("subject", "size", "warm %", "change", "sixths (before / after)"))
    for name, exe, which in SUBJECTS:
        if only and name not in only:
            continue
        for size in SIZES:
            label = "%dx%d" % size
            shots = {}
            for side, bin_dir in (("before", before_bin), ("after", after_bin)):
                shots[side] = frames(bin_dir, exe, which, size, out_dir, "%s-%s-%s" % (name, label, side))
            side_by_side(shots["before"][0], shots["after"][0], os.path.join(out_dir, "%s-%s.png" % (name, label)))
            b, a = statistics(shots["before"]), statistics(shots["after"])
            print("look: %-10s %-9s %6.2f %6.2f  %6.2f %6.2f  %s / %s" % (
                name, label, b["warm"], a["warm"], b["change"], a["change"],
                " ".join("%.0f" % v for v in b["sixths"]), " ".join("%.0f" % v for v in a["sixths"])))
            if abs(a["warm"] - b["warm"]) > WARM_POINTS:
                failures.append("%s %s: warm share %.2f%% -> %.2f%%" % (name, label, b["warm"], a["warm"]))
            for k, (x, y) in enumerate(zip(b["sixths"], a["sixths"])):
                if abs(x - y) > SIXTH_LEVELS:
                    failures.append("%s %s: brightness of sixth %d %.1f -> %.1f" % (name, label, k + 1, x, y))
            if b["change"] > 0.05 and abs(a["change"] - b["change"]) > CHANGE_SHARE * b["change"]:
                failures.append("%s %s: change between frames %.2f -> %.2f" % (name, label, b["change"], a["change"]))
    for line in failures:
        print("look: FAIL " + line)
    print("look: %s (pictures in %s)" % ("same" if not failures else "%d differences" % len(failures), out_dir))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
