#!/usr/bin/env python3
"""A sample of single-point mutants of the check core (check/, sysinfo/):
each mutant changes one operator or number on one line, is built into the
native unit tests (build/mutation) and counts as killed when a test fails.
Mutants that do not compile are drawn again. Prints the survivors.
  python3 tools/mutation-sample.py [--count 45] [--seed 24]"""
import argparse
import random
import re
import subprocess
from pathlib import Path

ROOT = Path(__file__).resolve().parents[1]
BUILD = ROOT / "build" / "mutation"
SWAPS = {"<=": "<", "<": "<=", ">=": ">", ">": ">=", "==": "!=", "!=": "==", "&&": "||",
         "||": "&&", "+": "-", "-": "+", "true": "false", "false": "true"}
TOKEN = re.compile(r"<=|>=|==|!=|&&|\|\||(?<![<>=!+\-*/&|])[<>+\-](?![<>=+\-&|])|\btrue\b|"
                   r"\bfalse\b|\b0x[0-9A-Fa-f]+\b|\b\d+\b")


def code_spans(line):
    """The parts of a line outside strings, characters and comments."""
    spans, start, quote, i = [], 0, None, 0
    while i < len(line):
        c = line[i]
        if quote:
            if c == "\\":
                i += 1
            elif c == quote:
                quote, start = None, i + 1
        elif c in "\"'":
            spans.append((start, i))
            quote = c
        elif line.startswith("//", i):
            break
        i += 1
    if not quote:
        spans.append((start, i))
    return spans


def sites():
    found = []
    for path in sorted(list((ROOT / "check").glob("*.[ch]*")) + list((ROOT / "sysinfo").glob("*"))):
        for number, line in enumerate(path.read_text().splitlines()):
            if line.lstrip().startswith(("#include", "//", "*")) or "GCOVR_EXCL" in line:
                continue
            for begin, end in code_spans(line):
                for match in TOKEN.finditer(line, begin, end):
                    found.append((path, number, match.start(), match.group()))
    return found


def replacement(token, rng):
    if token in SWAPS:
        return SWAPS[token]
    value = int(token, 0)
    return str(value + rng.choice([1, -1]) if value else 1)


def killed(path, lines, number, column, token, new):
    original = lines[number]
    mutated = list(lines)
    mutated[number] = original[:column] + new + original[column + len(token):]
    path.write_text("\n".join(mutated) + "\n")
    try:
        build = subprocess.run(["cmake", "--build", str(BUILD)], capture_output=True)
        if build.returncode:
            return None
        tests = subprocess.run(["ctest", "--test-dir", str(BUILD), "--stop-on-failure"],
                               capture_output=True, timeout=300)
        return tests.returncode != 0
    except subprocess.TimeoutExpired:
        return True
    finally:
        path.write_text("\n".join(lines) + "\n")


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--count", type=int, default=45)
    parser.add_argument("--seed", type=int, default=24)
    args = parser.parse_args()
    subprocess.run(["cmake", "-S", str(ROOT), "-B", str(BUILD), "-DCMAKE_BUILD_TYPE=Debug"],
                   check=True, capture_output=True)
    subprocess.run(["cmake", "--build", str(BUILD)], check=True, capture_output=True)
    rng = random.Random(args.seed)
    candidates = sites()
    rng.shuffle(candidates)
    kills, survivors, tried = 0, [], 0
    for path, number, column, token in candidates:
        if tried == args.count:
            break
        lines = path.read_text().splitlines()
        new = replacement(token, rng)
        result = killed(path, lines, number, column, token, new)
        if result is None:
            continue
        tried += 1
        where = "%s:%d: %s -> %s" % (path.relative_to(ROOT), number + 1, token, new)
        print(("killed   " if result else "SURVIVED ") + where, flush=True)
        kills += result
        if not result:
            survivors.append(where)
    subprocess.run(["cmake", "--build", str(BUILD)], capture_output=True)
    print("%d of %d killed" % (kills, tried))
    for where in survivors:
        print("survivor: " + where)


if __name__ == "__main__":
    main()
