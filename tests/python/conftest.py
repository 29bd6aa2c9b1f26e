"""Shared by the module's tests: the kvs executable beside the module, and
hypothesis settings that keep no database (tests never write outside their
temporary folders)."""
import json
import os
import subprocess

import numpy as np
import pytest
from hypothesis import settings

settings.register_profile("kvs", database=None, deadline=None, max_examples=150)
settings.load_profile("kvs")

METHODS = ["auto", "dense", "tree", "described"]


@pytest.fixture
def run_kvs(tmp_path):
    """Runs the built `kvs search` on a table written as CSV; returns its JSON."""
    executable = os.environ.get("KVS_EXECUTABLE")
    if not executable:
        pytest.skip("the kvs executable is not built")

    def run(table, *arguments):
        path = tmp_path / "table.csv"
        np.savetxt(path, table, fmt="%d", delimiter=",")
        done = subprocess.run([executable, "search", str(path), "--format", "json", "-q", *arguments],
                              capture_output=True, text=True, check=True)
        return json.loads(done.stdout)

    return run
