"""Sphinx configuration of the manual.

Built by the build (docs/CMakeLists.txt) with warnings as errors: the pages
are Markdown (MyST), the Python API comes from the module's own docstrings
(the module is imported from the build tree: PYTHONPATH), the C and C++ API
from Doxygen's XML of libkvs's public headers (KVS_DOXYGEN_XML).
"""
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "_ext"))

project = "Kestrand Vectors Subset"
author = "The Kestrand Vectors Subset developers"
copyright = "2026, " + author
version = release = os.environ.get("KVS_VERSION", "")

extensions = [
    "myst_parser",
    "sphinx.ext.autodoc",
    "numpydoc",
    "breathe",
    "sphinx.ext.graphviz",
    "kvs_layers",
    "kvs_bench_plot",
]
source_suffix = {".md": "markdown"}
root_doc = "index"
exclude_patterns = ["_build", "examples", "README.md"]
myst_enable_extensions = ["colon_fence", "deflist"]
myst_heading_anchors = 3

# Every reference must resolve; what lies outside the manual (numpy's and
# pandas's own types, the C++ standard library) has no inventory here, since
# the build reads nothing from the network.
nitpicky = True
nitpick_ignore_regex = [
    ("py:class", r"(numpy|pandas|decimal)\..*"),
    ("py:class", r"(array-like|2-D array-like|1-D array-like|callable|optional|int|float|str|bool|sequence|tuple|list|dict)"),
    ("py:class", r"(of|or|int64|int32|array|arrays|default|None)"),
    ("cpp:identifier", r"(std|size_t|int32_t|int64_t|uint64_t|uint32_t|int8_t|uint8_t).*"),
    ("c:identifier", r"(size_t|int32_t|int64_t|uint64_t|uint32_t|bool).*"),
]

autodoc_default_options = {"members": True}
numpydoc_show_class_members = False
numpydoc_xref_param_type = False

breathe_projects = {"libkvs": os.environ.get("KVS_DOXYGEN_XML", "")}
breathe_default_project = "libkvs"
breathe_domain_by_extension = {"h": "cpp"}
breathe_show_include = False

graphviz_output_format = "svg"

html_theme = "alabaster"
# Wide enough for the benchmarks' tables.
html_theme_options = {"page_width": "1180px", "sidebar_width": "240px"}
html_title = "Kestrand Vectors Subset " + release
html_static_path = []
html_last_updated_fmt = None
html_show_sourcelink = False
html_copy_source = False


def skip_tuple_fields(app, what, name, obj, skip, options):
    """A named tuple's fields are told in its docstring; its generated
    "Alias for field number N" entries add nothing."""
    return True if (getattr(obj, "__doc__", None) or "").startswith("Alias for field number") else None


def setup(app):
    app.connect("autodoc-skip-member", skip_tuple_fields)
