#!/usr/bin/env python3
"""Runs one whole use of Quillbay under Wine's relay trace and reads which
functions the executable itself called.

  check_relay.py RUNNER TESTEXE FAMILY OBJDUMP EXE

RUNNER runs TESTEXE (the end-to-end tests) under Wine; its WholeUse test
starts a copy of EXE named Quillbay_FAMILY.exe from the stand-in editor's
Tools menu and prints the copy's process number. FAMILY is win98 or winxp.

Wine exports every function whatever Windows it reports, and its W functions
work when it reports 98, so only the calls show what real 95/98/Me would do
with the program: there every W function of user32, gdi32, kernel32 and
shell32 but a few is a stub that fails. As win98 the test fails on any such
call made from the executable's own image (the return address tells); as
winxp it fails unless the window's W path was taken.
"""
import os
import re
import struct
import subprocess
import sys

CHECKED_DLLS = {"user32", "gdi32", "kernel32", "kernelbase", "shell32"}
# The W functions that 95, 98 and Me implement for real.
REAL_ON_9X = {"MessageBoxW", "MessageBoxExW", "lstrlenW", "GetCommandLineW", "TextOutW", "ExtTextOutW",
              "GetTextExtentPointW", "GetTextExtentPoint32W", "GetCharWidthW", "EnumResourceLanguagesW",
              "EnumResourceNamesW", "EnumResourceTypesW", "FindResourceW", "FindResourceExW"}
# Calls of the static runtime that fall back by themselves when the W form fails.
RUNTIME_FALLBACKS = {
    # mingw-w64's msvcrt helpers find msvcrt.dll by its wide name and, failing
    # that, read the code page from the data msvcrt exports (lc_locale_func.c).
    "GetModuleHandleW": "the C runtime's look-up of msvcrt.dll, which falls back to its data export",
}
# What each family's run must show it did: the window's calls by family.
EXPECTED = {
    "win98": ["user32.RegisterClassExA", "user32.CreateWindowExA", "user32.GetMessageA", "user32.IsDialogMessageA",
              "user32.DispatchMessageA", "user32.SendMessageA", "user32.MessageBoxA", "gdi32.CreateFontA",
              "kernel32.CreateFileA", "kernel32.GetModuleFileNameA", "kernel32.WritePrivateProfileStringA"],
    "winxp": ["user32.RegisterClassExW", "user32.CreateWindowExW", "user32.GetMessageW", "user32.IsDialogMessageW",
              "user32.DispatchMessageW", "user32.SendMessageW", "user32.MessageBoxW", "gdi32.CreateFontW",
              "kernel32.CreateFileW", "kernel32.GetModuleFileNameW", "kernel32.WritePrivateProfileStringA"],
}
WINE_DLL_FOLDERS = {
    0x14C: ["/usr/lib/i386-linux-gnu/wine/i386-windows", "/usr/lib/wine/i386-windows"],
    0x8664: ["/usr/lib/x86_64-linux-gnu/wine/x86_64-windows", "/usr/lib/wine/x86_64-windows"],
}


def image_of(exe):
    """Machine, image base and size, from the PE header."""
    data = open(exe, "rb").read()
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    machine = struct.unpack_from("<H", data, pe + 4)[0]
    optional = pe + 24
    if struct.unpack_from("<H", data, optional)[0] == 0x20B:
        base = struct.unpack_from("<Q", data, optional + 24)[0]
    else:
        base = struct.unpack_from("<I", data, optional + 28)[0]
    size = struct.unpack_from("<I", data, optional + 56)[0]
    return machine, base, size


def exports(objdump, machine, dll, cache={}):
    """The names a Wine DLL exports, to tell a W function from a name that merely ends in W."""
    if dll not in cache:
        names = set()
        for folder in WINE_DLL_FOLDERS.get(machine, []):
            path = os.path.join(folder, dll + ".dll")
            if os.path.exists(path):
                dump = subprocess.run([objdump, "-p", path], capture_output=True, text=True).stdout
                names = set(re.findall(r"^\s*\[\s*\d+\] (\S+)", dump, re.M))
                break
        cache[dll] = names
    return cache[dll]


def is_wide(objdump, machine, dll, name):
    if not name.endswith("W"):
        return False
    names = exports(objdump, machine, dll)
    if names:
        return name[:-1] + "A" in names
    # Without the DLL's export list: every W function that has an A twin
    # ends in W, and the names that end in W without one end in "Window".
    return not name.endswith("Window")


def main(argv):
    if len(argv) != 6 or argv[3] not in EXPECTED:
        sys.exit(__doc__)
    runner, test_exe, family, objdump, exe = argv[1:]
    machine, base, size = image_of(exe)
    env = dict(os.environ, WINEDEBUG="-all,+pid,+relay")
    run = subprocess.run([runner, test_exe, f"--gtest_filter=Families/WholeUse.*/{family}"], env=env,
                         capture_output=True, text=True, errors="replace")
    output = run.stdout + run.stderr
    failures = []
    if run.returncode != 0 or "[  PASSED  ] 1 test." not in output:
        tail = "\n".join(line for line in output.splitlines() if not re.match(r"[0-9a-f]{4}:", line))[-3000:]
        failures.append(f"the whole use as {family} did not pass (exit {run.returncode}):\n{tail}")
    pid = re.search(r"^Quillbay process: ([0-9a-f]+)$", output, re.M)
    if not pid:
        failures.append("the test did not say which process Quillbay was")
        pid = None
    calls, outside = {}, 0
    if pid:
        line = re.compile(rf"^{pid.group(1)}:[0-9a-f]+:Call ([A-Za-z0-9_]+)\.([A-Za-z0-9_@]+)\(.*\) ret=([0-9a-f]+)$")
        for text in output.splitlines():
            match = line.match(text)
            if not match:
                continue
            dll, name, ret = match.group(1).lower(), match.group(2), int(match.group(3), 16)
            if not base <= ret < base + size:
                outside += 1  # a call made by a DLL of Wine's inside the process
                continue
            calls[f"{dll}.{name}"] = calls.get(f"{dll}.{name}", 0) + 1
    if pid and not calls:
        failures.append(f"the relay trace shows no call from the executable's image "
                        f"({base:#x}..{base + size:#x}); is WINEDEBUG=+relay reaching it?")

    wide = {call: n for call, n in calls.items()
            if call.split(".")[0] in CHECKED_DLLS and is_wide(objdump, machine, *call.split("."))}
    print(f"{family}: {sum(calls.values())} calls of {len(calls)} functions from the executable's image; "
          f"{outside} calls inside the process from elsewhere, not counted")
    for call in sorted(wide):
        name = call.split(".")[1]
        why = "real on 95/98/Me" if name in REAL_ON_9X else RUNTIME_FALLBACKS.get(name, "")
        print(f"  W call: {call} x{wide[call]}" + (f" ({why})" if why else ""))
        if family == "win98" and not why:
            failures.append(f"{call} called {wide[call]} times as Windows 98: a stub that fails on 95/98/Me")
    for call in EXPECTED[family]:
        if call not in calls:
            failures.append(f"{call} was not called as {family}: that family's path was not taken")
    for failure in failures:
        print("FAIL  " + failure)
    print(f"relay {family}: " + ("ok" if not failures else f"{len(failures)} failures"))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
