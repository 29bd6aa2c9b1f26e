"""The ``kvs-layers`` directive: the layer diagram, drawn from the table the
include check holds the source tree to (LAYERS in tests/layers/check_layers.py),
so that the picture and the check cannot part."""
import importlib.util
import os

from sphinx.ext.graphviz import graphviz
from sphinx.util.docutils import SphinxDirective

CHECK = os.path.join(os.path.dirname(__file__), "..", "..", "tests", "layers", "check_layers.py")


def load_layers(path=CHECK):
    found = importlib.util.spec_from_file_location("check_layers", path)
    module = importlib.util.module_from_spec(found)
    found.loader.exec_module(module)
    return module.LAYERS


def layers_dot(layers):
    """A Graphviz digraph: one node per component, an arrow from each to
    every component it may include directly (drawn downwards)."""
    lines = ["digraph layers {", "  rankdir=TB;", '  node [shape=box, fontname="sans-serif", fontsize=10];',
             '  edge [arrowsize=0.6];']
    lines += [f'  "{name}";' for name in sorted(layers)]
    lines += [f'  "{name}" -> "{lower}";' for name in sorted(layers) for lower in layers[name]]
    lines.append("}")
    return "\n".join(lines)


class LayersDirective(SphinxDirective):
    has_content = False

    def run(self):
        self.env.note_dependency(os.path.abspath(CHECK))
        node = graphviz()
        node["code"] = layers_dot(load_layers())
        node["options"] = {"docname": self.env.docname}
        node["alt"] = "What each folder may include: every arrow points down"
        return [node]


def setup(app):
    app.add_directive("kvs-layers", LayersDirective)
    return {"parallel_read_safe": True, "parallel_write_safe": True}
