#!/usr/bin/env python3
"""Self-test of the change generator on a tiny fixture: run with python3 tools/mutate/test_mutants.py."""
import os
import sys
import unittest

sys.dont_write_bytecode = True  # nothing written beside the sources
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from mutants import generate  # noqa: E402

FIXTURE = r'''// a comment with a < b and 1
#include <vector>
int F(int a, int b) /* block < 2 */
{
    assert(a < 3);
    const char* s = "x < y, 7";
    if (a < b && !Flag()) return -a;
    std::vector<int> v;
    Count(a);
    return a * 2;
}
'''


class GeneratorTest(unittest.TestCase):
    def setUp(self):
        self.mutants, self.skipped = generate(FIXTURE)
        self.by_line = {}
        for m in self.mutants:
            self.by_line.setdefault(m.line, []).append(m.what)

    def test_skips_comments_preprocessor_and_asserts(self):
        self.assertEqual({"comment or blank": 2, "preprocessor": 1, "assert or logging": 1, "reserve": 0}, self.skipped)
        for line in (1, 2, 3, 5):
            self.assertNotIn(line, self.by_line, f"line {line}")

    def test_skips_capacity_hints(self):
        mutants, skipped = generate("void F(std::string& s, int n)\n{\n    s.reserve(n + 1);\n}\n")
        self.assertEqual(1, skipped["reserve"])
        self.assertEqual([], [m.what for m in mutants])

    def test_leaves_literals_and_templates_alone(self):
        self.assertEqual([], self.by_line.get(6, []), "only a string literal to change")
        self.assertEqual([], self.by_line.get(8, []), "template brackets are not comparisons")

    def test_changes_of_one_line(self):
        self.assertEqual(["`<` -> `<=`", "`&&` -> `||`", "unary `-` removed", "`if` condition negated",
                          "`!` removed", "return value replaced by `{}`"], self.by_line[7])
        self.assertEqual(["statement removed"], self.by_line[9])
        self.assertEqual(["`*` -> `/`", "`2` -> `3`", "`2` -> `1`", "return value replaced by `{}`"],
                         self.by_line[10])

    def test_applied_change(self):
        m = next(m for m in self.mutants if m.line == 7 and m.kind == "cond" and "negated" in m.what)
        self.assertEqual("    if (!(a < b && !Flag())) return -a;", m.apply(FIXTURE.split("\n"))[6])


if __name__ == "__main__":
    unittest.main()
