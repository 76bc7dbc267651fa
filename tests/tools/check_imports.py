#!/usr/bin/env python3
"""tests/tools/check_imports.py: will these executables load on Windows 98?

For every executable named on the command line, reads its PE import tables and checks:
PE32 (not PE32+), machine i386, GUI subsystem, every imported DLL is a Windows 98 system DLL,
every function imported from it is exported there and is not one of the do-nothing stubs.

The lists come from the `win98` folder beside the repository (../shared/win98 relative to
the repository root) or from $TG_WIN98_DIR:
  exports.json  {"dlls": {"kernel32.dll": ["AddAtomA", ...], ...}}
  stubs.json    {"dlls": {"advapi32.dll": ["AccessCheck", ...], ...}}
An import by ordinal is accepted only where the DLL's export list holds "#<ordinal>".

Prints every offence as `<exe>: <dll>!<function>: <reason>`; exits 1 if there was one, 0 if
not, and prints "skipped" and exits 0 when the win98 folder is absent.
"""

import json
import os
import sys
from pathlib import Path

REPO = Path(__file__).resolve().parents[2]

MACHINE_I386 = 0x14C
MAGIC_PE32 = 0x10B
SUBSYSTEM_WINDOWS_GUI = 2


def win98_dir():
    override = os.environ.get("TG_WIN98_DIR")
    return Path(override) if override else REPO.parent / "shared" / "win98"


def load_table(path):
    """{dll name in lower case: set of export names} from exports.json or stubs.json."""
    with open(path, encoding="utf-8") as f:
        data = json.load(f)
    return {dll.lower(): set(names) for dll, names in data["dlls"].items()}


def check_executable(path, exports, stubs):
    """Returns the list of offences (strings) of one executable."""
    import pefile  # imported here so that `skipped` works without the module

    problems = []
    try:
        pe = pefile.PE(str(path), fast_load=True)
    except (OSError, pefile.PEFormatError) as e:
        return [f"{path}: not a readable PE file: {e}"]
    try:
        pe.parse_data_directories(directories=[
            pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_IMPORT"],
            pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_DELAY_IMPORT"],
        ])
        if pe.OPTIONAL_HEADER.Magic != MAGIC_PE32:
            problems.append(f"{path}: not PE32 (optional header magic {pe.OPTIONAL_HEADER.Magic:#x})")
        if pe.FILE_HEADER.Machine != MACHINE_I386:
            problems.append(f"{path}: machine {pe.FILE_HEADER.Machine:#x}, not i386")
        if pe.OPTIONAL_HEADER.Subsystem != SUBSYSTEM_WINDOWS_GUI:
            problems.append(f"{path}: subsystem {pe.OPTIONAL_HEADER.Subsystem}, not GUI (2)")

        tables = [("", getattr(pe, "DIRECTORY_ENTRY_IMPORT", []))]
        tables.append(("delay-loaded ", getattr(pe, "DIRECTORY_ENTRY_DELAY_IMPORT", [])))
        for kind, entries in tables:
            for entry in entries:
                dll = entry.dll.decode("ascii", errors="replace")
                known = exports.get(dll.lower())
                if known is None:
                    problems.append(f"{path}: {dll}: {kind}DLL is not a Windows 98 system DLL")
                    continue
                dll_stubs = stubs.get(dll.lower(), set())
                for imp in entry.imports:
                    if imp.name is None:
                        if f"#{imp.ordinal}" not in known:
                            problems.append(f"{path}: {dll}!#{imp.ordinal}: {kind}import by ordinal "
                                            "that Windows 98's export list does not name")
                        continue
                    name = imp.name.decode("ascii", errors="replace")
                    if name not in known:
                        problems.append(f"{path}: {dll}!{name}: not exported by Windows 98")
                    elif name in dll_stubs:
                        problems.append(f"{path}: {dll}!{name}: a do-nothing stub on Windows 98")
    finally:
        pe.close()
    return problems


def main(argv):
    if not argv or argv[0] in ("-h", "--help"):
        print(__doc__.strip())
        return 0 if argv else 2
    folder = win98_dir()
    if not (folder / "exports.json").is_file():
        print(f"skipped: no Windows 98 export lists in {folder}")
        return 0
    exports = load_table(folder / "exports.json")
    stubs = load_table(folder / "stubs.json") if (folder / "stubs.json").is_file() else {}

    failed = 0
    for exe in argv:
        problems = check_executable(Path(exe), exports, stubs)
        for p in problems:
            print(p)
        if problems:
            failed += 1
        else:
            print(f"{exe}: ok")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
