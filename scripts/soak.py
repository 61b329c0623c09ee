#!/usr/bin/python3
"""The soak check's runs and its growth detector (started by scripts/soak.sh, which
builds the counters build and provides the Xvfb screen and the Wine prefix).

Run A: the saver full screen (/s) over a few large generated photos, so the
slideshow keeps cross-fading, for SOAK_SECONDS (default 600), sampled every few
seconds. Run B: one configuration dialog (/c) whose full-screen preview is opened
and closed SOAK_PREVIEWS times (default 100), sampled after each close.

A sample joins what the saver publishes once a second in the counters build
(working set, private bytes, live kernel handles, GDI and USER objects, modules,
textures, COM objects) with what Linux says of the Wine process (resident memory,
processor time). A figure fails the check when it grows steadily: see Growth."""
import argparse
import io
import os
import random
import shutil
import statistics
import subprocess
import sys
import time
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
MB = 1024 * 1024

# Figure: (title, unit, tolerance). Within the tolerance a rise is noise: the
# allocator's and Wine's own caches settle in steps of a few megabytes, the counts
# move by the one or two objects a cross-fade or a preview holds for a moment.
FIGURES = {
    "rss": ("resident (Linux)", "MB", 12.0),
    "workingset": ("working set", "MB", 12.0),
    "private": ("private bytes", "MB", 12.0),
    "kernel": ("kernel handles", "", 3),
    "gdi": ("GDI objects", "", 3),
    "user": ("USER objects", "", 3),
    "modules": ("modules", "", 2),
    "textures": ("textures", "", 3),
    "com": ("COM objects", "", 3),
    "cpu": ("processor", "%", 25.0),
}


def steady_growth(values, tolerance, warmup=0.2, segments=6):
    """The rise when the values grow steadily, else None.

    The first `warmup` share is start-up (caches filling, the first pictures being
    decoded) and is left out. The rest is cut into `segments` runs, each stood for by
    its median, so noise and a saw-tooth (a texture in and out with each fade) do not
    count. It grows steadily when the last median is above the first by more than the
    tolerance and no two neighbouring steps make up three quarters of that rise: a
    one-off step, such as a cache filled once, is not a leak; a climb that goes on is."""
    rest = list(values)[int(len(values) * warmup):]
    if len(rest) < 2 * segments:
        return None
    bounds = [round(i * len(rest) / segments) for i in range(segments + 1)]
    medians = [statistics.median(rest[a:b]) for a, b in zip(bounds, bounds[1:])]
    rise = medians[-1] - medians[0]
    if rise <= tolerance:
        return None
    if max(medians[i + 2] - medians[i] for i in range(segments - 2)) >= 0.75 * rise:
        return None
    return rise


def parse_figures(line):
    """The saver's published line as numbers; memory in MB. None for a torn line."""
    try:
        fields = dict(part.split("=", 1) for part in line.split())
        out = {key: float(value) for key, value in fields.items()}
    except ValueError:
        return None
    if "com" not in out:
        return None
    for key in ("workingset", "private", "pagefile"):
        out[key] = out.get(key, 0.0) / MB
    # Wine leaves PrivateUsage at 0; its PagefileUsage is the committed private memory.
    if not out["private"]:
        out["private"] = out["pagefile"]
    return out


def last_line(path):
    try:
        with open(path, "rb") as f:
            f.seek(0, os.SEEK_END)
            f.seek(max(0, f.tell() - 4096))
            lines = f.read().decode("ascii", "replace").splitlines()
    except OSError:
        return None
    for line in reversed(lines):
        figures = parse_figures(line)
        if figures:
            return figures
    return None


