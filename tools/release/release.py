#!/usr/bin/env python3
"""The release archive and the helpers of scripts/package.

Usage:
  release.py version ROOT              prints the version text of ROOT/framework/Version.h
  release.py archive ROOT EXE OUTDIR   writes OUTDIR/Tallyglass-<version>.zip; prints its path
  release.py mirror ROOT DEST          makes DEST a copy of the sources of ROOT (not build/, dist/)
  release.py compare A B               exits 1, naming the first difference, unless A and B are equal

The archive is what a Windows 95/98 user unpacks with the tools of the day: three files
without folders, ASCII names, deflated, every date the release date of Version.h, always in
the same order, so the same inputs give the same bytes. README.txt is the user part of
README.md (everything above the line USER_PART_END) as plain text for Notepad: code page
1252, CR LF line ends, paragraphs wrapped to 76 columns, pictures left out.
"""
import hashlib
import os
import re
import shutil
import sys
import textwrap
import zipfile
from pathlib import Path

PRODUCT_EXE = "Tallyglass.exe"
USER_PART_END = "<!-- README.txt ends here -->"
WIDTH = 76
# Folders of a working tree that are not sources: what the build and the package write.
NOT_SOURCES = {".git", "build", "dist"}


def read_version(root):
    """(version text, (year, month, day)) from framework/Version.h."""
    text = (Path(root) / "framework" / "Version.h").read_text(encoding="ascii")

    def define(name, pattern):
        m = re.search(rf"^#define {name} {pattern}\s*$", text, re.M)
        if not m:
            raise ValueError(f"framework/Version.h defines no {name}")
        return m.group(1)

    number = ".".join(define(f"TG_VERSION_{part}", r"(\d+)") for part in ("MAJOR", "MINOR", "RELEASE", "BUILD"))
    month, day, year = _date(define("TG_VERSION_DATE", r'"(\d\d/\d\d/\d{4})"'))
    return number, (year, month, day)


def _date(text):
    month, day, year = (int(x) for x in text.split("/"))
    if not (1 <= month <= 12 and 1 <= day <= 31 and 1980 <= year <= 2107):
        raise ValueError(f"TG_VERSION_DATE {text!r} is no date a ZIP archive can hold")
    return month, day, year


# --- README.txt ------------------------------------------------------------------------------

def _inline(line):
    """Markdown inline marks as plain text: `code` and **bold** lose their marks, a link keeps
    its text and, unless it points inside the repository, its address in brackets."""
    line = re.sub(r"\[([^\]]+)\]\(([^)]+)\)",
                  lambda m: m.group(1) if "://" not in m.group(2) else f"{m.group(1)} ({m.group(2)})", line)
    return line.replace("`", "").replace("**", "")


def _blocks(lines):
    """Splits Markdown lines into (kind, lines) blocks: heading1, heading2, code, item, text."""
    blocks, i = [], 0
    while i < len(lines):
        line = lines[i]
        if not line.strip():
            i += 1
        elif line.startswith("    "):
            j = i
            while j < len(lines) and (lines[j].startswith("    ") or not lines[j].strip()):
                j += 1
            while not lines[j - 1].strip():
                j -= 1
            blocks.append(("code", lines[i:j]))
            i = j
        elif line.startswith("#"):
            level = len(line) - len(line.lstrip("#"))
            blocks.append((f"heading{min(level, 2)}", [line.lstrip("#").strip()]))
            i += 1
        else:
            kind = "item" if re.match(r"(- |\d+\. )", line) else "text"
            j = i + 1
            # A paragraph or item goes on until a blank line, a heading or the next item.
            while j < len(lines) and lines[j].strip() and not lines[j].startswith("#") \
                    and not re.match(r"(- |\d+\. )", lines[j]):
                j += 1
            blocks.append((kind, lines[i:j]))
            i = j
    return blocks


def readme_text(markdown):
    """The user part of README.md as the text of README.txt (str, LF line ends)."""
    if USER_PART_END not in markdown:
        raise ValueError(f"README.md has no line {USER_PART_END}")
    part = markdown.split(USER_PART_END, 1)[0]
    part = re.sub(r"<!--.*?-->", "", part, flags=re.S)
    lines = [x.rstrip() for x in part.splitlines() if not re.fullmatch(r"\s*!\[[^\]]*\]\([^)]*\)\s*", x)]
    out, previous = "", None
    for kind, block in _blocks(lines):
        if kind == "code":
            text = "\n".join(x[2:] for x in block)
        elif kind.startswith("heading"):
            title = _inline(block[0])
            text = title + "\n" + ("=" if kind == "heading1" else "-") * len(title)
        else:
            words = " ".join(_inline(x.strip()) for x in block)
            marker = re.match(r"(- |\d+\. )", words) if kind == "item" else None
            hang = " " * len(marker.group(1)) if marker else ""
            text = textwrap.fill(words, WIDTH, subsequent_indent=hang, break_long_words=False,
                                 break_on_hyphens=False)
        # The items of one list stand on consecutive lines; every other block is a paragraph.
        out += ("" if previous is None else "\n" if kind == previous == "item" else "\n\n") + text
        previous = kind
    return out + "\n"


