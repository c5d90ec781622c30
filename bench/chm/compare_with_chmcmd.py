#!/usr/bin/python3
"""Compiles the same projects with zetchm and with chmcmd and compares the help files they make,
as chmlib (python3-chm) reads them: the files inside, their bytes, and the #SYSTEM fields the
viewers read. An ad-hoc check, not a test: chmcmd is no dependency of the build.

    bench/chm/compare_with_chmcmd.py [--zetchm PATH] [--zettool PATH] BOOK.zet|PROJECT.hhp ...

A book is first turned into its help project with `zettool make-help --no-compile`. Exit status
0 when every project compares equal (allowing the differences zetchm makes on purpose: contents
and index files named outside ASCII are stored under ASCII names, context ids name files inside
the help file), 1 otherwise.
"""
import argparse
import os
import shutil
import struct
import subprocess
import sys
import tempfile

from chm import chmlib

TOP = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))


def read_chm(path, look_up=()):
    """Every file of the help file by name (bytes), as chmlib reads it: those its listing gives,
    and those of `look_up` it finds by name (chmcmd's listing loses entries); the number found
    only by name."""
    handle = chmlib.chm_open(path)
    if not handle:
        raise RuntimeError("chmlib cannot open " + path)
    units = []

    def collect(_, unit, __):
        units.append(unit)
        return chmlib.CHM_ENUMERATOR_CONTINUE

    chmlib.chm_enumerate(handle, chmlib.CHM_ENUMERATE_ALL, collect, None)
    files = {}
    for unit in units:
        name = unit.path
        if name.endswith(b"/"):
            continue
        if unit.length == 0:
            files[name] = b""
            continue
        size, data = chmlib.chm_retrieve_object(handle, unit, 0, unit.length)
        files[name] = data if size == unit.length else None
    found_by_name = 0
    for name in look_up:
        if name in files:
            continue
        result, unit = chmlib.chm_resolve_object(handle, name)
        if result != chmlib.CHM_RESOLVE_SUCCESS:
            continue
        found_by_name += 1
        if unit.length == 0:
            files[name] = b""
        else:
            size, data = chmlib.chm_retrieve_object(handle, unit, 0, unit.length)
            files[name] = data if size == unit.length else None
    chmlib.chm_close(handle)
    return files, found_by_name


def system_fields(data):
    fields = {}
    position = 4
    while position + 4 <= len(data):
        code, length = struct.unpack_from("<HH", data, position)
        fields[code] = data[position + 4:position + 4 + length]
        position += 4 + length
    return fields


def text(value):
    return value.rstrip(b"\0") if value is not None else None


def context_ids(files):
    ivb = files.get(b"/#IVB")
    strings = files.get(b"/#STRINGS") or b""
    if not ivb:
        return {}
    count = struct.unpack_from("<I", ivb, 0)[0] // 8
    ids = {}
    for i in range(count):
        number, offset = struct.unpack_from("<II", ivb, 4 + i * 8)
        ids[number] = strings[offset:strings.index(b"\0", offset)] if offset < len(strings) else b"?"
    return ids


