#!/usr/bin/env python3
"""tests/tools/test_release.py: the release archive of tools/release/release.py, read back
byte by byte as a Windows 98 unzipper would and checked with sha256sum. Run directly; with
TG_UNITTEST_JSON set, the counts are also written there."""
import json
import os
import struct
import subprocess
import sys
import shutil
import tempfile
import time
import unittest
import zipfile
from pathlib import Path

HERE = Path(__file__).resolve().parent
REPO = HERE.parents[1]
sys.dont_write_bytecode = True  # no __pycache__ among the sources the release is built from
sys.path.insert(0, str(REPO / "tools" / "release"))
import release  # noqa: E402

VERSION_H = """#define TG_VERSION_MAJOR 2\n#define TG_VERSION_MINOR 10\n#define TG_VERSION_RELEASE 0
#define TG_VERSION_BUILD 7\n#define TG_VERSION_DATE "07/07/2002"\n"""
README = """# Pellory\u00ae Tallyglass

![main window](docs/main-window.png)
<!-- a note for editors -->
Shows the `System`, **User** and GDI figures; see [the site](http://www.pellory.example) or
[Installing](#installing).

## Installing

- Copy the file anywhere. This line is long enough that it has to be wrapped onto a second line.
- Done.

    scripts/run --desktop

<!-- README.txt ends here -->

## Two commands
"""
# Worked out by hand: headings underlined, picture and comment gone, marks dropped, the
# paragraph and the long item rewrapped to 76 columns, the code indented by two.
README_TXT = """Pellory\u00ae Tallyglass
===================

Shows the System, User and GDI figures; see the site
(http://www.pellory.example) or Installing.

Installing
----------

- Copy the file anywhere. This line is long enough that it has to be wrapped
  onto a second line.
- Done.

  scripts/run --desktop
"""


def tree(root, readme=README, version=VERSION_H):
    (root / "framework").mkdir(parents=True, exist_ok=True)
    (root / "framework" / "Version.h").write_text(version)
    (root / "README.md").write_text(readme, encoding="utf-8")
    (root / "Tallyglass.exe").write_bytes(b"MZ" + bytes(range(256)) * 40)
    return root


class ReleaseTest(unittest.TestCase):
    def setUp(self):
        self.tmp = Path(tempfile.mkdtemp(prefix="tg-release-"))
        self.addCleanup(shutil.rmtree, self.tmp)

    def test_readme_txt_is_the_user_part_as_plain_text(self):
        self.assertEqual(README_TXT, release.readme_text(README))
        self.assertEqual(b"Pellory\xae\r\n\r\nx\r\n", release.windows_text("Pellory\u00ae\n\nx\n", "x"))
        with self.assertRaisesRegex(ValueError, "line 2: '\u2192'"):
            release.windows_text("ok\nleft \u2192 right\n", "x")

    def test_the_repository_readme_makes_a_readme_txt(self):
        text = release.readme_text((REPO / "README.md").read_text(encoding="utf-8"))
        release.windows_text(text, "README.md")
        self.assertIn("Using Tallyglass", text)
        self.assertNotIn("Two commands", text, "the developer part stays out")
        self.assertLessEqual(max(len(x) for x in text.splitlines() if not x.startswith("  ")), 76)

    def test_archive_bytes_as_a_windows_98_unzipper_reads_them(self):
        root = tree(self.tmp / "a")
        path = release.make_archive(root, root / "Tallyglass.exe", self.tmp / "dist")
        self.assertEqual("Tallyglass-2.10.0.7.zip", path.name)
        data = path.read_bytes()
        names, at = [], 0
        while data[at:at + 4] == b"PK\x03\x04":
            (version, flags, method, time, date, _, size, _, name_len, extra_len) = \
                struct.unpack_from("<HHHHHIIIHH", data, at + 4)
            names.append(data[at + 30:at + 30 + name_len].decode("ascii"))
            # 07/07/2002 12:00:00 in MS-DOS form: ((2002-1980) << 9 | 7 << 5 | 7, 12 << 11).
            self.assertEqual((20, 0, 8, 0x6000, 0x2CE7, 0), (version, flags, method, time, date, extra_len))
            at += 30 + name_len + size
        self.assertEqual(["Tallyglass.exe", "README.txt", "SHA256SUMS"], names)
        central = data.index(b"PK\x01\x02")
        made_by, = struct.unpack_from("<H", data, central + 4)
        attr, = struct.unpack_from("<I", data, central + 38)
        self.assertEqual((0, 0x20), (made_by >> 8, attr), "made on MS-DOS, archive attribute only")

        out = self.tmp / "out"
        zipfile.ZipFile(path).extractall(out)
        self.assertEqual(release.windows_text(README_TXT, "x"), (out / "README.txt").read_bytes())
        check = subprocess.run(["sha256sum", "-c", "SHA256SUMS"], cwd=out, capture_output=True, text=True)
        self.assertEqual(0, check.returncode, check.stdout + check.stderr)
        self.assertEqual("Tallyglass.exe: OK\nREADME.txt: OK\n", check.stdout)

    def test_the_same_inputs_give_the_same_archive_in_another_folder_and_at_another_time(self):
        a, b = tree(self.tmp / "a"), tree(self.tmp / "b")
        os.utime(b / "Tallyglass.exe", (1e9, 1e9))
        za = release.make_archive(a, a / "Tallyglass.exe", self.tmp / "da").read_bytes()
        zb = release.make_archive(b, b / "Tallyglass.exe", self.tmp / "db").read_bytes()
        self.assertIsNone(release.first_difference(za, zb))
        self.assertEqual("2 and 3 bytes, first different byte at offset 0x1", release.first_difference(b"ab", b"aXc"))

    def test_mirror_updates_what_changed_and_keeps_the_copys_build_tree(self):
        src, dst = self.tmp / "src", self.tmp / "copy"
        tree(src)
        (src / "build").mkdir()
        (src / "build" / "obj").write_text("not a source")
        release.mirror(src, dst)
        self.assertFalse((dst / "build").exists(), "build output is no source")
        os.utime(dst / "README.md", (1e9, 1e9))
        (dst / "build").mkdir()
        (dst / "build" / "keep").write_text("the copy's own build")
        (src / "framework" / "Version.h").write_text(VERSION_H.replace("BUILD 7", "BUILD 8"))
        os.utime(src / "framework" / "Version.h", (1e9, 1e9))
        (src / "Tallyglass.exe").unlink()
        release.mirror(src, dst)
        changed = dst / "framework" / "Version.h"
        self.assertIn("BUILD 8", changed.read_text())
        self.assertGreater(changed.stat().st_mtime, time.time() - 600, "newer than what the copy built")
        self.assertFalse((dst / "Tallyglass.exe").exists(), "a removed source goes from the copy")
        self.assertEqual(1e9, (dst / "README.md").stat().st_mtime, "an unchanged file keeps its time")
        self.assertTrue((dst / "build" / "keep").exists())


def main():
    result = unittest.main(exit=False, verbosity=2).result
    failed = len(result.failures) + len(result.errors)
    passed = result.testsRun - failed - len(result.skipped)
    out = os.environ.get("TG_UNITTEST_JSON")
    if out:
        Path(out).write_text(json.dumps({"passed": passed, "failed": failed}) + "\n")
    return 0 if failed == 0 else 1


if __name__ == "__main__":
    sys.exit(main())
