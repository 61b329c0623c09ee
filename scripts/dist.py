#!/usr/bin/python3
"""Packs the built release into one folder: Varnelle-<version>-Setup.exe, the
portable zip with each architecture's saver and archive, RELEASE-NOTES.md (the
newest section of CHANGELOG.md) and SHA256SUMS over them. It builds nothing:
scripts/dist.sh builds both trees first.

dist.py --version V --x86 build/bin --x64 build/bin64 --out dist [--time EPOCH]

Each saver must be the program of its folder's architecture with a manifest that
says so, and every program must carry the version V in its version resource: a
stale tree or swapped folders stop the packing with one line and exit 1."""
import argparse
import hashlib
import importlib.util
import os
import re
import shutil
import struct
import sys
import time
import zipfile

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
_spec = importlib.util.spec_from_file_location("check_manifests", os.path.join(ROOT, "scripts", "check-manifests.py"))
check_manifests = importlib.util.module_from_spec(_spec)
_spec.loader.exec_module(check_manifests)

RT_VERSION = 16
# The zip's folders, by the manifest's name for the architecture.
FOLDERS = {"x64": "amd64", "x86": "x86"}
PORTABLE_FILES = ("Varnelle.scr", "VantorelResource.dat")
PORTABLE_README = os.path.join(ROOT, "installer", "portable-readme.txt")
# Zip times have no zone and start in 1980.
EARLIEST_ZIP_TIME = 315532800


class DistError(Exception):
    pass


def setup_name(version):
    return "Varnelle-%s-Setup.exe" % version


def zip_name(version):
    return "Varnelle-%s-portable.zip" % version


def version_quad(version):
    """'1.2' -> '1.2.0.0': the four parts of a Windows version resource."""
    parts = version.split(".")
    return ".".join(parts + ["0"] * (4 - len(parts)))


def fixed_versions(path):
    """(file version, product version) of a program's VS_FIXEDFILEINFO, as 'a.b.c.d'."""
    with open(path, "rb") as f:
        data = f.read()
    try:
        blocks = check_manifests.resources(data, RT_VERSION)
    except (check_manifests.NotAProgram, struct.error) as e:
        raise DistError("%s: not a readable program (%s)" % (path, e))
    for block in blocks:
        at = block.find(struct.pack("<I", 0xFEEF04BD))
        if at < 0:
            continue
        file_ms, file_ls, product_ms, product_ls = struct.unpack_from("<IIII", block, at + 8)
        quad = lambda ms, ls: "%d.%d.%d.%d" % (ms >> 16, ms & 0xFFFF, ls >> 16, ls & 0xFFFF)
        return quad(file_ms, file_ls), quad(product_ms, product_ls)
    raise DistError("%s: no version resource" % path)


def check_version(path, version):
    want = version_quad(version)
    for kind, found in zip(("file", "product"), fixed_versions(path)):
        if found != want:
            raise DistError("%s carries %s version %s, not %s: its tree is stale (run scripts/build.sh)"
                            % (path, kind, found, want))


def check_saver(path, folder):
    if not os.path.isfile(path):
        raise DistError("%s is missing: build the %s tree first (scripts/build.sh)" % (path, folder))
    faults, _ = check_manifests.check(path)
    if faults:
        raise DistError(faults[0])
    with open(path, "rb") as f:
        machine = check_manifests.read_pe(f.read())[0]
    arch = check_manifests.MACHINES.get(machine)
    if arch != FOLDERS[folder]:
        raise DistError("%s is an %s program, but the %s/ folder of the zip is for %s programs"
                        % (path, arch, folder, FOLDERS[folder]))


def newest_changes(changelog, version):
    """The newest section of the change log (from its '## ' heading), which must be this version's."""
    try:
        with open(changelog, encoding="utf-8") as f:
            lines = f.read().splitlines()
    except OSError as e:
        raise DistError("cannot read the change log %s (%s)" % (changelog, e.strerror))
    starts = [i for i, line in enumerate(lines) if line.startswith("## ")]
    if not starts:
        raise DistError("%s has no section ('## <version> ...')" % changelog)
    heading = lines[starts[0]].split()
    if len(heading) < 2 or heading[1] != version:
        raise DistError("the newest section of %s is '%s', not one for %s: add a section for this version"
                        % (changelog, lines[starts[0]], version))
    end = starts[1] if len(starts) > 1 else len(lines)
    return "\n".join(lines[starts[0]:end]).rstrip() + "\n"


