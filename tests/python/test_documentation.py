"""Every example runs as printed: the README's "From Python" section and the
module's docstrings, as doctests."""
import doctest
import os
import re

import pytest

import kvs
from kvs import _estimator, _search, _window


def readme_section():
    with open(os.path.join(os.environ["KV_SOURCE_DIR"], "README.md"), encoding="utf-8") as file:
        return re.search(r"^## From Python.*?(?=^## )", file.read(), re.S | re.M).group(0)


@pytest.mark.parametrize("name, text", [
    ("README.md, From Python", None),
    ("kvs", kvs.__doc__),
    ("kvs.search", _search.search.__doc__),
    ("kvs.window_series", _window.window_series.__doc__),
    ("kvs.SimilarSubset", _estimator.SimilarSubset.__doc__),
])
def test_examples_run_as_printed(name, text):
    test = doctest.DocTestParser().get_doctest(text or readme_section(), {}, name, name, 0)
    assert test.examples
    runner = doctest.DocTestRunner(optionflags=doctest.NORMALIZE_WHITESPACE)
    runner.run(test)
    assert runner.summarize(verbose=False).failed == 0

