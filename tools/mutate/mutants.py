"""The small changes the mutation run makes to a C++ source file, one at a time.

Works line by line on a copy of each line in which comments, string and character
literals are blanked out, so nothing inside them is changed. Binary operators are only
changed where they stand between blanks (the house layout), which keeps template
brackets, `->` and pointer declarators out. A change that does not compile is counted
apart ("not built"), never as caught.
"""
import re
from dataclasses import dataclass

# Lines never changed: nothing runs there, or what runs only checks or reports.
SKIP_CALL = re.compile(r"\b(assert|static_assert|Log\w*|Trace\w*|TraceStartup|OutputDebugString\w*|"
                       r"TG_DECLARE_CLASS|TG_TRACE\w*)\s*\(")
# A line that only sets aside room (out.reserve(n + 1);): changing it changes no result.
CAPACITY_HINT = re.compile(r"^\s*[\w.>\-\[\]]+\.reserve\(.*\);\s*$")
# First words of a line that make removing it a declaration change, not a statement removal.
DECL_START = re.compile(r"^\s*(const|constexpr|static|auto|unsigned|signed|int|char|bool|float|double|"
                        r"size_t|u?int\d+_t|std::|T[A-Z]\w*\b|struct|class|enum|using|typedef|namespace|"
                        r"template|return|case|default|public|private|protected|goto|else|if|for|while|do|"
                        r"switch|try|catch|throw|inline|extern|friend|virtual|explicit|operator|[{}])")

REL_SWAP = {"<": "<=", "<=": "<", ">": ">=", ">=": ">", "==": "!=", "!=": "=="}
ARITH_SWAP = {"+": "-", "-": "+", "*": "/", "/": "*", "%": "*", "+=": "-=", "-=": "+=", "*=": "/=",
              "/=": "*=", "&&": "||", "||": "&&"}
BINARY = re.compile(r"(?<= )(<=|>=|==|!=|<|>|\+=|-=|\*=|/=|&&|\|\||\+|-|\*|/|%)(?= )")
INT_LITERAL = re.compile(r"(?<![\w.'])(0[xX][0-9a-fA-F']+|\d[\d']*)([uUlL]*)(?![\w.'])")
BOOL_LITERAL = re.compile(r"\b(true|false)\b")
UNARY_MINUS = re.compile(r"(?:(?<=[(,={\[?:])|(?<=[(,={\[?:] )|(?<=return ))-(?=[\w(])")
NOT_OP = re.compile(r"!(?!=)")
COND_HEAD = re.compile(r"\b(if|while)\s*\(")
RETURN_VALUE = re.compile(r"\breturn\s+(.+);\s*$")
TRIVIAL_RETURNS = {"false", "0", "nullptr", "std::nullopt", "{}", '""', "0u", "0.0", "0.0f", "0.f", "std::string()"}


@dataclass
class Mutant:
    line: int          # 1-based
    start: int         # column span replaced in the line (0-based, end exclusive)
    end: int
    replacement: str
    kind: str          # rel, arith, sign, const, bool, cond, stmt, return
    what: str          # "`<` -> `<=`" and the like, stable across edits elsewhere

    def apply(self, lines):
        out = list(lines)
        text = out[self.line - 1]
        out[self.line - 1] = text[:self.start] + self.replacement + text[self.end:]
        return out


def mask_lines(lines):
    """Each line with comments and literals blanked (same length), and whether the line holds
    any code outside them."""
    masked, in_block = [], False
    for text in lines:
        out, i, n = [], 0, len(text)
        while i < n:
            c = text[i]
            if in_block:
                j = text.find("*/", i)
                if j < 0:
                    out.append(" " * (n - i))
                    i = n
                else:
                    out.append(" " * (j + 2 - i))
                    i, in_block = j + 2, False
            elif text.startswith("//", i):
                out.append(" " * (n - i))
                i = n
            elif text.startswith("/*", i):
                in_block = True
                out.append("  ")
                i += 2
            elif c == 'R' and text.startswith('R"', i) and (i == 0 or not (text[i - 1].isalnum() or text[i - 1] == '_')):
                # Raw string on one line: R"delim( ... )delim"
                m = re.match(r'R"([^()\\ ]{0,16})\(', text[i:])
                close = text.find(")" + m.group(1) + '"', i) if m else -1
                end = n if close < 0 else close + len(m.group(1)) + 2
                out.append('R"' + " " * (end - i - 3) + '"')
                i = end
            elif c in "\"'":
                # An apostrophe between digits is a digit separator.
                if c == "'" and i > 0 and text[i - 1].isalnum() and i + 1 < n and text[i + 1].isalnum() \
                        and re.match(r"[0-9a-fA-F]", text[i - 1]):
                    out.append(c)
                    i += 1
                    continue
                j = i + 1
                while j < n and text[j] != c:
                    j += 2 if text[j] == "\\" else 1
                j = min(j + 1, n)
                out.append(c + " " * (j - i - 2) + (c if j - i >= 2 else ""))
                i = j
            else:
                out.append(c)
                i += 1
        masked.append("".join(out)[:n].ljust(n))
    return masked