def proc_figures(pid):
    """Resident MB and processor seconds of a Linux process; None once it is gone."""
    try:
        with open("/proc/%d/status" % pid) as f:
            rss = next(int(line.split()[1]) for line in f if line.startswith("VmRSS:")) / 1024.0
        with open("/proc/%d/stat" % pid) as f:
            fields = f.read().rpartition(")")[2].split()
        cpu = (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")
    except (OSError, StopIteration, IndexError, ValueError):
        return None
    return rss, cpu


def find_wine_process(folder, timeout=30.0):
    """The Linux process that runs the saver copy in `folder`: its command line names
    that folder, which no other process on the machine does (another saver under test
    elsewhere runs from another folder)."""
    end = time.time() + timeout
    tokens = [part.lower() for part in folder.strip("/").split("/")[-3:]] + ["varnelle.scr"]
    while time.time() < end:
        for name in os.listdir("/proc"):
            if not name.isdigit():
                continue
            try:
                with open("/proc/%s/cmdline" % name, "rb") as f:
                    cmd = f.read().replace(b"\0", b" ").decode("utf-8", "replace").lower()
            except OSError:
                continue
            if all(token in cmd for token in tokens) and "start.exe" not in cmd:
                return int(name)
        time.sleep(0.2)
    return None


class Sampler:
    """Joins the saver's own figures with Linux's view of its process."""

    def __init__(self, pid, figures_file):
        self.pid, self.figures_file = pid, figures_file
        self.samples = []
        self.started = time.time()
        self.last_cpu = None

    def take(self, x):
        own = last_line(self.figures_file)
        linux = proc_figures(self.pid)
        if not own or not linux:
            return None
        now = time.time()
        rss, cpu = linux
        sample = {key: own[key] for key in FIGURES if key in own}
        sample["x"] = x
        sample["rss"] = rss
        sample["frames"] = own.get("frames", 0)
        # Processor use since the previous sample, as a share of one core.
        if self.last_cpu:
            then, cpu_then = self.last_cpu
            sample["cpu"] = 100.0 * (cpu - cpu_then) / max(now - then, 1e-3)
        self.last_cpu = (now, cpu)
        self.samples.append(sample)
        return sample


def fmt(key, value):
    unit = FIGURES[key][1]
    if unit == "MB":
        return "%.1f MB" % value
    if unit == "%":
        return "%.0f%%" % value
    return "%d" % value


def report(name, samples, x_title):
    """Prints start and end figures and a short table; returns the failure lines."""
    if len(samples) < 2:
        return ["%s: only %d samples were taken" % (name, len(samples))]
    keys = [k for k in FIGURES if any(k in s for s in samples)]
    first = next(s for s in samples if "cpu" in s) if any("cpu" in s for s in samples) else samples[0]
    print("\n%s: %d samples" % (name, len(samples)))
    print("  %-18s %12s %12s" % ("figure", "start", "end"))
    for key in keys:
        start = first.get(key, samples[0].get(key))
        print("  %-18s %12s %12s" % (FIGURES[key][0], fmt(key, start), fmt(key, samples[-1][key])))
    rows = sorted({round(i * (len(samples) - 1) / 7) for i in range(8)})
    print("  " + " ".join("%9s" % h for h in [x_title] + keys))
    for i in rows:
        s = samples[i]
        print("  " + " ".join(["%9d" % s["x"]] + ["%9s" % (fmt(k, s[k]).split()[0] if k in s else "-") for k in keys]))
    failures = []
    for key in keys:
        values = [s[key] for s in samples if key in s]
        rise = steady_growth(values, FIGURES[key][2])
        if rise is not None:
            failures.append("%s: %s grows steadily: %s to %s (+%s, more than the %s allowed)" % (
                name, FIGURES[key][0], fmt(key, values[0]), fmt(key, values[-1]), fmt(key, rise),
                fmt(key, FIGURES[key][2])))
    return failures


def make_photos(folder, count=4, seed=7):
    """Photo-like JPEGs of 2.4 to 3.9 megapixels: gradients, shapes and grain, each
    of its own colours, so every cross-fade changes the whole screen."""
    from PIL import Image, ImageDraw, ImageFilter
    rng = random.Random(seed)
    sizes = [(1800, 1350), (2048, 1536), (2272, 1704), (1600, 1600)]
    paths = []
    for i in range(count):
        w, h = sizes[i % len(sizes)]
        base = tuple(rng.randrange(40, 220) for _ in range(3))
        img = Image.new("RGB", (w, h), base)
        draw = ImageDraw.Draw(img)
        for _ in range(60):
            x, y = rng.randrange(w), rng.randrange(h)
            r = rng.randrange(40, 400)
            colour = tuple(rng.randrange(256) for _ in range(3))
            draw.ellipse((x - r, y - r, x + r, y + r), fill=colour)
        img = img.filter(ImageFilter.GaussianBlur(6))
        grain = Image.effect_noise((w, h), 30).convert("RGB")
        img = Image.blend(img, grain, 0.15)
        path = os.path.join(folder, "photo%d.jpg" % (i + 1))
        img.save(path, quality=90)
        paths.append(path)
    return paths


def winpath(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def prepare(work, bin_dir, name):
    """A folder with the saver, its archive, the photos and the settings beside it."""
    folder = os.path.join(work, name)
    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(folder)
    for f in ("Varnelle.scr", "VantorelResource.dat"):
        shutil.copy(os.path.join(bin_dir, f), folder)
    photos = make_photos(folder)
    lines = ["#Picture Info _ begin", *map(winpath, photos), "#Picture Info _ end", "BlobsSpeed 40",
             "BlobsSize 80", "ShowImages 1", "SelectCubeMap 0", "SelectSparksEffect 0", "SelectFireEffect 0"]
    with open(os.path.join(folder, "Varnelle.scr.settings"), "wb") as f:
        f.write("".join(line + "\r\n" for line in lines).encode("ascii"))
    figures = os.path.join(folder, "figures.txt")
    return folder, figures


def wine(args, cwd, figures):
    env = dict(os.environ, VARNELLE_COUNTERS_FILE=winpath(figures))
    return subprocess.Popen(["wine", *args], cwd=cwd, env=env, stdin=subprocess.DEVNULL,
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def stop(proc):
    if proc.poll() is None:
        proc.kill()
        proc.wait()


def wait_for_frames(figures, proc, timeout=30.0):
    """Whether the saver's frame count climbs: a slow start-up speed test (a busy
    machine) sends it to the error screen instead, which draws no frames."""
    end = time.time() + timeout
    first = None
    while time.time() < end and proc.poll() is None:
        time.sleep(1.0)
        own = last_line(figures)
        if not own:
            continue
        if first is None and own.get("frames", 0) > 0:
            first = own["frames"]
        elif first is not None and own["frames"] > first:
            return True
    return False


def run_saver(work, bin_dir, seconds, every, tries=3):
    print("soak: run A: the saver /s for %d s over 4 photos, a sample every %d s" % (seconds, every))
    for attempt in range(1, tries + 1):
        folder, figures = prepare(work, bin_dir, "run-a")
        proc = wine([os.path.join(folder, "Varnelle.scr"), "/s"], folder, figures)
        if wait_for_frames(figures, proc):
            break
        stop(proc)
        print("soak: run A: start %d drew no frames (the error screen after a slow speed test)%s" % (
            attempt, ", trying again" if attempt < tries else ""))
    else:
        return ["run A: the saver showed the error screen on each of %d starts" % tries], []
    try:
        pid = find_wine_process(folder)
        if not pid:
            return ["run A: the saver's process was not found"], []
        sampler = Sampler(pid, figures)
        start = time.time()
        while time.time() - start < seconds:
            time.sleep(every)
            if proc.poll() is not None:
                return ["run A: the saver ended on its own after %.0f s (exit %s)" % (
                    time.time() - start, proc.returncode)], sampler.samples
            sampler.take(int(time.time() - start))
        failures = report("run A", sampler.samples, "seconds")
        samples = sampler.samples
        if len(samples) >= 2:
            frames = samples[-1]["frames"] - samples[0]["frames"]
            rate = frames / max(samples[-1]["x"] - samples[0]["x"], 1)
            # A cross-fade lasts 1001 frames and the next begins as the last ends.
            print("  %d frames, %.1f a second: a cross-fade takes about %.0f s, so about %d pictures came in" % (
                frames, rate, 1001 / max(rate, 1e-3), frames // 1001))
            if frames < 1001:
                failures.append("run A: fewer than 1001 frames, not one cross-fade: the run says nothing of the pictures")
        return failures, samples
    finally:
        stop(proc)


def run_previews(work, bin_dir, cycles, dwell):
    folder, figures = prepare(work, bin_dir, "run-b")
    os.environ["VARNELLE_BIN"] = bin_dir
    os.environ["VARNELLE_BUILD"] = work
    sys.path.insert(0, os.path.join(HERE, "..", "tests", "system"))
    from dialoglib import PREVIEW, ConfigDialog, harness, top_windows  # noqa: E402
    from saverlib import xdotool  # noqa: E402

    print("soak: run B: %d previews from one dialog, %.1f s each, a sample after each" % (cycles, dwell))
    env_before = os.environ.get("VARNELLE_COUNTERS_FILE")
    os.environ["VARNELLE_COUNTERS_FILE"] = winpath(figures)
    try:
        dialog = ConfigDialog(os.path.join(folder, "Varnelle.scr"))
    finally:
        if env_before is None:
            os.environ.pop("VARNELLE_COUNTERS_FILE")
        else:
            os.environ["VARNELLE_COUNTERS_FILE"] = env_before
    failures, forced = [], 0
    try:
        pid = find_wine_process(folder)
        if not pid:
            return ["run B: the dialog's process was not found"], []
        sampler = Sampler(pid, figures)
        time.sleep(1.5)
        sampler.take(0)
        for cycle in range(1, cycles + 1):
            harness("command", dialog.hwnd, PREVIEW)
            preview = None
            for _ in range(100):
                preview = next((w for w in top_windows() if w["class"] == "#32770" and w["title"] == ""
                                and w["window"] != dialog.hwnd), None)
                if preview:
                    break
                time.sleep(0.1)
            if not preview:
                failures.append("run B: preview %d did not open" % cycle)
                break
            time.sleep(dwell)
            xdotool("key", "Escape")
            values, _ = harness("waitgone", preview["window"], 10000)
            if values.get("gone") != "1":
                # The key went elsewhere: the Cancel command closes it the same way.
                forced += 1
                harness("command", preview["window"], 2)
                values, _ = harness("waitgone", preview["window"], 10000)
                if values.get("gone") != "1":
                    failures.append("run B: preview %d would not close" % cycle)
                    break
            if dialog.proc.poll() is not None:
                failures.append("run B: the dialog ended after preview %d" % cycle)
                break
            time.sleep(1.2)  # a line of figures written after the close
            sampler.take(cycle)
        if forced:
            print("soak: run B: %d previews ignored Escape and were closed by their Cancel command" % forced)
        return failures + report("run B", sampler.samples, "preview"), sampler.samples
    finally:
        stop(dialog.proc)


class Growth(unittest.TestCase):
    def test_noise_sawtooth_and_a_single_step_pass(self):
        rng = random.Random(1)
        self.assertIsNone(steady_growth([100 + rng.uniform(-5, 5) for _ in range(120)], 12))
        self.assertIsNone(steady_growth([3 + i % 2 for i in range(120)], 3), "a texture in and out each fade")
        for at in range(30, 110, 7):
            self.assertIsNone(steady_growth([50] * at + [80] * (120 - at), 12), "a cache filled once, at %d" % at)
        self.assertIsNone(steady_growth([500 - i for i in range(120)], 12), "shrinking is no leak")

    def test_a_warm_up_climb_passes_and_a_steady_climb_fails(self):
        self.assertIsNone(steady_growth([i * 10 for i in range(20)] + [200] * 100, 12))
        rng = random.Random(2)
        leak = [100 + 0.3 * i + rng.uniform(-4, 4) for i in range(120)]  # 36 MB over the run, under noise
        self.assertGreater(steady_growth(leak, 12), 12)
        self.assertIsNotNone(steady_growth([5 + i // 10 for i in range(100)], 3), "one handle per ten previews")

    def test_too_few_samples_decide_nothing(self):
        self.assertIsNone(steady_growth([1, 2, 3, 40, 50, 60, 70, 80, 90], 3))

    def test_published_line(self):
        line = ("seconds=3.0 workingset=104857600 private=52428800 pagefile=52428800 kernel=2 gdi=0 user=0 "
                "modules=0 textures=5 com=3")
        figures = parse_figures(line)
        self.assertEqual((figures["workingset"], figures["private"], figures["textures"]), (100.0, 50.0, 5.0))
        wine = parse_figures(line.replace("private=52428800", "private=0").replace("pagefile=52428800", "pagefile=1048576"))
        self.assertEqual(wine["private"], 1.0, "Wine's committed memory stands in for the private bytes it leaves at 0")
        self.assertIsNone(parse_figures("seconds=3.0 workingset=1048"), "a line cut short by a read")
        self.assertIsNone(parse_figures("garbage"))


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--self-test", action="store_true")
    parser.add_argument("--self-test-quiet", action="store_true", help=argparse.SUPPRESS)
    parser.add_argument("--bin")
    parser.add_argument("--work")
    parser.add_argument("--runs", default="ab")
    parser.add_argument("--seconds", type=int, default=int(os.environ.get("SOAK_SECONDS", "600")))
    parser.add_argument("--previews", type=int, default=int(os.environ.get("SOAK_PREVIEWS", "100")))
    parser.add_argument("--every", type=int, default=int(os.environ.get("SOAK_EVERY", "5")))
    parser.add_argument("--dwell", type=float, default=float(os.environ.get("SOAK_DWELL", "2.5")))
    args = parser.parse_args()
    if args.self_test or args.self_test_quiet:
        suite = unittest.defaultTestLoader.loadTestsFromTestCase(Growth)
        out = sys.stdout if args.self_test else io.StringIO()
        result = unittest.TextTestRunner(verbosity=2 if args.self_test else 0, stream=out).run(suite)
        if not result.wasSuccessful():
            if not args.self_test:
                print(out.getvalue())
            print("soak: FAILED: the growth detector's own tests")
        return 0 if result.wasSuccessful() else 1
    if not args.bin or not args.work:
        parser.error("--bin and --work are needed (scripts/soak.sh gives them)")
    os.makedirs(args.work, exist_ok=True)
    failures = []
    if "a" in args.runs:
        failures += run_saver(args.work, args.bin, args.seconds, args.every)[0]
    if "b" in args.runs:
        failures += run_previews(args.work, args.bin, args.previews, args.dwell)[0]
    print()
    for line in failures:
        print("soak: FAILED: " + line)
    if not failures:
        print("soak: passed: no figure grew steadily")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
