#!/usr/bin/env python3
"""Checks that Quillbay.exe can load on every Windows it is made for.

Reads the executable's import table (objdump -p) and PE header, and fails on
an import that imports.tsv does not list, or whose oldest Windows is newer
than 98 (95/98/Me family) or 2000 (NT family), and on a subsystem or OS
version above 4.0 (9x loads 4.0 at most; NT refuses a subsystem newer than
itself). Prints on which versions the executable loads.

  check_imports.py OBJDUMP EXE TABLE [--also DLL:FUNCTION[:9X:NT] ...]

--also adds an import as if the executable had it, with a row of its own
when floors are given: the suite uses it to see that a newer import is
caught and named.
"""
import re
import struct
import subprocess
import sys

NINE_X = ["95", "98", "Me"]
NT = ["3.1", "3.5", "3.51", "4.0", "2000", "XP", "Vista", "7", "8", "10"]
# The newest floor each family may have: the oldest systems served.
HIGHEST_9X, HIGHEST_NT = "98", "2000"
# The rows of the printed table: (name, family, version).
SYSTEMS = [("Windows 95", NINE_X, "95"), ("Windows 98", NINE_X, "98"), ("Windows Me", NINE_X, "Me"),
           ("Windows NT 3.51", NT, "3.51"), ("Windows NT 4.0", NT, "4.0"), ("Windows 2000", NT, "2000"),
           ("Windows XP", NT, "XP"), ("Windows Vista", NT, "Vista"), ("Windows 7", NT, "7"),
           ("Windows 8", NT, "8"), ("Windows 10, 11", NT, "10")]


def rank(family, version):
    """Place of a version in its family; None for "not in this family"."""
    return None if version == "-" else family.index(version)


def read_table(path):
    table = {}
    for number, line in enumerate(open(path, encoding="utf-8"), 1):
        line = line.rstrip("\n")
        if not line or line.startswith("#"):
            continue
        fields = line.split("\t")
        if len(fields) < 4 or fields[2] not in NINE_X + ["-"] or fields[3] not in NT + ["-"]:
            sys.exit(f"{path}:{number}: not DLL, function, 9x floor, NT floor[, needs]: {line!r}")
        table[(fields[0].lower(), fields[1])] = (fields[2], fields[3], fields[4] if len(fields) > 4 else "")
    return table


def read_imports(objdump, exe):
    dump = subprocess.run([objdump, "-p", exe], check=True, capture_output=True, text=True).stdout
    imports, dll = [], None
    for line in dump.splitlines():
        name = re.match(r"\s*DLL Name: (\S+)", line)
        if name:
            dll = name.group(1)
            continue
        entry = re.match(r"\t[0-9a-f]+\t\s*\d+\s+(\S+)$", line)
        if entry and dll:
            imports.append((dll, entry.group(1)))
    return imports


def header_versions(exe):
    data = open(exe, "rb").read()
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    if data[pe:pe + 4] != b"PE\0\0":
        sys.exit(f"{exe}: no PE header")
    optional = pe + 24
    os_version = struct.unpack_from("<HH", data, optional + 40)
    subsystem_version = struct.unpack_from("<HH", data, optional + 48)
    return os_version, subsystem_version


def main(argv):
    if len(argv) < 4:
        sys.exit(__doc__)
    objdump, exe, table_path = argv[1:4]
    table = read_table(table_path)
    imports = read_imports(objdump, exe)
    for i, item in enumerate(argv[4:], 4):
        if argv[i - 1] != "--also":
            continue
        fields = item.split(":")
        imports.append((fields[0], fields[1]))
        if len(fields) == 4:
            table[(fields[0].lower(), fields[1])] = (fields[2], fields[3], "")
    if not imports:
        sys.exit(f"{exe}: objdump shows no imports")

    failures = []
    floors = {}
    for dll, function in imports:
        row = table.get((dll.lower(), function))
        if row is None:
            failures.append(f"{dll} {function}: not in {table_path}; add it with the oldest Windows that exports it")
            continue
        floors[(dll, function)] = row
        nine_x, nt, _ = row
        if nine_x == "-":
            failures.append(f"{dll} {function}: no Windows of the 95/98/Me family exports it")
        elif rank(NINE_X, nine_x) > rank(NINE_X, HIGHEST_9X):
            failures.append(f"{dll} {function}: needs Windows {nine_x} (the oldest served is {HIGHEST_9X})")
        if nt == "-":
            failures.append(f"{dll} {function}: no Windows of the NT family exports it")
        elif rank(NT, nt) > rank(NT, HIGHEST_NT):
            failures.append(f"{dll} {function}: needs Windows {nt} (the oldest NT served is {HIGHEST_NT})")

    os_version, subsystem_version = header_versions(exe)
    for what, version in (("OS", os_version), ("subsystem", subsystem_version)):
        if version > (4, 0):
            failures.append(f"PE header: {what} version {version[0]}.{version[1]} (at most 4.0: 9x loads no newer)")

    print(f"{exe}: {len(imports)} imports from {len({d.lower() for d, _ in imports})} DLLs; "
          f"OS version {os_version[0]}.{os_version[1]}, subsystem {subsystem_version[0]}.{subsystem_version[1]}")
    print(f"{'Windows':<17} loads")
    for name, family, version in SYSTEMS:
        column = 0 if family is NINE_X else 1
        short = sorted(key for key, row in floors.items()
                       if row[column] == "-" or rank(family, row[column]) > rank(family, version))
        if family is NT and rank(NT, version) < rank(NT, "4.0") and subsystem_version >= (4, 0):
            print(f"{name:<17} no: subsystem version {subsystem_version[0]}.{subsystem_version[1]}")
        elif not short:
            print(f"{name:<17} yes")
        elif all(floors[key][2] for key in short):
            # Missing only what a common later install brings.
            print(f"{name:<17} with {'; '.join(sorted({floors[key][2] for key in short}))}")
        else:
            names = [f"{d} {f}" for d, f in short if not floors[(d, f)][2]]
            print(f"{name:<17} no: {len(names)} imports missing, e.g. {', '.join(names[:4])}")
    for failure in failures:
        print("FAIL  " + failure)
    print("import floor: " + ("ok" if not failures else f"{len(failures)} failures"))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
