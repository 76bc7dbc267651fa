#!/usr/bin/env python3
"""tests/tools/test_check_imports.py: the import checker against small executables built
here with MinGW-w64, each importing a known set of functions.

Most tests use small export lists written by the test itself, so they do not depend on the
shared Windows 98 lists; one class repeats the key cases against the real lists when present.
Run directly; with TG_UNITTEST_JSON set, the counts are also written there as
{"passed": N, "failed": N}.
"""

import json
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import textwrap
import unittest
from pathlib import Path

HERE = Path(__file__).resolve().parent
CHECKER = HERE / "check_imports.py"
GCC = "i686-w64-mingw32-gcc-win32"
DLLTOOL = "i686-w64-mingw32-dlltool"

# Only the startup code written here runs: no C runtime, so the import tables hold exactly
# the functions each program calls.
PROGRAMS = {
    "safe": """
        #include <windows.h>
        void entry(void) { MessageBoxA(NULL, "x", "y", 0); ExitProcess(GetTickCount()); }
    """,
    "tick64": """
        #define _WIN32_WINNT 0x0600
        #include <windows.h>
        void entry(void) { ExitProcess((UINT)GetTickCount64()); }
    """,
    "veh": """
        #define _WIN32_WINNT 0x0501
        #include <windows.h>
        static LONG CALLBACK handler(EXCEPTION_POINTERS *p) { (void)p; return 0; }
        void entry(void) { ExitProcess(AddVectoredExceptionHandler(1, handler) != NULL); }
    """,
    "stub": """
        #include <windows.h>
        void entry(void) {
            SID_IDENTIFIER_AUTHORITY nt = {SECURITY_NT_AUTHORITY};
            PSID sid;
            ExitProcess(AllocateAndInitializeSid(&nt, 1, 0, 0, 0, 0, 0, 0, 0, 0, &sid));
        }
    """,
    "foreign_dll": """
        #define PSAPI_VERSION 1
        #include <windows.h>
        #include <psapi.h>
        void entry(void) { DWORD n; ExitProcess(EnumProcesses(NULL, 0, &n)); }
    """,
    "ordinal": """
        #include <windows.h>
        #include <commctrl.h>
        void entry(void) { InitCommonControls(); ExitProcess(0); }
    """,
}
EXTRA_LIBS = {"stub": ["-ladvapi32"], "foreign_dll": ["-lpsapi"], "ordinal": ["-L.", "-lcc17"]}

# Imports comctl32's InitCommonControls by ordinal 17 only.
ORDINAL_DEF = """\
LIBRARY comctl32.dll
EXPORTS
InitCommonControls@0 @17 NONAME
"""

FIXTURE_EXPORTS = {
    "kernel32.dll": ["ExitProcess", "GetTickCount"],
    "user32.dll": ["MessageBoxA"],
    "advapi32.dll": ["AllocateAndInitializeSid"],
    "comctl32.dll": ["InitCommonControls"],
}
FIXTURE_STUBS = {"advapi32.dll": ["AllocateAndInitializeSid"]}


def write_lists(folder, exports, stubs):
    folder.mkdir(parents=True, exist_ok=True)
    (folder / "exports.json").write_text(json.dumps({"what": "test", "dlls": exports}))
    (folder / "stubs.json").write_text(json.dumps({"what": "test", "dlls": stubs}))


def pe_header_offset(data):
    return struct.unpack_from("<I", data, 0x3C)[0]