def portable_readme():
    """The zip's README: UTF-8 with a byte order mark and CR LF line ends, so that
    Notepad on any Windows shows every language."""
    with open(PORTABLE_README, encoding="utf-8") as f:
        text = f.read()
    return b"\xef\xbb\xbf" + text.replace("\r\n", "\n").replace("\n", "\r\n").encode("utf-8")


def write_zip(path, entries, when):
    """Entries (name, bytes) in name order, all with one time and one mode: two packings
    of the same files give the same zip."""
    stamp = time.gmtime(max(when, EARLIEST_ZIP_TIME))[:6]
    with zipfile.ZipFile(path, "w") as z:
        for name, data in sorted(entries):
            info = zipfile.ZipInfo(name, stamp)
            info.create_system = 3
            info.external_attr = 0o100644 << 16
            info.compress_type = zipfile.ZIP_DEFLATED
            z.writestr(info, data, compresslevel=9)


def sha256(path):
    h = hashlib.sha256()
    with open(path, "rb") as f:
        for chunk in iter(lambda: f.read(1 << 20), b""):
            h.update(chunk)
    return h.hexdigest()


def pack(version, bins, setup, out, changelog, when):
    if not re.fullmatch(r"\d+(\.\d+){0,3}", version):
        raise DistError("'%s' is no version of one to four numbers" % version)
    for folder, bin_dir in bins.items():
        saver = os.path.join(bin_dir, "Varnelle.scr")
        check_saver(saver, folder)
        check_version(saver, version)
        archive = os.path.join(bin_dir, "VantorelResource.dat")
        if not os.path.isfile(archive):
            raise DistError("%s is missing: build the %s tree first (scripts/build.sh)" % (archive, folder))
    if not os.path.isfile(setup):
        raise DistError("%s is missing: the x86 tree builds it when makensis is installed (scripts/install-deps.sh)"
                        % setup)
    check_version(setup, version)
    notes = newest_changes(changelog, version)

    # Made anew, so that no file of an earlier version stays beside the sums.
    if os.path.isdir(out):
        shutil.rmtree(out)
    os.makedirs(out)
    shutil.copyfile(setup, os.path.join(out, setup_name(version)))
    entries = [("README.txt", portable_readme())]
    for folder, bin_dir in bins.items():
        for name in PORTABLE_FILES:
            with open(os.path.join(bin_dir, name), "rb") as f:
                entries.append(("%s/%s" % (folder, name), f.read()))
    write_zip(os.path.join(out, zip_name(version)), entries, when)
    with open(os.path.join(out, "RELEASE-NOTES.md"), "w", encoding="utf-8", newline="\n") as f:
        f.write(notes)
    names = sorted(os.listdir(out))
    with open(os.path.join(out, "SHA256SUMS"), "w", newline="\n") as f:
        for name in names:
            f.write("%s  %s\n" % (sha256(os.path.join(out, name)), name))
    for name in names + ["SHA256SUMS"]:
        print("dist: %s (%d bytes)" % (os.path.join(out, name), os.path.getsize(os.path.join(out, name))))


def main(argv):
    p = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    p.add_argument("--version", required=True, help="CMake's project() version (build/generated/version.txt)")
    p.add_argument("--x86", required=True, help="the 32-bit programs (build/bin)")
    p.add_argument("--x64", required=True, help="the 64-bit programs (build/bin64)")
    p.add_argument("--setup", help="the setup carrying both savers (default: VarnelleSetup.exe in --x86)")
    p.add_argument("--out", required=True, help="the folder to make anew")
    p.add_argument("--changelog", default=os.path.join(ROOT, "CHANGELOG.md"))
    p.add_argument("--time", type=int, default=EARLIEST_ZIP_TIME,
                   help="seconds since 1970 for every file in the zip (the commit's time)")
    args = p.parse_args(argv)
    try:
        pack(args.version, {"x64": args.x64, "x86": args.x86},
             args.setup or os.path.join(args.x86, "VarnelleSetup.exe"), args.out, args.changelog, args.time)
    except DistError as e:
        print("dist: FAILED: %s" % e, file=sys.stderr)
        return 1
    except OSError as e:
        print("dist: FAILED: %s: %s" % (e.filename, e.strerror), file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
