#!/usr/bin/env python3
"""tests/e2e/run_e2e.py: runs every tests/e2e/test_*.py, prints one line per test, a final
`e2e: N passed, N failed` line, and writes build/test-results/e2e.json for scripts/test.

Arguments, if any, are test name patterns (unittest -k), e.g. `run_e2e.py MainWindow`.
"""

import json
import signal
import sys
import time
import unittest
from pathlib import Path

HERE = Path(__file__).resolve().parent
sys.path.insert(0, str(HERE))

import e2elib  # noqa: E402  (after the path set-up above)


class LineResult(unittest.TextTestResult):
    """Prints `PASS|FAIL|ERROR|SKIP name (seconds)` per test and keeps the counts."""

    def __init__(self, *args, **kwargs):
        super().__init__(*args, **kwargs)
        self.passed = 0
        self.started = 0.0

    def startTest(self, test):
        self.started = time.monotonic()
        unittest.TestResult.startTest(self, test)

    def _line(self, status, test, detail=""):
        took = time.monotonic() - self.started if self.started else 0.0
        self.stream.write(f"{status:5} {test.id()} ({took:.1f} s){detail}\n")
        self.stream.flush()

    def addSuccess(self, test):
        unittest.TestResult.addSuccess(self, test)
        self.passed += 1
        self._line("PASS", test)

    def addFailure(self, test, err):
        unittest.TestResult.addFailure(self, test, err)
        self._line("FAIL", test)

    def addError(self, test, err):
        unittest.TestResult.addError(self, test, err)
        self._line("ERROR", test)

    def addSkip(self, test, reason):
        unittest.TestResult.addSkip(self, test, reason)
        self._line("SKIP", test, f": {reason}")

    def addExpectedFailure(self, test, err):
        unittest.TestResult.addExpectedFailure(self, test, err)
        self.passed += 1
        self._line("PASS", test, " (expected failure)")

    def addUnexpectedSuccess(self, test):
        unittest.TestResult.addUnexpectedSuccess(self, test)
        self._line("FAIL", test, " (unexpected success)")

    def addSubTest(self, test, subtest, err):
        # A failing subtest is reported under its parent test; the parent then counts once.
        if err is not None:
            self._line("FAIL", subtest)
        super().addSubTest(test, subtest, err)

    def printErrors(self):
        self.stream.write("\n")
        super().printErrors()


def main(argv):
    # A terminated run unwinds like Ctrl-C, so the harness still ends Xvfb and Wine.
    signal.signal(signal.SIGTERM, signal.default_int_handler)
    signal.signal(signal.SIGHUP, signal.default_int_handler)
    loader = unittest.TestLoader()
    if argv:
        loader.testNamePatterns = [p if "*" in p else f"*{p}*" for p in argv]
    suite = loader.discover(str(HERE), pattern="test_*.py", top_level_dir=str(HERE))
    runner = unittest.TextTestRunner(stream=sys.stdout, verbosity=0, resultclass=LineResult)
    result = runner.run(suite)

    # A test with failing subtests counts once; a class whose set-up failed counts once.
    failed_ids = {_parent_id(t) for t, _ in result.failures + result.errors}
    failed = len(failed_ids) + len(result.unexpectedSuccesses)
    passed = result.passed
    summary = {"passed": passed, "failed": failed, "skipped": len(result.skipped)}
    out = e2elib.BUILD / "test-results" / "e2e.json"
    out.parent.mkdir(parents=True, exist_ok=True)
    out.write_text(json.dumps(summary) + "\n")
    if summary["skipped"]:
        print(f"e2e: {summary['skipped']} skipped")
    print(f"e2e: {passed} passed, {failed} failed")
    return 0 if failed == 0 else 1


def _parent_id(test):
    parent = getattr(test, "test_case", None)  # set on subtests
    return (parent or test).id()


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
