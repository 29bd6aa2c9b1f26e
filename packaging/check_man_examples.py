#!/usr/bin/env python3
"""Runs the examples of the unpacked manual pages as a user would type them.

Each .EX/.EE block of every page under ROOT/usr/share/man/man1 is a
command; its files and programs are those of the packages unpacked under
ROOT (every /usr/ path is read under ROOT), so a page that names a file the
packages do not install fails here. Each must exit with 0 and print
something; they run in a scratch folder, in order.

Usage: check_man_examples.py ROOT LIBRARY_DIR
"""
import gzip
import os
import re
import subprocess
import sys
import tempfile


def examples(page):
    """The commands of a manual page's example blocks, escapes undone."""
    text = gzip.open(page, "rt", encoding="utf-8").read()
    found = []
    for block in re.findall(r"^\.EX\n(.*?)^\.EE", text, re.S | re.M):
        command = block.replace("\\-", "-").replace("\\e", "\\").replace("\\(ti", "~")
        found.append(command.replace("\\\n", " ").strip())
    return found


def main():
    root, library = os.path.abspath(sys.argv[1]), sys.argv[2]
    pages = sorted(os.path.join(root, "usr/share/man/man1", name)
                   for name in os.listdir(os.path.join(root, "usr/share/man/man1")))
    environment = dict(os.environ, LD_LIBRARY_PATH=root + library, PATH=root + "/usr/bin:" + os.environ["PATH"],
                       QT_QPA_PLATFORM="offscreen")
    ran, faults = 0, []
    with tempfile.TemporaryDirectory() as scratch:
        for page in pages:
            for command in examples(page):
                rooted = re.sub(r"(?<![\w./])/usr/", root + "/usr/", command)
                said = subprocess.run(["bash", "-c", rooted], cwd=scratch, env=environment, text=True,
                                      stdout=subprocess.PIPE, stderr=subprocess.STDOUT, timeout=300)
                ran += 1
                if said.returncode != 0 or not said.stdout.strip():
                    faults.append(f"{os.path.basename(page)}: '{command}' exited {said.returncode}: {said.stdout}")
    for fault in faults:
        print("check_man_examples:", fault, file=sys.stderr)
    print(f"check_man_examples: {ran - len(faults)} passed, {len(faults)} failed")
    return 1 if faults or not ran else 0


if __name__ == "__main__":
    sys.exit(main())
