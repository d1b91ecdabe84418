#!/usr/bin/env python3
"""Prints the test command's closing line from what the test runners reported: the JUnit files
CTest wrote for the stages and for each suite a stage ran. A stage that builds (build.*) does
not count; a stage that ran a suite (suite.*) counts as the suite's own tests, one by one.

Usage: test_count.py <stages junit.xml> <suite junit.xml>...
Exit status 1 when any test failed or was not run."""
import sys
import xml.etree.ElementTree as ET


def outcomes(path):
    """(passed, failed) of one JUnit file; skipped and not-run tests count as failed."""
    passed = failed = 0
    for case in ET.parse(path).getroot().iter("testcase"):
        name = case.get("name", "")
        if path == sys.argv[1] and name.startswith(("build.", "suite.")):
            if case.find("failure") is None and case.find("error") is None:
                continue
        if case.get("status") == "run" and case.find("failure") is None \
                and case.find("error") is None and case.find("skipped") is None:
            passed += 1
        else:
            failed += 1
    return passed, failed


def main():
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    passed = failed = 0
    for path in sys.argv[1:]:
        p, f = outcomes(path)
        passed += p
        failed += f
    print(f"tests: {passed} passed, {failed} failed")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
