#!/usr/bin/env python3
"""Prints "PASSED FAILED" for a GoogleTest JSON report (--gtest_output=json:FILE).

The report is written by the test program itself, so it is complete once the
program has ended; the program's console output under Wine may still be on its
way then. A skipped case counts as neither passed nor failed.
"""
import json
import sys

passed = failed = 0
with open(sys.argv[1], encoding="utf-8", errors="replace") as f:
    report = json.load(f)
for suite in report.get("testsuites", []):
    for case in suite.get("testsuite", []):
        if case.get("failures"):
            failed += 1
        elif case.get("result") == "COMPLETED" and case.get("status") == "RUN":
            passed += 1
print(passed, failed)