def windows_text(text, what):
    """Text as Windows 95/98 Notepad reads it: code page 1252 and CR LF. A character the code
    page lacks is an error naming its line, not a question mark in the archive."""
    for number, line in enumerate(text.split("\n"), 1):
        try:
            line.encode("cp1252")
        except UnicodeEncodeError as e:
            raise ValueError(f"{what}, line {number}: {line[e.start]!r} has no place in code page 1252") from None
    return text.replace("\n", "\r\n").encode("cp1252")


# --- the archive ---------------------------------------------------------------------------

def sha256sums(files):
    """SHA256SUMS as sha256sum -c reads it (it accepts CR LF too): "<hex>  <name>" lines."""
    return "".join(f"{hashlib.sha256(data).hexdigest()}  {name}\r\n" for name, data in files).encode("ascii")


def write_archive(path, files, date):
    """A ZIP of (name, bytes) in the given order, deflated, each dated date at noon, MS-DOS
    made with the archive attribute, no folders, no extra fields and no comment."""
    with zipfile.ZipFile(path, "w") as z:
        for name, data in files:
            if not re.fullmatch(r"[A-Za-z0-9._-]+", name):
                raise ValueError(f"{name!r}: archive names are plain ASCII without folders")
            info = zipfile.ZipInfo(name, date_time=(*date, 12, 0, 0))
            info.compress_type = zipfile.ZIP_DEFLATED
            info.create_system = 0
            info.external_attr = 0x20
            z.writestr(info, data, compresslevel=9)


def make_archive(root, exe, outdir):
    root = Path(root)
    version, (year, month, day) = read_version(root)
    readme = windows_text(readme_text((root / "README.md").read_text(encoding="utf-8")), "README.md")
    files = [(PRODUCT_EXE, Path(exe).read_bytes()), ("README.txt", readme)]
    files.append(("SHA256SUMS", sha256sums(files)))
    outdir = Path(outdir)
    outdir.mkdir(parents=True, exist_ok=True)
    target = outdir / f"Tallyglass-{version}.zip"
    tmp = target.with_name(target.name + ".tmp")
    write_archive(tmp, files, (year, month, day))
    os.replace(tmp, target)
    return target


# --- the second tree of the check ----------------------------------------------------------

def source_files(root):
    """Relative paths of every file of the working tree but the folders in NOT_SOURCES."""
    root = Path(root)
    found = []
    for folder, dirs, files in os.walk(root):
        rel = Path(folder).relative_to(root)
        if rel == Path("."):
            dirs[:] = [d for d in dirs if d not in NOT_SOURCES]
        dirs.sort()
        found += [rel / f for f in sorted(files)]
    return found


def mirror(root, dest):
    """Makes dest hold the same sources as root. Unchanged files are left alone and a changed
    one is written now, whatever its time in root, so that a build tree inside dest (dest/build
    is kept) rebuilds exactly what changed."""
    root, dest = Path(root), Path(dest)
    wanted = set(source_files(root))
    for rel in wanted:
        src, dst = root / rel, dest / rel
        if dst.is_file() and dst.stat().st_size == src.stat().st_size and dst.read_bytes() == src.read_bytes():
            continue
        dst.parent.mkdir(parents=True, exist_ok=True)
        shutil.copy(src, dst)
    if dest.exists():
        for rel in source_files(dest):
            if rel not in wanted:
                (dest / rel).unlink()


def first_difference(a, b):
    """None when equal, else a sentence on where a and b first differ."""
    if a == b:
        return None
    at = next((i for i, (x, y) in enumerate(zip(a, b)) if x != y), min(len(a), len(b)))
    return f"{len(a)} and {len(b)} bytes, first different byte at offset {at:#x}"


def main(argv):
    if len(argv) == 2 and argv[0] == "version":
        print(read_version(argv[1])[0])
    elif len(argv) == 4 and argv[0] == "archive":
        print(make_archive(*argv[1:]))
    elif len(argv) == 3 and argv[0] == "mirror":
        mirror(*argv[1:])
    elif len(argv) == 3 and argv[0] == "compare":
        why = first_difference(Path(argv[1]).read_bytes(), Path(argv[2]).read_bytes())
        if why:
            print(f"{argv[1]} and {argv[2]} differ: {why}", file=sys.stderr)
            return 1
        print(f"same bytes: {argv[1]} and {argv[2]}")
    else:
        print(__doc__, file=sys.stderr)
        return 2
    return 0


if __name__ == "__main__":
    try:
        sys.exit(main(sys.argv[1:]))
    except (OSError, ValueError) as e:
        print(f"release.py: {e}", file=sys.stderr)
        sys.exit(1)
