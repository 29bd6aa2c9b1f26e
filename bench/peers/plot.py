#!/usr/bin/python3
"""Draws the table that compare.py (or bench/python/bench_module.py) prints
as a picture: for each case, the median search time of kvs and of each peer
on a logarithmic scale, so that the ratios read as distances. Cells that say
"not run" are left out.

    /usr/bin/python3 bench/peers/plot.py RESULTS.md OUT.svg

RESULTS.md is any Markdown text holding the table (the manual's benchmark
pages keep the measured ones); the manual's build draws its pictures with
plot_svg().
"""
import io
import re
import sys

import matplotlib

matplotlib.use("svg")
import matplotlib.pyplot as plt  # noqa: E402

COLOURS = ["#1a1a1a", "#4c72b0", "#dd8452", "#55a868", "#c44e52", "#8172b3"]
UNITS = {"µs": 1e-6, "ms": 1e-3, "s": 1.0}
TIME = re.compile(r"^\s*([0-9.]+) (µs|ms|s)\b")


def read_table(text):
    """(case labels, {column: [seconds or None per case]}) of the first table
    whose header starts with 'case'."""
    rows = [line.strip() for line in text.split("\n") if line.strip().startswith("|")]
    start = next(i for i, row in enumerate(rows) if re.match(r"^\|\s*case\s*\|", row))
    header = [cell.strip() for cell in rows[start].strip("|").split("|")]
    columns = header[1:-1]  # the last column is the ratio
    cases, seconds = [], {name: [] for name in columns}
    for row in rows[start + 2:]:
        cells = [cell.strip() for cell in row.strip("|").split("|")]
        if len(cells) != len(header):
            break
        cases.append(cells[0])
        for name, cell in zip(columns, cells[1:-1]):
            match = TIME.match(cell)
            seconds[name].append(float(match.group(1)) * UNITS[match.group(2)] if match else None)
    return cases, seconds


def plot_svg(text, title=None, fmt="svg"):
    """The table in text as an SVG picture (a string)."""
    cases, seconds = read_table(text)
    columns = list(seconds)
    height = 0.8 / len(columns)
    figure, axes = plt.subplots(figsize=(8, 0.5 + 0.55 * len(cases) * len(columns) / 4))
    for number, name in enumerate(columns):
        places = [i + number * height for i, value in enumerate(seconds[name]) if value is not None]
        values = [value for value in seconds[name] if value is not None]
        axes.barh(places, values, height=height, label=name, color=COLOURS[number % len(COLOURS)])
    axes.set_xscale("log")
    axes.set_yticks([i + 0.4 - height / 2 for i in range(len(cases))], cases, fontsize=8)
    axes.invert_yaxis()
    axes.set_xlabel("median search time, seconds (logarithmic)")
    axes.grid(axis="x", which="major", alpha=0.3)
    axes.legend(fontsize=8, loc="lower left", bbox_to_anchor=(0, 1.0), ncol=len(columns), frameon=False)
    if title:
        axes.set_title(title, fontsize=10)
    figure.tight_layout()
    out = io.StringIO() if fmt == "svg" else io.BytesIO()
    figure.savefig(out, format=fmt, metadata={"Date": None} if fmt == "svg" else None)
    plt.close(figure)
    return out.getvalue()


if __name__ == "__main__":
    with open(sys.argv[1], encoding="utf-8") as results:
        svg = plot_svg(results.read())
    with open(sys.argv[2], "w", encoding="utf-8") as out:
        out.write(svg)