class Built:
    """Builds the programs once for all tests."""
    tmp = None
    exes = {}

    @classmethod
    def build(cls):
        if cls.tmp:
            return
        cls.tmp = Path(tempfile.mkdtemp(prefix="tg-imports-"))
        (cls.tmp / "cc17.def").write_text(ORDINAL_DEF)
        subprocess.run([DLLTOOL, "-d", "cc17.def", "-l", "libcc17.a", "-k"], cwd=cls.tmp, check=True,
                       stdin=subprocess.DEVNULL)
        for name, source in PROGRAMS.items():
            src = cls.tmp / f"{name}.c"
            src.write_text(textwrap.dedent(source))
            for subsystem in ("windows", "console"):
                if subsystem == "console" and name != "safe":
                    continue
                exe = cls.tmp / f"{name}-{subsystem}.exe"
                cmd = [GCC, "-nostdlib", f"-m{subsystem}", "-e", "_entry", "-o", str(exe), str(src),
                       *EXTRA_LIBS.get(name, []), "-lkernel32", "-luser32"]
                proc = subprocess.run(cmd, cwd=cls.tmp, capture_output=True, text=True,
                                      stdin=subprocess.DEVNULL)
                if proc.returncode != 0:
                    raise RuntimeError(f"building {name} failed: {proc.stderr}")
                cls.exes[name if subsystem == "windows" else f"{name}-console"] = exe
        # The same safe program, with the header fields of other targets patched in.
        data = cls.exes["safe"].read_bytes()
        pe = pe_header_offset(data)
        for name, field, value in (("machine", pe + 4, 0x8664), ("magic", pe + 24, 0x20B)):
            patched = bytearray(data)
            struct.pack_into("<H", patched, field, value)
            cls.exes[name] = cls.tmp / f"safe-{name}.exe"
            cls.exes[name].write_bytes(bytes(patched))

    @classmethod
    def cleanup(cls):
        if cls.tmp:
            shutil.rmtree(cls.tmp, ignore_errors=True)
            cls.tmp = None


def run_checker(win98, *exes):
    env = dict(os.environ, TG_WIN98_DIR=str(win98))
    return subprocess.run([sys.executable, str(CHECKER), *map(str, exes)], env=env,
                          capture_output=True, text=True, stdin=subprocess.DEVNULL)


@unittest.skipUnless(shutil.which(GCC) and shutil.which(DLLTOOL), f"{GCC} is not installed")
class CheckerWithTestListsTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        Built.build()
        cls.lists = Built.tmp / "win98"
        write_lists(cls.lists, FIXTURE_EXPORTS, FIXTURE_STUBS)

    def check(self, name, lists=None):
        return run_checker(lists or self.lists, Built.exes[name])

    def assert_rejected(self, proc, *expected):
        self.assertEqual(1, proc.returncode, f"checker exit code; output:\n{proc.stdout}{proc.stderr}")
        for text in expected:
            self.assertIn(text, proc.stdout, "offence missing from the checker's output")

    def test_accepts_a_gui_program_using_only_listed_functions(self):
        proc = self.check("safe")
        self.assertEqual(0, proc.returncode, f"checker rejected the safe program:\n{proc.stdout}{proc.stderr}")
        self.assertIn(": ok", proc.stdout, "checker did not report the safe program as ok")

    def test_rejects_a_function_windows_98_lacks(self):
        self.assert_rejected(self.check("tick64"), "KERNEL32.dll!GetTickCount64: not exported")

    def test_names_only_the_missing_function(self):
        proc = self.check("tick64")
        self.assertNotIn("ExitProcess", proc.stdout, "a listed function was reported")

    def test_rejects_vectored_exception_handlers(self):
        self.assert_rejected(self.check("veh"), "KERNEL32.dll!AddVectoredExceptionHandler: not exported")

    def test_rejects_a_do_nothing_stub(self):
        self.assert_rejected(self.check("stub"), "ADVAPI32.dll!AllocateAndInitializeSid: a do-nothing stub")

    def test_accepts_the_same_function_when_it_is_no_stub(self):
        lists = Built.tmp / "win98-nostubs"
        write_lists(lists, FIXTURE_EXPORTS, {})
        proc = self.check("stub", lists)
        self.assertEqual(0, proc.returncode, f"checker output:\n{proc.stdout}{proc.stderr}")

    def test_rejects_a_dll_that_is_not_a_system_dll(self):
        self.assert_rejected(self.check("foreign_dll"), "PSAPI.DLL: DLL is not a Windows 98 system DLL")

    def test_rejects_an_unlisted_ordinal_import(self):
        self.assert_rejected(self.check("ordinal"), "comctl32.dll!#17: import by ordinal")

    def test_accepts_an_ordinal_import_the_lists_name(self):
        lists = Built.tmp / "win98-ordinal"
        exports = dict(FIXTURE_EXPORTS, **{"comctl32.dll": ["InitCommonControls", "#17"]})
        write_lists(lists, exports, {})
        proc = self.check("ordinal", lists)
        self.assertEqual(0, proc.returncode, f"checker output:\n{proc.stdout}{proc.stderr}")

    def test_rejects_a_console_program(self):
        self.assert_rejected(self.check("safe-console"), "subsystem 3, not GUI (2)")

    def test_rejects_another_machine(self):
        self.assert_rejected(self.check("machine"), "machine 0x8664, not i386")

    def test_rejects_pe32_plus(self):
        self.assert_rejected(self.check("magic"), "not PE32 (optional header magic 0x20b)")

    def test_one_bad_program_fails_the_whole_run(self):
        proc = run_checker(self.lists, Built.exes["safe"], Built.exes["tick64"])
        self.assert_rejected(proc, "GetTickCount64")
        self.assertIn(f"{Built.exes['safe']}: ok", proc.stdout, "the good program was not reported as ok")

    def test_skips_when_the_lists_are_absent(self):
        proc = run_checker(Built.tmp / "no-such-folder", Built.exes["tick64"])
        self.assertEqual(0, proc.returncode, f"checker output:\n{proc.stdout}{proc.stderr}")
        self.assertTrue(proc.stdout.startswith("skipped"), f"checker output: {proc.stdout!r}")