def compare(project, zetchm, chmcmd):
    folder = os.path.dirname(project)
    with open(project, "rb") as stream:
        compiled = None
        project_names = []
        for line in stream.read().splitlines():
            key = line.split(b"=", 1)[0].strip().lower()
            if key == b"compiled file":
                compiled = line.split(b"=", 1)[1].strip().decode("utf-8", "replace")
            if key in (b"contents file", b"index file"):
                project_names.append(b"/" + line.split(b"=", 1)[1].strip())
    compiled = compiled or os.path.splitext(os.path.basename(project))[0] + ".chm"
    target = os.path.join(folder, compiled)
    ours_path = target + ".zetchm"
    theirs_path = target + ".chmcmd"
    for program, saved in ((zetchm, ours_path), (chmcmd, theirs_path)):
        if os.path.exists(target):
            os.remove(target)
        run = subprocess.run([program, project], cwd=folder, capture_output=True)
        if run.returncode != 0 or not os.path.exists(target):
            print("  %s failed (%d): %s" % (program, run.returncode, run.stderr.decode()[-500:]))
            return False
        shutil.move(target, saved)
    ours, _ = read_chm(ours_path)
    theirs, lost = read_chm(theirs_path, list(ours) + project_names)
    if lost:
        print("  chmcmd's directory listing loses %d entries; found by name" % lost)
    print("  sizes: zetchm %d bytes, chmcmd %d bytes (%.2fx)" % (
        os.path.getsize(ours_path), os.path.getsize(theirs_path),
        os.path.getsize(ours_path) / os.path.getsize(theirs_path)))
    ok = True

    ours_system = system_fields(ours[b"/#SYSTEM"])
    theirs_system = system_fields(theirs[b"/#SYSTEM"])
    # The contents and index files by the names each help file's #SYSTEM gives them.
    renamed = {}
    for code in (0, 1):
        mine, other = text(ours_system.get(code)), text(theirs_system.get(code))
        if mine and other:
            renamed[b"/" + mine] = b"/" + other
            if mine != other:
                print("  %s stored as %s (ASCII name)" % (other.decode(errors="replace"),
                                                          mine.decode()))

    def content(files):
        # chmcmd also stores a note of its own, /_#_README_#_.
        return {name: data for name, data in files.items()
                if name.startswith(b"/") and not name.startswith((b"/#", b"/$", b"/_#_"))}

    ours_content = {renamed.get(name, name): data for name, data in content(ours).items()}
    theirs_content = content(theirs)
    only_ours = sorted(set(ours_content) - set(theirs_content))
    only_theirs = sorted(set(theirs_content) - set(ours_content))
    if only_ours or only_theirs:
        ok = False
        print("  files only zetchm stores: %s" % [n.decode(errors="replace") for n in only_ours[:20]])
        print("  files only chmcmd stores: %s" % [n.decode(errors="replace") for n in only_theirs[:20]])
    differing = [name for name in set(ours_content) & set(theirs_content)
                 if ours_content[name] != theirs_content[name]]
    if differing:
        ok = False
        print("  %d files differ, e.g. %s" % (len(differing), sorted(differing)[:5]))
    print("  files: %d in both, same bytes: %s" % (len(set(ours_content) & set(theirs_content)),
                                                  "yes" if not differing else "NO"))

    names = {0: "contents", 1: "index", 2: "default topic", 3: "title", 5: "default window",
             6: "compiled file", 16: "default font"}
    for code, name in sorted(names.items()):
        mine, other = text(ours_system.get(code)), text(theirs_system.get(code))
        if code in (0, 1) and mine and renamed.get(b"/" + mine) == b"/" + (other or b""):
            same = True
        elif code == 6 and other is None:
            same = True  # chmcmd leaves it out; viewers fall back on it only without #WINDOWS
        elif code == 6 and mine is not None:
            same = mine.lower() == other.lower() or not other.isascii()
        else:
            same = (mine or b"") == (other or b"")
        print("  #SYSTEM %-15s zetchm %-30r chmcmd %-30r %s" % (name, mine, other,
                                                               "" if same else "DIFFERENT"))
        ok = ok and same
    lcids = [struct.unpack_from("<I", s[4], 0)[0] if 4 in s else None
             for s in (ours_system, theirs_system)]
    print("  #SYSTEM language        zetchm %s chmcmd %s" % tuple(
        hex(l) if l is not None else None for l in lcids))
    if lcids[0] != lcids[1]:
        print("    (chmcmd writes 0x409 whatever the project says)")

    ours_ids, theirs_ids = context_ids(ours), context_ids(theirs)
    print("  context ids: zetchm %d, chmcmd %d" % (len(ours_ids), len(theirs_ids)))
    for number in sorted(set(ours_ids) & set(theirs_ids))[:2]:
        print("    %d: zetchm %r, chmcmd %r" % (number, ours_ids[number], theirs_ids[number]))
    if set(ours_ids) != set(theirs_ids):
        print("    the context ids differ")
        ok = False
    topics = [len(files.get(b"/#TOPICS") or b"") // 16 for files in (ours, theirs)]
    print("  topics: zetchm %d, chmcmd %d (chmcmd adds one more per contents entry)" %
          tuple(topics))
    return ok


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--zetchm", default=os.path.join(TOP, "build", "bin", "zetchm"))
    parser.add_argument("--zettool", default=os.path.join(TOP, "build", "bin", "zettool"))
    parser.add_argument("--chmcmd", default=shutil.which("chmcmd"))
    parser.add_argument("inputs", nargs="+")
    arguments = parser.parse_args()
    if not arguments.chmcmd:
        sys.exit("chmcmd (fp-utils) is needed")
    all_ok = True
    with tempfile.TemporaryDirectory(prefix="zet-compare-") as work:
        for number, given in enumerate(arguments.inputs):
            print(given)
            if given.endswith(".zet"):
                run = subprocess.run([arguments.zettool, "make-help", "--no-compile",
                                      "--output-dir", os.path.join(work, str(number)), given],
                                     capture_output=True, check=True)
                project = run.stdout.decode().strip()
            else:
                copy = os.path.join(work, str(number))
                shutil.copytree(os.path.dirname(os.path.abspath(given)), copy)
                project = os.path.join(copy, os.path.basename(given))
            same = compare(project, arguments.zetchm, arguments.chmcmd)
            print("  => %s" % ("equivalent" if same else "DIFFERENT"))
            all_ok = all_ok and same
    sys.exit(0 if all_ok else 1)


if __name__ == "__main__":
    main()
