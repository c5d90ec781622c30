#!/usr/bin/env python3
"""Lists the tests that skipped in a ctest JUnit report, one per line: the ctest name, then the
test function for Qt Test programs. A skip reports as a pass in ctest, so the test script checks
this list against the skips it allows."""
import sys
import xml.etree.ElementTree as ET

for case in ET.parse(sys.argv[1]).getroot().iter("testcase"):
    name = case.get("name", "")
    output = case.findtext("system-out") or ""
    for line in output.splitlines():
        if line.startswith("SKIP   : "):
            print(name, line[len("SKIP   : "):].split("(")[0])
        elif line.startswith("[  SKIPPED ]"):
            # ctest runs one GoogleTest case per test.
            print(name)
            break
