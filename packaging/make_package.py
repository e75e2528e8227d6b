#!/usr/bin/env python3
"""Makes the download package, the same bytes from every build of one commit.

Installs the package's component of a build tree into a fresh folder (the
program stripped) and zips that folder: entries in the byte order of their
names, each with the time of the commit and fixed permissions, and nothing
that carries the builder's time, user or folder. Writes SHA256SUMS beside the
ZIP for the ZIP and for the program in it, as sha256sum prints them, so that
`sha256sum -c SHA256SUMS` checks a download and the folder unpacked beside it.

The time is SOURCE_DATE_EPOCH when it is set (a source tree without git, or
a builder who pins it), else the time of the source tree's last commit, else
1980-01-01, the earliest a ZIP entry can hold.
"""
import argparse
import hashlib
import os
import shutil
import subprocess
import sys
import tempfile
import time
import zipfile

EARLIEST_ZIP_TIME = 315532800  # 1980-01-01 00:00:00 UTC


def source_time(source):
    pinned = os.environ.get("SOURCE_DATE_EPOCH")
    if pinned:
        return int(pinned)
    try:
        out = subprocess.run(["git", "-C", source, "log", "-1", "--format=%ct"],
                             capture_output=True, text=True, check=True).stdout.strip()
        return int(out)
    except (OSError, subprocess.CalledProcessError, ValueError):
        return EARLIEST_ZIP_TIME


def entries(top):
    """(name in the ZIP, path on disk) of everything under top, folders with
    a trailing slash; the top folder has no entry of its own."""
    found = []
    base = os.path.dirname(top)
    for folder, dirs, files in os.walk(top):
        for name in dirs + files:
            path = os.path.join(folder, name)
            arcname = os.path.relpath(path, base).replace(os.sep, "/")
            found.append((arcname + "/" if os.path.isdir(path) else arcname, path))
    return sorted(found, key=lambda e: e[0].encode("utf-8"))


def write_zip(zip_path, top, when):
    # DOS time has no zone: the commit's UTC time, in two-second steps.
    stamp = time.gmtime(max(when, EARLIEST_ZIP_TIME))[:6]
    with zipfile.ZipFile(zip_path, "w") as z:
        for arcname, path in entries(top):
            info = zipfile.ZipInfo(arcname, stamp)
            info.create_system = 3  # Unix, so that unzip applies the modes below
            if arcname.endswith("/"):
                info.external_attr = (0o40755 << 16) | 0x10  # 0x10: a folder for Windows
                z.writestr(info, b"")
            else:
                mode = 0o755 if arcname.endswith(".exe") else 0o644
                info.external_attr = (0o100000 | mode) << 16
                info.compress_type = zipfile.ZIP_DEFLATED
                with open(path, "rb") as f:
                    z.writestr(info, f.read(), compresslevel=9)


def sha256(path):
    with open(path, "rb") as f:
        return hashlib.sha256(f.read()).hexdigest()


def replace_with(path, data, scratch):
    """Writes beside and renames: two package runs at once leave one whole file."""
    fd, tmp = tempfile.mkstemp(dir=scratch)
    with os.fdopen(fd, "wb") as f:
        f.write(data)
    os.chmod(tmp, 0o644)  # mkstemp's file is private
    os.replace(tmp, path)


def main():
    p = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    p.add_argument("--cmake", required=True)
    p.add_argument("--build", required=True, help="the build tree")
    p.add_argument("--out", help="where the ZIP and SHA256SUMS go; the build tree if not given")
    p.add_argument("--source", required=True)
    p.add_argument("--name", required=True, help="the ZIP's name and its one folder")
    p.add_argument("--component", required=True)
    p.add_argument("--program", required=True, help="the program's name in the folder")
    args = p.parse_args()
    out = args.out or args.build

    scratch = tempfile.mkdtemp(prefix="package-", dir=out)
    try:
        top = os.path.join(scratch, args.name)
        # strip writes a new PE time stamp, the time now or SOURCE_DATE_EPOCH:
        # 0, as the linker left it.
        installed = subprocess.run(
            [args.cmake, "--install", args.build, "--component", args.component,
             "--prefix", top, "--strip"], capture_output=True, text=True,
            env=dict(os.environ, SOURCE_DATE_EPOCH="0"))
        if installed.returncode != 0:
            sys.stderr.write(installed.stdout + installed.stderr)
            return 1
        zip_tmp = os.path.join(scratch, "package.zip")
        write_zip(zip_tmp, top, source_time(args.source))
        zip_path = os.path.join(out, args.name + ".zip")
        os.replace(zip_tmp, zip_path)
        sums = "%s  %s\n%s  %s/%s\n" % (
            sha256(zip_path), args.name + ".zip",
            sha256(os.path.join(top, args.program)), args.name, args.program)
        replace_with(os.path.join(out, "SHA256SUMS"), sums.encode("ascii"), scratch)
        print("made " + zip_path)
    finally:
        shutil.rmtree(scratch, ignore_errors=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
