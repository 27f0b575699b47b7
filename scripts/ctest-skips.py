#!/usr/bin/env python3
"""Lists what a ctest run did not run, with the reason each gave.

    ctest-skips.py LAST-TEST-LOG CTEST-OUTPUT [COUNT-FILE]

LAST-TEST-LOG is ctest's Testing/Temporary/LastTest.log, which keeps every
test's whole output (but calls a skipped test passed); CTEST-OUTPUT is what
ctest printed, whose closing list names the tests it skipped. Printed, one a
line:
  - a test ctest reports as skipped (its SKIP_RETURN_CODE), with the last
    line of its output that says why ("...skipped..." or "skipped: ...");
  - a GoogleTest case skipped inside a test program that passed
    ("[  SKIPPED ] Suite.Case"), with the message GTEST_SKIP gave, and a part
    of an end-to-end case left unchecked ("[  SKIPPED ] what: why").
COUNT-FILE, when given, receives the number of whole tests skipped, which
the runner takes off the passed count (ctest counts them as passed).
"""
import re
import sys


def blocks(text):
    # Each test's record: "N/M Testing: NAME" ... "Test Passed." / "Test Failed."
    # or a skip; the output lies between "Output:" rules.
    for match in re.finditer(r"^\d+/\d+ Testing: (.+?)\n(.*?)(?=^\d+/\d+ Testing: |\Z)",
                             text, re.S | re.M):
        yield match.group(1).strip(), match.group(2)


def reason_of(output):
    lines = [l.strip() for l in output.splitlines() if l.strip()]
    lines = [l for l in lines if not set(l) <= set("-") and not l.startswith(("Test time", "Test Skipped",
             "<end of output>", "Output:", "Directory:", "Command:", '"'))]
    for line in reversed(lines):
        if "skip" in line.lower():
            return line
    return lines[-1] if lines else "(gave no reason)"


def skipped_by_ctest(output):
    """The names in ctest's closing "The following tests did not run:" list."""
    return set(re.findall(r"^\s*\d+ - (.+?) \((?:Skipped|Disabled)\)\s*$", output, re.M))


def main():
    text = open(sys.argv[1], encoding="utf-8", errors="replace").read()
    whole = skipped_by_ctest(open(sys.argv[2], encoding="utf-8", errors="replace").read())
    for name, body in blocks(text):
        if name in whole:
            print(f"  {name}: {reason_of(body)}")
            continue
        if "Test Passed" not in body:
            continue
        # GoogleTest cases skipped inside a program that passed.
        lines = body.splitlines()
        seen = set()
        for i, line in enumerate(lines):
            m = re.match(r"\[  SKIPPED \] ([^\s:]+)(?: \(\d+ ms\))?(?:: (.+))?$", line.strip())
            if not m or m.group(1) in seen:
                continue
            seen.add(m.group(1))
            if m.group(2):  # an end-to-end check's part: "[  SKIPPED ] what: why"
                print(f"  {name} › {m.group(1)}: {m.group(2)}")
                continue
            why = ""
            for back in range(i - 1, max(i - 6, -1), -1):
                prev = lines[back].strip()
                if prev.startswith("[ RUN      ]"):
                    break
                if prev and not prev.endswith("Skipped") and not prev.startswith("["):
                    why = prev
            print(f"  {name} › {m.group(1)}: {why or '(gave no reason)'}")
    if len(sys.argv) > 3:
        open(sys.argv[3], "w").write(f"{len(whole)}\n")


if __name__ == "__main__":
    main()
