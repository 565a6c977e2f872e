#!/usr/bin/env python3
"""Checks that no source file includes one from a layer above its own.

    check_layers.py [SRC]        (default: the src folder beside tools/)

The folders of src/ are layers, from the bottom: base/ (the run's tables, the study, fatal
errors, cores, text input and output), then input/ (reading the Structure files into the
study), analysis/ (the methods) and report/ (every file written for people, which shows the
analysis' results), and app/ at the top (the steps of the two programs). A folder may
include its own files and those of the folders it lists below.
"""
import os
import re
import sys

MAY_INCLUDE = {
    "base": {"base"},
    "input": {"base", "input"},
    "analysis": {"base", "analysis"},
    "report": {"base", "analysis", "report"},
    "app": {"base", "input", "analysis", "report", "app"},
}


def main():
    src = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "src")
    problems = []
    for folder, _, files in os.walk(src):
        layer = os.path.relpath(folder, src).split(os.sep)[0]
        for name in files:
            path = os.path.join(folder, name)
            if layer not in MAY_INCLUDE:
                problems.append("%s: a folder that is no layer" % path)
                continue
            with open(path, encoding="utf-8") as f:
                for number, line in enumerate(f, 1):
                    m = re.match(r'\s*#\s*include\s+"([^/"]+)/', line)
                    if m and m.group(1) not in MAY_INCLUDE[layer]:
                        problems.append("%s:%d: %s/ includes from %s/" % (path, number, layer, m.group(1)))
    for p in problems:
        print(p)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
