#!/usr/bin/python3
"""Makes docs/flames.gif, the README's looping picture of the three flame styles,
from real runs of the saver: each style is chosen in a settings file beside a copy
of the saver, which runs full screen (/s) under Wine on a private small Xvfb, and
frames are grabbed with ImageMagick's import at a steady interval after the
blanked first second. The grabs stay in build/docs-animation/ to be looked at.

scripts/docs-animation.py [SAVER.scr]   (default build/bin64/Varnelle.scr; build it first)
scripts/docs-animation.py --from-frames (the GIF again from the grabs already there)"""
import os
import shutil
import subprocess
import sys
import tempfile
import time

from PIL import Image, ImageChops, ImageDraw, ImageFont

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(ROOT, "tests", "system"))
import saverlib  # noqa: E402

OUT = os.path.join(ROOT, "docs", "flames.gif")
FRAMES_DIR = os.path.join(ROOT, "build", "docs-animation")
SCREEN = (480, 360)
GIF_WIDTH = 288
STYLES = ["Fire", "Fireball", "Detonation"]  # SelectFireEffect 0, 1, 2
FRAMES_PER_STYLE = 8
# Seconds between grabs, which the GIF plays at the same pace: an interval that
# import keeps while the saver's software rendering takes both cores.
INTERVAL = 0.25
COLOURS = 32
# A pixel whose colour moved less than this (in any channel) since the frame before
# is left as it was: flames flicker in every pixel, and the GIF stays small.
STILL = 28
FONT = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf"


def fail(message):
    sys.exit("docs-animation: FAILED: %s" % message)


def wine_environment(saver, build_root):
    """The environment for the saver's architecture, with a prefix of this script's own:
    its desktop takes the size of the screen it first started on."""
    arch = saverlib.pe_machine(saver)
    if arch not in ("x86", "x64"):
        fail("%s is no x86 or x64 Windows program" % saver)
    if arch == "x86" and not saverlib.machine_runs_32bit():
        fail("%s is a 32-bit program and this machine cannot run 32-bit programs" % saver)
    env = dict(os.environ, WINEDEBUG="-all", WINEDLLOVERRIDES="mscoree,mshtml=")
    if arch == "x64":
        env.update(WINEARCH="win64", PATH=os.path.join(ROOT, "scripts", "wine-x64") + ":" + env["PATH"])
        env["WINEPREFIX"] = os.path.join(build_root, "x64", "wineprefix-docs")
    else:
        env.update(WINEARCH="win32", WINEPREFIX=os.path.join(build_root, "wineprefix-docs"))
    return env


