#!/usr/bin/env python3
"""Doxygen's input filter for libkvs's public headers.

The headers are commented in plain // and /* */ comments, as the rest of the
sources are; Doxygen reads only its own markers. This filter hands it each
header with the comments marked: the comment at the top describes the file,
a comment on lines of its own describes what follows it, and a comment after
code on the same line (with the comment lines aligned below it) describes
that line's member.

Usage: doxygen_filter.py HEADER   (the marked header on standard output)
"""
import re
import sys

TRAILING = re.compile(r"^(\s*\S.*?)(\s+)(//|/\*)(?!/|\*)(\s?)(.*)$")


def mark(lines):
    lines = file_comment(lines)
    out, block, trailing_column = [], False, None
    for line in lines:
        stripped = line.lstrip()
        indent = line[: len(line) - len(stripped)]
        if block:  # inside a /* */ comment of its own
            out.append(line)
            block = "*/" not in line
            continue
        if stripped.startswith("//"):
            if trailing_column is not None and len(indent) >= trailing_column:
                out.append(indent + "///<" + stripped[2:])  # continues the comment after a member
                continue
            out.append(indent + "///" + stripped[2:])
            continue
        if stripped.startswith("/*") and not stripped.startswith("/**"):
            out.append(indent + "/**" + stripped[2:])
            block = "*/" not in stripped
            continue
        trailing_column = None
        if stripped:
            match = TRAILING.match(line)
            if match and not stripped.startswith("#"):
                code, gap, opener, space, text = match.groups()
                out.append(code + gap + ("///<" if opener == "//" else "/**<") + space + text)
                trailing_column = len(code) + len(gap)
                continue
        out.append(line)
    return out


def file_comment(lines):
    """The comment the header opens with, as the file's own description."""
    count = 0
    if lines and lines[0].startswith("//"):
        while count < len(lines) and lines[count].startswith("//"):
            count += 1
        text = [line[2:] for line in lines[:count]]
    elif lines and lines[0].startswith("/*"):
        while "*/" not in lines[count]:
            count += 1
        count += 1
        text = [lines[0][2:]] + lines[1:count]
        text[-1] = text[-1].replace("*/", "")
    else:
        return lines
    return ["/** \\file"] + text + ["*/"] + lines[count:]


if __name__ == "__main__":
    with open(sys.argv[1], encoding="utf-8") as header:
        sys.stdout.write("\n".join(mark(header.read().split("\n"))))
