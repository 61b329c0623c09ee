"""What the flames cost at rest: the processor time of the saver's process (and of
the Xvfb and wineserver that serve it) over a few seconds after the start, in cores,
on private 320x240 and 800x600 screens. Each size is measured in turns: the saver
paced (as it runs); unpaced (VARNELLE_REFRESH_HZ=1000: frames as fast as the device
takes them, as before, but without the old loop's polling of the clock between
them, so it is below the old cost) or the saver of another build given as a
second folder (the old cost itself); the
minimal device program clearing and presenting 60 frames a second (what any paced
Direct3D 9 loop costs here), and the saver paced with Wine's command-stream thread
off (WINE_D3D_CONFIG=csmt=0): under Wine that thread spins for several milliseconds
after each frame's commands before it sleeps, a floor of its own at 60 frames.
Usage (inside scripts/bench.sh's Wine environment): bench_rest.py BIN_DIR [BEFORE_BIN_DIR]"""
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

from bench_startup import Screen, close_with_a_key, restart_wine

SIZES = ((320, 240), (800, 600))
SETTLE, MEASURE, TURNS = 2.5, 4.0, 2
TICK = os.sysconf("SC_CLK_TCK")


def cpu_seconds(pid):
    """User and system time of a process so far; None once it is gone."""
    try:
        with open("/proc/%d/stat" % pid) as f:
            fields = f.read().rsplit(")", 1)[1].split()
        return (int(fields[11]) + int(fields[12])) / TICK
    except (OSError, IndexError, ValueError):
        return None


def wineserver_pid():
    """This prefix's wineserver (the one the saver talks to)."""
    prefix = os.environ.get("WINEPREFIX", "").encode()
    for name in os.listdir("/proc"):
        if not name.isdigit():
            continue
        try:
            with open("/proc/%s/comm" % name) as f:
                if f.read().strip() != "wineserver":
                    continue
            with open("/proc/%s/environ" % name, "rb") as f:
                if b"WINEPREFIX=" + prefix + b"\0" in f.read() + b"\0":
                    return int(name)
        except OSError:
            continue
    return None


def one_run(bin_dir, screen, env_extra, program="Varnelle.scr", args=("/s",)):
    folder = tempfile.mkdtemp(prefix="varnelle-rest-")
    try:
        for name in (program, "VantorelResource.dat"):
            shutil.copy(os.path.join(bin_dir, name), folder)
        env = dict(os.environ, DISPLAY=screen.display, **env_extra)
        proc = subprocess.Popen(["wine", os.path.join(folder, program), *args], cwd=folder, env=env,
                                stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        time.sleep(SETTLE)
        server = wineserver_pid()
        pids = [proc.pid, screen.proc.pid] + ([server] if server else [])
        before = [cpu_seconds(p) for p in pids]
        start = time.monotonic()
        time.sleep(MEASURE)
        after = [cpu_seconds(p) for p in pids]
        elapsed = time.monotonic() - start
        alive = proc.poll() is None
        close_with_a_key(proc, env)
        if not alive or None in before or None in after:
            return None
        cores = [(a - b) / elapsed for a, b in zip(after, before)]
        return cores[0], sum(cores)
    finally:
        shutil.rmtree(folder, ignore_errors=True)


def main():
    bin_dir = sys.argv[1]
    before_dir = sys.argv[2] if len(sys.argv) > 2 else None
    paced = ("paced", bin_dir, {}, "Varnelle.scr", ("/s",))
    kinds = [paced,
             ("before", before_dir, {}, "Varnelle.scr", ("/s",)) if before_dir else
             ("unpaced", bin_dir, {"VARNELLE_REFRESH_HZ": "1000"}, "Varnelle.scr", ("/s",)),
             ("minimal device program at 60 frames a second", bin_dir, {}, "first_present.exe", ("paced",)),
             ("paced without Wine's command-stream thread", bin_dir, {"WINE_D3D_CONFIG": "csmt=0"},
              "Varnelle.scr", ("/s",))]
    failed = False
    for width, height in SIZES:
        screen = Screen(width, height)
        restart_wine()
        try:
            one_run(bin_dir, screen, {})  # the session's first start does more: uncounted
            results = {k[0]: [] for k in kinds}
            for _ in range(TURNS):
                for name, folder, extra, program, args in kinds:
                    results[name].append(one_run(folder, screen, extra, program, args))
        finally:
            restart_wine()
            screen.close()
        if any(r is None for runs in results.values() for r in runs):
            print("rest: %dx%d: a program ended before its figures were taken" % (width, height))
            failed = True
            continue
        med = {name: (statistics.median(r[0] for r in runs), statistics.median(r[1] for r in runs))
               for name, runs in results.items()}
        base = med["paced"]
        print("rest: %dx%d, processor cores over %.0f s (median of %d turns), the program alone / with Xvfb and "
              "wineserver, and as a ratio to the paced saver:" % (width, height, MEASURE, TURNS))
        for name, (alone, whole) in med.items():
            print("rest: %dx%d   %-46s %.2f / %.2f   x%.2f" % (width, height, name, alone, whole,
                                                             alone / base[0] if base[0] else 0.0))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