def _match_paren(s, open_at):
    depth = 0
    for j in range(open_at, len(s)):
        if s[j] == "(":
            depth += 1
        elif s[j] == ")":
            depth -= 1
            if depth == 0:
                return j
    return -1


def _ordinal(counts, key):
    counts[key] = counts.get(key, 0) + 1
    return counts[key]


def line_mutants(number, text, code, starts_statement):
    """The changes of one line. text: the line; code: the line masked."""
    found, seen = [], {}

    def add(start, end, repl, kind, label):
        n = _ordinal(seen, label)
        found.append(Mutant(number, start, end, repl, kind, label + (f" (#{n})" if n > 1 else "")))

    stripped = code.strip()
    in_for_head = bool(re.match(r"\s*for\s*\(", code))

    for m in BINARY.finditer(code):
        op = m.group(1)
        if op in REL_SWAP:
            add(m.start(), m.end(), REL_SWAP[op], "rel", f"`{op}` -> `{REL_SWAP[op]}`")
        elif op in ARITH_SWAP:
            add(m.start(), m.end(), ARITH_SWAP[op], "arith", f"`{op}` -> `{ARITH_SWAP[op]}`")
    if not in_for_head:
        for m in re.finditer(r"\+\+|--", code):
            other = "--" if m.group() == "++" else "++"
            add(m.start(), m.end(), other, "arith", f"`{m.group()}` -> `{other}`")
    for m in UNARY_MINUS.finditer(code):
        add(m.start(), m.end(), "", "sign", "unary `-` removed")
    for m in INT_LITERAL.finditer(code):
        if code[:m.start()].rstrip().endswith(("#", "[")) and code[m.end():].lstrip().startswith("]") \
                and DECL_START.match(code):
            continue  # an array bound in a declaration only changes what fails to compile
        digits = m.group(1).replace("'", "")
        value = int(digits, 16) if digits[:2].lower() == "0x" else int(digits, 10)
        suffix = m.group(2)
        for delta in (1, -1):
            v = value + delta
            if v < 0:
                continue
            lit = (hex(v) if digits[:2].lower() == "0x" else str(v)) + suffix
            add(m.start(), m.end(), lit, "const", f"`{m.group()}` -> `{lit}`")
    for m in BOOL_LITERAL.finditer(code):
        other = "false" if m.group() == "true" else "true"
        add(m.start(), m.end(), other, "bool", f"`{m.group()}` -> `{other}`")
    for m in COND_HEAD.finditer(code):
        open_at = m.end() - 1
        close = _match_paren(code, open_at)
        if close > open_at + 1:
            inner = text[open_at + 1:close]
            add(open_at + 1, close, "!(" + inner + ")", "cond", f"`{m.group(1)}` condition negated")
    for m in NOT_OP.finditer(code):
        add(m.start(), m.end(), "", "cond", "`!` removed")
    r = RETURN_VALUE.search(code)
    if r and r.group(1).strip() not in TRIVIAL_RETURNS:
        add(r.start(1), r.end(1), "{}", "return", "return value replaced by `{}`")
    if starts_statement and stripped.endswith(";") and not DECL_START.match(code) \
            and code.count("(") == code.count(")"):
        lead = len(code) - len(code.lstrip())
        add(lead, len(text.rstrip()), ";", "stmt", "statement removed")
    elif starts_statement and re.match(r"\s*(break|continue)\s*;", code):
        lead = len(code) - len(code.lstrip())
        add(lead, len(text.rstrip()), ";", "stmt", "statement removed")
    return found


def generate(source_text, line_range=None):
    """All changes of a file, and how many lines were left out (and why)."""
    lines = source_text.split("\n")
    masked = mask_lines(lines)
    mutants, skipped = [], {"comment or blank": 0, "preprocessor": 0, "assert or logging": 0, "reserve": 0}
    previous_end = ";"
    for i, (text, code) in enumerate(zip(lines, masked), start=1):
        stripped = code.strip()
        if not stripped:
            skipped["comment or blank"] += 1
            continue
        if stripped.startswith("#"):
            skipped["preprocessor"] += 1
            continue
        starts_statement = previous_end in ";{}:"
        previous_end = stripped[-1]
        if SKIP_CALL.search(code):
            skipped["assert or logging"] += 1
            continue
        if CAPACITY_HINT.match(code):
            skipped["reserve"] += 1
            continue
        if line_range and not (line_range[0] <= i <= line_range[1]):
            continue
        mutants.extend(line_mutants(i, text, code, starts_statement))
    return mutants, skipped
