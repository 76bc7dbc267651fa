#!/usr/bin/env python3
"""Mutation run over portable sources: how many small changes of a file do its tests catch?

Usage: tools/mutate/mutate.py [options] FILE...

For each FILE (a portable source or header, relative to the repository), the tool finds the
native test programs of the build tree that contain its code, then, one change at a time,
writes the changed file, rebuilds those programs with Ninja (only the changed object is
compiled, the programs are relinked), runs them with a time limit and records whether one
failed. The file is put back however the run ends (Ctrl-C and SIGTERM included); a file with
uncommitted changes is refused.

Which tests cover a file: every object whose Ninja dependency record names the file; every
executable built from such an object directly; and, for an object archived in a static
library, every executable linking that library whose symbol table holds one of the object's
own strong symbols (a static link pulls the whole object in or nothing). Of those, the ones
CTest registers are run, the one whose name holds the file's name first.

Prints a table per file (tried, caught, survived, timed out, not built, equivalent) and every
survivor with file, line and change. Survivors listed in tools/mutate/equivalent.txt (with the
reason the change cannot alter behaviour) are counted apart.

Run it under `nice -n 19`: a 250-line file is one to two hundred rebuilds.
"""
import argparse
import json
import os
import re
import shutil
import signal
import subprocess
import sys
import time

sys.dont_write_bytecode = True  # nothing written beside the sources
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from mutants import generate  # noqa: E402

HERE = os.path.dirname(os.path.abspath(__file__))
EQUIVALENT_FILE = os.path.join(HERE, "equivalent.txt")


class Refused(Exception):
    pass


class Interrupted(Exception):
    """Ctrl-C or SIGTERM during a file: carries what was measured so far."""

    def __init__(self, report):
        super().__init__("interrupted")
        self.report = report


def run(cmd, cwd=None, env=None, timeout=None):
    return subprocess.run(cmd, cwd=cwd, env=env, timeout=timeout, stdout=subprocess.PIPE,
                          stderr=subprocess.STDOUT, text=True, errors="replace")


def repo_root():
    out = run(["git", "rev-parse", "--show-toplevel"], cwd=HERE)
    return out.stdout.strip()


def check_clean(root, rel):
    out = run(["git", "status", "--porcelain", "--", rel], cwd=root)
    if out.returncode != 0:
        raise Refused(f"git status failed for {rel}: {out.stdout.strip()}")
    if out.stdout.strip():
        raise Refused(f"{rel} has uncommitted changes; commit or restore it first")


def ninja_deps(build):
    """object -> set of real paths of its inputs, from Ninja's dependency log."""
    out = run(["ninja", "-C", build, "-t", "deps"])
    deps, current = {}, None
    for line in out.stdout.splitlines():
        if not line.strip():
            current = None
        elif not line.startswith(" "):
            current = line.split(":")[0]
            deps[current] = set()
        elif current:
            p = line.strip()
            deps[current].add(os.path.realpath(p if os.path.isabs(p) else os.path.join(build, p)))
    return deps


def ninja_outputs(build, target):
    """The targets built directly from target (Ninja's `-t query` outputs)."""
    out = run(["ninja", "-C", build, "-t", "query", target])
    outputs, section = [], None
    for line in out.stdout.splitlines():
        s = line.strip()
        if s in ("input:", "outputs:", "validations:"):
            section = s
        elif s.endswith(":") and not line.startswith(" "):
            section = None
        elif section == "outputs:" and s:
            outputs.append(s)
    return outputs


def strong_symbols(path):
    out = run(["nm", "--defined-only", "-g", path])
    return {parts[2] for parts in (l.split() for l in out.stdout.splitlines())
            if len(parts) == 3 and parts[1] in "TDBR"}


def ctest_programs(build):
    """Absolute path of each program CTest runs -> test name."""
    out = run(["ctest", "--test-dir", build, "--show-only=json-v1"])
    programs = {}
    for test in json.loads(out.stdout).get("tests", []):
        cmd = test.get("command") or []
        if cmd:
            programs[os.path.realpath(cmd[0])] = test["name"]
    return programs


def covering_tests(root, build, rel):
    target = os.path.realpath(os.path.join(root, rel))
    objects = [o for o, ins in ninja_deps(build).items() if target in ins]
    if not objects:
        raise Refused(f"no object of {build} depends on {rel} (not built, or not portable)")
    programs = ctest_programs(build)
    exes = set()
    for obj in objects:
        for out in ninja_outputs(build, obj):
            if out.endswith(".a"):
                symbols = strong_symbols(os.path.join(build, obj))
                for exe in ninja_outputs(build, out):
                    full = os.path.realpath(os.path.join(build, exe))
                    if full in programs and os.path.exists(full) and symbols & strong_symbols(full):
                        exes.add(exe)
            elif os.path.realpath(os.path.join(build, out)) in programs:
                exes.add(out)
    stem = os.path.splitext(os.path.basename(rel))[0].lower()
    return objects, sorted(exes, key=lambda e: (stem not in os.path.basename(e).lower(), e))


