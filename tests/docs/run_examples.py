#!/usr/bin/env python3
"""Runs the examples of Markdown pages as printed and compares what they say.

- A ``console`` block is a shell session: each line that starts with ``$ ``
  is a command (a line ending in a backslash goes on to the next), and the
  lines up to the next command are what it prints, standard output and
  standard error together as on a terminal. ``...`` in the expected text
  stands for any text (doctest's ELLIPSIS), for times and the like. A
  command shown without output must print nothing and succeed.
- ``pycon`` blocks are doctests; a page's blocks share one namespace, in
  order.

Every relative link of a page (``[text](path)``) must lead to a file or
folder that exists; the manual's build checks its own links more closely
(anchors, documents), so this matters for the README.

Each page runs in a scratch folder of its own, which starts with the files
named by --file; the commands of a page run in order there, so a file one
example writes is there for the next. kvs, the window helper, the Python
module and an installed libkvs (for pkg-config and CMake's find_package)
come from the build. Blocks of other languages (``sh`` for commands that
need a display, a cluster or root) are shown and not run.

Usage: run_examples.py --build BUILD_DIR [--file PATH]... PAGE.md...
"""
import argparse
import doctest
import os
import re
import shutil
import subprocess
import sys
import tempfile

LINK = re.compile(r"\]\(([^)\s]+)\)")
# An opening fence: its language, or a MyST directive with its argument
# (```{literalinclude} path), whose closing fence must not be read as the
# opening of another block.
FENCE = re.compile(r"^(`{3,}|~{3,})\s*\{?([\w-]*)\}?(\s.*)?$")
CHECKER = doctest.OutputChecker()
FLAGS = doctest.ELLIPSIS | doctest.NORMALIZE_WHITESPACE


def blocks(text):
    """(language, first line number, lines) of each fenced block."""
    lines, found, number = text.split("\n"), [], 0
    while number < len(lines):
        opening = FENCE.match(lines[number].strip())
        if not opening:
            number += 1
            continue
        fence, language, start = opening.group(1), opening.group(2), number + 1
        number += 1
        while number < len(lines) and not lines[number].strip().startswith(fence):
            number += 1
        indent = len(lines[start - 1]) - len(lines[start - 1].lstrip())
        found.append((language, start + 1, [line[indent:] for line in lines[start:number]]))
        number += 1
    return found


def broken_links(page, text):
    """The relative links of a page whose target does not exist."""
    broken = []
    for target in LINK.findall(text):
        path = target.split("#")[0]
        if not path or re.match(r"^[a-z]+:", path):
            continue
        if not os.path.exists(os.path.join(os.path.dirname(page), path)):
            broken.append(f"{page}: the link to {target} leads nowhere")
    return broken


def session(lines, first_line):
    """(line number, command, expected output) of each command of a console block."""
    commands, number = [], 0
    while number < len(lines):
        if not lines[number].startswith("$ "):
            raise ValueError(f"line {first_line + number}: a console block must start with a '$ ' command")
        start, command = number, lines[number][2:]
        while command.endswith("\\") and number + 1 < len(lines):
            number += 1
            command = command[:-1] + "\n" + lines[number]
        number += 1
        expected = []
        while number < len(lines) and not lines[number].startswith("$ "):
            expected.append(lines[number])
            number += 1
        commands.append((first_line + start, command, "\n".join(expected).rstrip() + "\n"))
    return commands


def run_console(page, lines, first_line, folder, environment):
    failures = []
    for number, command, expected in session(lines, first_line):
        ran = subprocess.run(["bash", "-o", "pipefail", "-c", command], cwd=folder, env=environment,
                             stdout=subprocess.PIPE, stderr=subprocess.STDOUT, stdin=subprocess.DEVNULL,
                             text=True, timeout=300)
        said = "\n".join(line.rstrip() for line in ran.stdout.rstrip().split("\n")) + "\n"
        if expected.strip() == "" and said.strip() == "" and ran.returncode == 0:
            continue
        if expected.strip() == "" or not CHECKER.check_output(expected, said, FLAGS):
            failures.append(f"{page}:{number}: $ {command}\n--- printed (exit {ran.returncode}):\n{said}"
                            f"--- the page says:\n{expected}")
    return failures


def run_pycon(page, examples, folder):
    """The page's pycon blocks as one doctest, run in the page's folder."""
    text = "\n".join("\n".join(lines) + "\n" for lines in examples)
    test = doctest.DocTestParser().get_doctest(text, {}, page, page, 0)
    messages = []
    runner = doctest.DocTestRunner(optionflags=FLAGS)
    here = os.getcwd()
    os.chdir(folder)
    try:
        runner.run(test, out=messages.append)
    finally:
        os.chdir(here)
    return ["".join(messages)] if runner.summarize(verbose=False).failed else []


def library_dir(prefix):
    for folder, _, files in os.walk(prefix):
        if "kvs.pc" in files:
            return os.path.dirname(folder)
    raise SystemExit("run_examples: the installed libkvs has no kvs.pc")


def environment_for(build, prefix):
    """kvs and the module from the build, libkvs from its scratch install."""
    library = library_dir(prefix)
    environment = dict(os.environ)
    environment.update({
        "PATH": os.pathsep.join([os.path.join(build, "cli"), environment.get("PATH", "")]),
        "PYTHONPATH": os.path.join(build, "python"),
        "PYTHONDONTWRITEBYTECODE": "1",
        "PKG_CONFIG_PATH": os.path.join(library, "pkgconfig"),
        "LD_LIBRARY_PATH": library,
        "CMAKE_PREFIX_PATH": prefix,
        "COLUMNS": "80",
    })
    return environment


def install_library(build, prefix):
    for component in ("library", "development"):
        subprocess.run(["cmake", "--install", build, "--prefix", prefix, "--component", component],
                       check=True, stdout=subprocess.DEVNULL)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--build", required=True)
    parser.add_argument("--file", action="append", default=[])
    parser.add_argument("pages", nargs="+")
    args = parser.parse_args()
    build = os.path.abspath(args.build)
    failures, counted = [], 0
    with tempfile.TemporaryDirectory(prefix="kvs-examples-") as scratch:
        prefix = os.path.join(scratch, "prefix")
        install_library(build, prefix)
        environment = environment_for(build, prefix)
        os.environ.update(environment)  # for the doctests, and what they start
        sys.path.insert(0, environment["PYTHONPATH"])
        for page in args.pages:
            folder = os.path.join(scratch, "pages", os.path.basename(os.path.dirname(page)) + "_" +
                                  os.path.basename(page))
            os.makedirs(folder)
            for path in args.file:
                shutil.copy(path, folder)
            with open(page, encoding="utf-8") as file:
                text = file.read()
            failures += broken_links(page, text)
            found = blocks(text)
            python = [lines for language, _, lines in found if language == "pycon"]
            for language, first_line, lines in found:
                if language == "console":
                    counted += len(session(lines, first_line))
                    failures += run_console(page, lines, first_line, folder, environment)
            if python:
                counted += len(python)
                failures += run_pycon(page, python, folder)
    for failure in failures:
        print(failure, file=sys.stderr)
    print(f"run_examples: {counted - len(failures)} passed, {len(failures)} failed "
          f"({len(args.pages)} pages)")
    return 1 if failures or counted == 0 else 0


if __name__ == "__main__":
    sys.exit(main())