REAL_LISTS = Path(os.environ.get("TG_WIN98_DIR", HERE.parents[2] / "shared" / "win98"))


@unittest.skipUnless(shutil.which(GCC) and (REAL_LISTS / "exports.json").is_file(),
                     "the shared Windows 98 lists or MinGW-w64 are missing")
class CheckerWithRealListsTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        Built.build()

    def test_accepts_the_safe_program(self):
        proc = run_checker(REAL_LISTS, Built.exes["safe"])
        self.assertEqual(0, proc.returncode, f"checker output:\n{proc.stdout}{proc.stderr}")

    def test_rejects_get_tick_count_64(self):
        proc = run_checker(REAL_LISTS, Built.exes["tick64"])
        self.assertEqual(1, proc.returncode, f"checker output:\n{proc.stdout}")
        self.assertIn("GetTickCount64", proc.stdout, "missing function not named")

    def test_rejects_add_vectored_exception_handler(self):
        proc = run_checker(REAL_LISTS, Built.exes["veh"])
        self.assertEqual(1, proc.returncode, f"checker output:\n{proc.stdout}")
        self.assertIn("AddVectoredExceptionHandler", proc.stdout, "missing function not named")


def counts(result):
    """(passed, failed): a test with failing subtests fails once; a failed class or module
    set-up counts as one failure of tests that never ran."""
    failed_parents = {}
    for test, _ in result.failures + result.errors:
        parent = getattr(test, "test_case", None) or test
        failed_parents[parent.id()] = parent
    ran_and_failed = sum(1 for t in failed_parents.values() if isinstance(t, unittest.TestCase))
    failed = len(failed_parents) + len(result.unexpectedSuccesses)
    passed = result.testsRun - len(result.skipped) - ran_and_failed - len(result.unexpectedSuccesses)
    return passed, failed


def main():
    program = unittest.main(exit=False, verbosity=2)
    passed, failed = counts(program.result)
    Built.cleanup()
    out = os.environ.get("TG_UNITTEST_JSON")
    if out:
        Path(out).write_text(json.dumps({"passed": passed, "failed": failed}) + "\n")
    print(f"check_imports tests: {passed} passed, {failed} failed")
    return 0 if failed == 0 else 1


if __name__ == "__main__":
    sys.exit(main())
