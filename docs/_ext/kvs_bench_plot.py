"""The ``kvs-bench-plot`` directive: the page's table of benchmark results
(the first whose header starts with "case", as the benchmark scripts print
it) drawn as a picture by bench/peers/plot.py, inline, so that the picture
is always the table's."""
import importlib.util
import os
import re

from docutils import nodes
from sphinx.util.docutils import SphinxDirective

PLOT = os.path.join(os.path.dirname(__file__), "..", "..", "bench", "peers", "plot.py")


def load_plot():
    found = importlib.util.spec_from_file_location("bench_plot", PLOT)
    module = importlib.util.module_from_spec(found)
    found.loader.exec_module(module)
    return module


class BenchPlotDirective(SphinxDirective):
    has_content = False

    def run(self):
        self.env.note_dependency(os.path.abspath(PLOT))
        with open(self.env.doc2path(self.env.docname), encoding="utf-8") as page:
            svg = load_plot().plot_svg(page.read())
        svg = svg[svg.index("<svg"):]  # inline: no XML declaration or doctype
        # As wide as the text, whatever size it was drawn at (its viewBox keeps the shape).
        svg = re.sub(r'^<svg([^>]*?) width="[^"]*" height="[^"]*"', r'<svg\1 width="100%"', svg)
        return [nodes.raw("", f'<div class="bench-plot">{svg}</div>', format="html")]


def setup(app):
    app.add_directive("kvs-bench-plot", BenchPlotDirective)
    return {"parallel_read_safe": True, "parallel_write_safe": True}
