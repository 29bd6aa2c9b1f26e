#!/usr/bin/env python3
"""Checks that a build compiles each source file once, for one target.

Reads the build's compile_commands.json. A file may be compiled a second
time only as a test seam: built with KV_TEST_HOOKS, to stand in a test
program for the shipped build of it. Any other second compile of a file is
code that two targets build instead of sharing one library.

Usage: check_compiled_once.py BUILD_DIR   (exit status 0: clean, 1: twice)
"""
import collections
import json
import os
import re
import sys

TARGET = re.compile(r"CMakeFiles/([^/]+)\.dir/")


def target_of(entry, command):
    """The target a command builds for, from its object's path (a resource
    compiler names it with no -o)."""
    match = TARGET.search(entry.get("output") or command)
    return match.group(1) if match else command


def twice(entries):
    """The files compiled more than once plainly, or more than once as a seam."""
    builds = collections.defaultdict(lambda: collections.defaultdict(list))
    for entry in entries:
        command = entry.get("command") or " ".join(entry["arguments"])
        kind = "seam" if "-DKV_TEST_HOOKS" in command.split() else "plain"
        path = os.path.normpath(os.path.join(entry["directory"], entry["file"]))
        builds[path][kind].append(target_of(entry, command))
    return sorted(f"{path}: compiled for {', '.join(sorted(targets))}"
                  for path, kinds in builds.items() for targets in kinds.values() if len(targets) > 1)


def main(argv):
    with open(os.path.join(argv[1], "compile_commands.json"), encoding="utf-8") as file:
        found = twice(json.load(file))
    for message in found:
        print(message, file=sys.stderr)
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