def start_xvfb():
    for n in range(150, 200):
        if os.path.exists("/tmp/.X%d-lock" % n) or os.path.exists("/tmp/.X11-unix/X%d" % n):
            continue
        xvfb = subprocess.Popen(["Xvfb", ":%d" % n, "-screen", "0", "%dx%dx24" % SCREEN, "-nolisten", "tcp",
                                 "-noreset"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        for _ in range(50):
            if os.path.exists("/tmp/.X11-unix/X%d" % n):
                return xvfb, ":%d" % n
            time.sleep(0.1)
        xvfb.kill()
    fail("no free X display for Xvfb")


def grab_style(saver, style, env, shots):
    """Runs the saver with one flame style and returns its frames."""
    saverlib.write_settings(saverlib.standard_settings(fire_style=style), saver)
    subprocess.run(["xdotool", "mousemove", "10", "10"], env=env, check=False)
    proc = subprocess.Popen(["wine", saver, "/s"], env=env, stdin=subprocess.DEVNULL,
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        end = time.time() + 30
        while not subprocess.run(["xdotool", "search", "--name", "^Screen Saver$"], env=env,
                                 stdout=subprocess.PIPE).stdout.strip():
            if proc.poll() is not None:
                fail("the saver exited with code %d before its window appeared" % proc.returncode)
            if time.time() > end:
                fail("the saver's window never appeared within 30 s")
            time.sleep(0.1)
        time.sleep(2.5)  # the blanked speed-test second, then the flames rise
        frames, late, start = [], 0.0, time.monotonic()
        for i in range(FRAMES_PER_STYLE):
            delay = start + i * INTERVAL - time.monotonic()
            if delay > 0:
                time.sleep(delay)
            late = max(late, -delay)
            path = os.path.join(shots, "%s-%02d.png" % (STYLES[style].lower(), i))
            subprocess.run(["import", "-window", "root", path], env=env, check=True, stderr=subprocess.DEVNULL)
            frames.append(Image.open(path).convert("RGB"))
    finally:
        subprocess.run(["xdotool", "key", "Escape"], env=env, check=False)
        try:
            proc.wait(timeout=15)
        except subprocess.TimeoutExpired:
            proc.kill()
            proc.wait()
    if saverlib.lit_share(frames[-1]) < 0.05:
        fail("%s: the screen stayed dark: no flames were drawn" % STYLES[style])
    moved = ImageChops.difference(frames[0], frames[-1]).convert("L").point(lambda v: 255 if v > 24 else 0)
    if not moved.getbbox():
        fail("%s: the picture stood still: the error screen showed instead of the flames" % STYLES[style])
    print("docs-animation: %s: %d frames %.2f s apart, the latest grab %.3f s late"
          % (STYLES[style], len(frames), INTERVAL, late))
    return frames


def labelled(frame, name, font):
    small = frame.resize((GIF_WIDTH, round(frame.size[1] * GIF_WIDTH / frame.size[0])), Image.LANCZOS)
    draw = ImageDraw.Draw(small)
    draw.text((small.size[0] - 8, 8), name, font=font, fill=(255, 255, 255), anchor="ra",
              stroke_width=2, stroke_fill=(0, 0, 0))
    return small


def write_gif(frames, path):
    """One palette for every frame; each frame but a style's first leaves transparent
    the pixels that stayed within STILL of what is shown, so only the moving flames cost."""
    sample = Image.new("RGB", (frames[0].size[0], frames[0].size[1] * 6))
    for i, frame in enumerate(frames[::max(1, len(frames) // 6)][:6]):
        sample.paste(frame, (0, i * frame.size[1]))
    palette = sample.quantize(COLOURS - 1, method=Image.MEDIANCUT, dither=Image.NONE)
    transparent = COLOURS - 1
    out, shown = [], None
    for frame in frames:
        indexed = frame.quantize(palette=palette, dither=Image.NONE)
        if len(out) % FRAMES_PER_STYLE == 0:
            shown = indexed.convert("RGB")
            out.append(indexed)
            continue
        colours = indexed.convert("RGB")
        red, green, blue = ImageChops.difference(colours, shown).split()
        kept = ImageChops.lighter(ImageChops.lighter(red, green), blue).point(lambda v: 255 if v < STILL else 0)
        shown = Image.composite(shown, colours, kept)
        indexed.paste(transparent, mask=kept)
        out.append(indexed)
    out[0].save(path, save_all=True, append_images=out[1:], duration=round(INTERVAL * 1000), loop=0,
                transparency=transparent, disposal=1, optimize=False)


def grab_all(saver):
    archive = os.path.join(os.path.dirname(saver), "VantorelResource.dat")
    for needed in (saver, archive):
        if not os.path.isfile(needed):
            fail("%s is missing: build first (scripts/build.sh)" % needed)
    build_root = os.path.join(ROOT, "build")
    env = wine_environment(saver, build_root)
    shutil.rmtree(FRAMES_DIR, ignore_errors=True)
    os.makedirs(FRAMES_DIR)
    work = tempfile.mkdtemp(prefix="varnelle-docs-", dir=build_root)
    xvfb = None
    try:
        # A copy, so that the settings written here leave the build's own alone.
        copy = os.path.join(work, "Varnelle.scr")
        shutil.copy(saver, copy)
        shutil.copy(archive, work)
        subprocess.run(["wineserver", "-k"], env=env, stderr=subprocess.DEVNULL)
        xvfb, env["DISPLAY"] = start_xvfb()
        if not os.path.isfile(os.path.join(env["WINEPREFIX"], "system.reg")):
            os.makedirs(env["WINEPREFIX"], exist_ok=True)
            subprocess.run(["wineboot", "-i"], env=env, stdin=subprocess.DEVNULL,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            subprocess.run(["wineserver", "-w"], env=env)
            if not os.path.isfile(os.path.join(env["WINEPREFIX"], "system.reg")):
                fail("wineboot could not make a %s prefix in %s" % (env["WINEARCH"], env["WINEPREFIX"]))
        for style in range(len(STYLES)):
            grab_style(copy, style, env, FRAMES_DIR)
    finally:
        subprocess.run(["wineserver", "-k"], env=env, stderr=subprocess.DEVNULL)
        if xvfb:
            xvfb.kill()
            xvfb.wait()
        shutil.rmtree(work, ignore_errors=True)


def main():
    if sys.argv[1:] != ["--from-frames"]:
        grab_all(os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else
                                 os.path.join(ROOT, "build", "bin64", "Varnelle.scr")))
    font = ImageFont.truetype(FONT, 15)
    frames = []
    for name in STYLES:
        paths = [os.path.join(FRAMES_DIR, "%s-%02d.png" % (name.lower(), i)) for i in range(FRAMES_PER_STYLE)]
        missing = [p for p in paths if not os.path.isfile(p)]
        if missing:
            fail("%s is missing: grab the frames first (without --from-frames)" % missing[0])
        frames += [labelled(Image.open(p).convert("RGB"), name, font) for p in paths]
    write_gif(frames, OUT)
    print("docs-animation: %s: %d frames, %d bytes" % (os.path.relpath(OUT, ROOT), len(frames), os.path.getsize(OUT)))


if __name__ == "__main__":
    main()
