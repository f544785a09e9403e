#!/usr/bin/env python3
"""Adds up GoogleTest XML reports and prints one line: 'N passed, N failed'.
A report that is missing counts as one failure (its executable did not finish)."""
import sys
import xml.etree.ElementTree as ET

passed = failed = 0
for path in sys.argv[1:]:
    try:
        root = ET.parse(path).getroot()
    except (OSError, ET.ParseError):
        print(f"missing or unreadable report: {path}", file=sys.stderr)
        failed += 1
        continue
    for case in root.iter("testcase"):
        if case.get("status") == "notrun" or case.get("result") == "skipped":
            continue
        if case.find("failure") is not None or case.find("error") is not None:
            failed += 1
        else:
            passed += 1
print(f"{passed} passed, {failed} failed")
sys.exit(1 if failed else 0)
