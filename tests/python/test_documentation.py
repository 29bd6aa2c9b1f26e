"""Every example runs as printed: the manual's Python guide and the module's
docstrings, as doctests; every field of a result is in its docstring and
its stub."""
import dataclasses
import doctest
import os
import re

import pytest

import kvs
from kvs import _estimator, _search, _window


def guide_examples():
    """The Python guide's pycon blocks, one after the other."""
    path = os.path.join(os.environ["KV_SOURCE_DIR"], "docs", "guide", "python.md")
    with open(path, encoding="utf-8") as file:
        return "\n".join(re.findall(r"^```pycon\n(.*?)^```", file.read(), re.S | re.M))


@pytest.mark.parametrize("name, text", [
    ("docs/guide/python.md", None),
    ("kvs", kvs.__doc__),
    ("kvs.search", _search.search.__doc__),
    ("kvs.window_series", _window.window_series.__doc__),
    ("kvs.SimilarSubset", _estimator.SimilarSubset.__doc__),
])
def test_examples_run_as_printed(name, text):
    test = doctest.DocTestParser().get_doctest(text or guide_examples(), {}, name, name, 0)
    assert test.examples
    runner = doctest.DocTestRunner(optionflags=doctest.NORMALIZE_WHITESPACE)
    runner.run(test)
    assert runner.summarize(verbose=False).failed == 0



def test_every_result_field_is_documented_and_stubbed():
    path = os.path.join(os.environ["KV_SOURCE_DIR"], "python", "kvs", "__init__.pyi")
    with open(path, encoding="utf-8") as file:
        stub = re.search(r"^class SearchResult:\n((?:    .*\n)+)", file.read(), re.M).group(1)
    fields = {field.name for field in dataclasses.fields(kvs.SearchResult)}
    assert {"scale", "exact"} <= fields
    assert set(re.findall(r"^    (\w+) : ", kvs.SearchResult.__doc__, re.M)) == fields
    assert set(re.findall(r"^    (\w+): ", stub, re.M)) == fields
