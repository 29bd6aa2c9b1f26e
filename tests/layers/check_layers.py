#!/usr/bin/env python3
"""The include graph of the source tree, held to the layout's layers.

Every C and C++ file belongs to the folder (component) below whose path it
lies, the deepest one named in LAYERS. A file may include files of its own
component and of the components below it: those LAYERS names for it, and
theirs, all the way down. Anything else is an upward or sideways include and
fails the check, as does a folder of sources that LAYERS does not place. The
layers themselves must form no loop.

Usage: check_layers.py [SOURCE_DIR]   (exit status 0: clean, 1: violations)
"""
import os
import re
import sys

# What each component may include directly; what those may include, it may
# include too. Read from the bottom up: the platform, the window, the
# programs; the library, the MPI layer, the command-line tool.
LAYERS = {
    "platform": [],
    "platform/posix": ["platform"],
    "platform/common": ["platform"],
    "platform/software": ["platform"],
    "platform/qt": ["platform/posix", "platform/software", "platform/common"],
    "platform/web": ["platform/software", "platform/common"],
    "platform/win32": ["platform/common"],
    "window/vectors": ["platform"],
    "window/search": ["window/vectors"],
    "window/res": ["platform"],
    "window/display": ["window/vectors"],
    "window/export": ["platform"],
    "window/app": ["window/display", "window/export", "window/search", "window/res"],
    "programs/qt": ["window/app", "platform/qt"],
    "programs/web": ["window/app", "platform/web"],
    "programs/win32": ["window/app", "platform/win32"],
    "libkvs": [],
    "cluster": ["libkvs", "platform"],  # the base, for the table room's test hook
    "cli": ["cluster", "base", "platform/posix"],
    "cli/window": ["cli", "window/app"],
    "base": [],
    "python": ["libkvs", "base", "window/vectors", "cluster"],  # the centres' chunks, for comm=
    "tools": ["window/res", "platform/software"],
}
# Tests, benchmarks and fuzz targets reach into every layer; no layer reaches them.
CHECKS = ["tests", "bench", "fuzz"]

# Where quoted and angled includes are looked for, after the including
# file's own folder: the top (for "platform/window.h"), the window's folders
# by their own names ("display/panels.h"), libkvs's public headers.
INCLUDE_ROOTS = ["", "window", "libkvs/include"]

SOURCE_SUFFIXES = (".c", ".cc", ".cpp", ".h", ".hpp", ".h.in")
INCLUDE = re.compile(r'^\s*#\s*include\s*[<"]([^>"]+)[>"]')


def closure(layers):
    """Each component's reach, and the loops among the layers themselves."""
    reach, loops = {}, []

    def visit(name, path):
        if name in path:
            loops.append(path[path.index(name):] + [name])
            return set()
        if name not in reach:
            below = set()
            for lower in layers[name]:
                below |= {lower} | visit(lower, path + [name])
            reach[name] = below
        return reach[name]

    for name in layers:
        visit(name, [])
    return reach, loops


def component_of(path):
    folder = os.path.dirname(path)
    while folder:
        if folder in LAYERS or folder in CHECKS:
            return folder
        folder = os.path.dirname(folder)
    return None


def source_files(top):
    for folder, subfolders, files in os.walk(top):
        # Build trees (any folder with a CMake cache) and hidden folders hold no sources of ours.
        if "CMakeCache.txt" in files:
            subfolders[:] = []
            continue
        subfolders[:] = sorted(s for s in subfolders if not s.startswith("."))
        for name in sorted(files):
            if name.endswith(SOURCE_SUFFIXES):
                yield os.path.relpath(os.path.join(folder, name), top)


def resolve(top, path, included):
    for base in [os.path.dirname(path)] + INCLUDE_ROOTS:
        candidate = os.path.normpath(os.path.join(base, included))
        if not candidate.startswith("..") and os.path.isfile(os.path.join(top, candidate)):
            return candidate
    return None  # a system header, or one the build writes


def violations(top):
    reach, loops = closure(LAYERS)
    found = ["layers loop: " + " -> ".join(loop) for loop in loops]
    for path in source_files(top):
        owner = component_of(path)
        if owner is None:
            found.append(f"{path}: its folder is in no layer")
            continue
        if owner in CHECKS:
            continue
        with open(os.path.join(top, path), encoding="utf-8", errors="replace") as file:
            for number, line in enumerate(file, 1):
                match = INCLUDE.match(line)
                target = match and resolve(top, path, match.group(1))
                if not target:
                    continue
                other = component_of(target)
                if other == owner or other in reach[owner]:
                    continue
                found.append(f"{path}:{number}: {owner} includes {target} ({other}), which is not below it")
    return found


def main(argv):
    top = argv[1] if len(argv) > 1 else os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..")
    found = violations(os.path.abspath(top))
    for message in found:
        print(message, file=sys.stderr)
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