def build_targets(build, targets, cache=True):
    env = dict(os.environ)
    if not cache:
        env["CCACHE_DISABLE"] = "1"  # mutants would only fill the shared cache
    return run(["ninja", "-C", build] + targets, env=env)


def run_tests(build, exes, limit):
    """'caught', 'timeout' or 'survived' (and which program decided)."""
    for exe in exes:
        proc = subprocess.Popen([os.path.join(build, exe), "--gtest_fail_fast", "--gtest_brief=1"],
                                cwd=build, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                                start_new_session=True)
        try:
            rc = proc.wait(timeout=limit[exe])
        except subprocess.TimeoutExpired:
            os.killpg(proc.pid, signal.SIGKILL)
            proc.wait()
            return "timeout", exe
        finally:
            if proc.poll() is None:
                os.killpg(proc.pid, signal.SIGKILL)
                proc.wait()
        if rc != 0:
            return "caught", exe
    return "survived", None


def load_equivalents():
    """(file, change, line text) -> reason."""
    known = {}
    if os.path.exists(EQUIVALENT_FILE):
        with open(EQUIVALENT_FILE, encoding="utf-8") as f:
            for line in f:
                if line.strip() and not line.startswith("#"):
                    parts = [p.strip() for p in line.rstrip("\n").split(" | ")]
                    if len(parts) == 4:
                        known[tuple(parts[:3])] = parts[3]
    return known


def mutate_file(root, build, rel, args, equivalents, restore_hook):
    path = os.path.join(root, rel)
    check_clean(root, rel)
    objects, exes = covering_tests(root, build, rel)
    if args.tests:
        exes = [e for e in exes if any(t in e for t in args.tests)]
    if not exes:
        raise Refused(f"no registered native test program contains the code of {rel}")
    with open(path, encoding="utf-8", newline="") as f:
        original = f.read()
    mutants, skipped = generate(original, args.lines)
    if args.kinds:
        mutants = [m for m in mutants if m.kind in args.kinds]
    kept = []  # verdicts of an earlier run that stand (tests were only sharpened since)
    if args.rerun:
        with open(args.rerun, encoding="utf-8") as f:
            earlier = {(r["line"], r["change"], r["source"]): r
                       for rep in json.load(f) if rep["file"] == rel for r in rep["mutants"]}
        lines_now = original.split("\n")
        fresh = []
        for m in mutants:
            r = earlier.get((m.line, m.what, lines_now[m.line - 1].strip()))
            if r and r["verdict"] in ("caught", "timeout", "not built"):
                kept.append(r)
            else:
                fresh.append(m)
        mutants = fresh
    print(f"\n== {rel}: {len(mutants)} changes; tests: {' '.join(os.path.basename(e) for e in exes)}", flush=True)

    base = build_targets(build, exes)
    if base.returncode != 0:
        raise Refused(f"the unchanged tree does not build:\n{base.stdout[-2000:]}")
    limit = {}
    for exe in exes:
        t0 = time.monotonic()
        verdict, _ = run_tests(build, [exe], {exe: 600})
        spent = time.monotonic() - t0
        if verdict != "survived":
            raise Refused(f"{exe} fails on the unchanged file")
        limit[exe] = max(args.timeout_factor * spent, spent + args.timeout_floor)

    lines = original.split("\n")
    results = list(kept)
    backup = os.path.join(build, "mutate-backup", rel.replace("/", "_"))
    os.makedirs(os.path.dirname(backup), exist_ok=True)
    shutil.copyfile(path, backup)

    def restore():
        with open(path, "w", encoding="utf-8", newline="") as f:
            f.write(original)

    restore_hook.append(restore)
    report = {"file": rel, "lines": len(original.splitlines()), "skipped": skipped, "tests": exes,
              "mutants": results}
    try:
        for n, m in enumerate(mutants, start=1):
            with open(path, "w", encoding="utf-8", newline="") as f:
                f.write("\n".join(m.apply(lines)))
            t0 = time.monotonic()
            if build_targets(build, exes, cache=False).returncode != 0:
                verdict, by = "not built", None
            else:
                verdict, by = run_tests(build, exes, limit)
            key = (rel, m.what, lines[m.line - 1].strip())
            if verdict == "survived" and key in equivalents:
                verdict = "equivalent"
            results.append({"file": rel, "line": m.line, "kind": m.kind, "change": m.what,
                            "source": lines[m.line - 1].strip(), "verdict": verdict,
                            "by": os.path.basename(by) if by else None,
                            "reason": equivalents.get(key)})
            if args.verbose or verdict == "survived":
                print(f"  [{n}/{len(mutants)}] {rel}:{m.line}: {m.what}: {verdict}"
                      f" ({time.monotonic() - t0:.1f} s)", flush=True)
    except KeyboardInterrupt:
        report["interrupted"] = True
        raise Interrupted(report) from None
    finally:
        restore()
        restore_hook.remove(restore)
    build_targets(build, exes)  # the tree matches the file again (cache hits)
    return report


def summary_row(report):
    counts = {k: 0 for k in ("caught", "survived", "timeout", "not built", "equivalent")}
    for r in report["mutants"]:
        counts[r["verdict"]] += 1
    tried = sum(counts.values()) - counts["not built"]
    judged = tried - counts["equivalent"]
    score = 100.0 * (counts["caught"] + counts["timeout"]) / judged if judged else 100.0
    return counts, tried, score


def print_table(reports):
    head = f"{'file':48} {'lines':>5} {'skip':>5} {'tried':>5} {'caught':>6} {'surv':>5} {'t/o':>4} " \
           f"{'equiv':>5} {'n/b':>4} {'score':>6}"
    print("\n" + head + "\n" + "-" * len(head))
    for rep in reports:
        c, tried, score = summary_row(rep)
        name = rep["file"] + (" (part)" if rep.get("interrupted") else "")
        print(f"{name:48} {rep['lines']:5} {sum(rep['skipped'].values()):5} {tried:5} {c['caught']:6} "
              f"{c['survived']:5} {c['timeout']:4} {c['equivalent']:5} {c['not built']:4} {score:5.1f}%")
    print("\nscore = (caught + timed out) / (tried - equivalent); n/b = did not compile, not counted;"
          " skip = comment, blank, preprocessor, assert, logging and reserve lines")
    survivors = [r for rep in reports for r in rep["mutants"] if r["verdict"] == "survived"]
    print(f"\nsurvivors ({len(survivors)}):")
    for r in survivors:
        print(f"  {r['file']}:{r['line']}: {r['change']}    | {r['source']}")


def parse_lines(s):
    a, _, b = s.partition("-")
    return int(a), int(b or a)


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    ap.add_argument("files", nargs="+", help="portable sources or headers, relative to the repository")
    ap.add_argument("--build", default="build/native", help="the native Ninja build tree (default build/native)")
    ap.add_argument("--json", help="also write every mutant and its verdict to this file")
    ap.add_argument("--lines", type=parse_lines, help="only lines A-B")
    ap.add_argument("--kinds", nargs="*", help="only these kinds: rel arith sign const bool cond stmt return")
    ap.add_argument("--tests", nargs="*", help="only covering programs whose path contains one of these")
    ap.add_argument("--timeout-factor", type=float, default=4.0, help="time limit as a multiple of the clean run")
    ap.add_argument("--timeout-floor", type=float, default=10.0, help="seconds added to the clean run at least")
    ap.add_argument("--rerun", help="JSON of an earlier run of the same source: only its survivors (and new"
                    " changes) are tried again, its other verdicts are kept; valid when tests were only added"
                    " or sharpened since")
    ap.add_argument("--list", action="store_true", help="only list the changes, build nothing")
    ap.add_argument("-v", "--verbose", action="store_true", help="print every verdict, not only survivors")
    args = ap.parse_args()

    root = repo_root()
    build = os.path.join(root, args.build) if not os.path.isabs(args.build) else args.build
    if args.list:
        for rel in args.files:
            with open(os.path.join(root, rel), encoding="utf-8") as f:
                ms, skipped = generate(f.read(), args.lines)
            for m in ms:
                if not args.kinds or m.kind in args.kinds:
                    print(f"{rel}:{m.line}: [{m.kind}] {m.what}")
            print(f"{rel}: {len(ms)} changes, skipped lines: {skipped}")
        return 0

    restore_hooks = []

    def on_signal(signum, _frame):
        signal.signal(signal.SIGINT, signal.SIG_IGN)  # let the restore finish
        signal.signal(signal.SIGTERM, signal.SIG_IGN)
        # Unwind through the finally blocks, which put the file back.
        raise KeyboardInterrupt(f"signal {signum}")

    signal.signal(signal.SIGINT, on_signal)
    signal.signal(signal.SIGTERM, on_signal)
    equivalents = load_equivalents()
    reports = []
    try:
        for rel in args.files:
            try:
                reports.append(mutate_file(root, build, rel, args, equivalents, restore_hooks))
            except Refused as e:
                print(f"{rel}: refused: {e}", file=sys.stderr)
                return 2
    except (KeyboardInterrupt, Interrupted) as e:
        for restore in list(restore_hooks):
            restore()
        if isinstance(e, Interrupted):
            reports.append(e.report)  # the changes tried so far
        print("\ninterrupted; files restored", file=sys.stderr)
        if reports:
            print_table(reports)
        return 130
    finally:
        if args.json and reports:
            with open(args.json, "w", encoding="utf-8") as f:
                json.dump(reports, f, indent=1)
    print_table(reports)
    return 0


if __name__ == "__main__":
    sys.exit(main())
