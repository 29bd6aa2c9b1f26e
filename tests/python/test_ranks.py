"""kvs.search(comm=) under mpirun -np 1, 2 and 3: every rank returns what one
process returns, and a failure on any rank is raised on every rank with the
same message (tests/python/ranks_probe.py runs on the ranks)."""
import json
import os
import shutil
import subprocess
import sys

import pytest

pytest.importorskip("mpi4py")
MPIRUN = shutil.which("mpirun")
PROBE = os.path.join(os.path.dirname(__file__), "ranks_probe.py")
sys.path.insert(0, os.path.dirname(__file__))
import ranks_probe  # noqa: E402  its cases, run here in one process


@pytest.fixture(scope="module")
def single():
    return {name: ranks_probe.outcome(arguments, None) for name, arguments in ranks_probe.cases()}


@pytest.mark.skipif(MPIRUN is None, reason="no mpirun (openmpi-bin)")
@pytest.mark.parametrize("ranks", [1, 2, 3])
def test_every_rank_gets_the_single_process_result(ranks, single, tmp_path):
    command = [MPIRUN, "--oversubscribe", "-np", str(ranks)]
    if os.geteuid() == 0:
        command.append("--allow-run-as-root")
    # Open MPI in a container: no cross-memory attach between the ranks.
    environment = dict(os.environ, OMPI_MCA_btl_vader_single_copy_mechanism="none")
    subprocess.run(command + [sys.executable, PROBE, str(tmp_path)], check=True, timeout=300, env=environment)
    reports = [json.loads((tmp_path / f"rank{rank}.json").read_text()) for rank in range(ranks)]

    assert single["float64 near tie of two centres"]["centre"] == 0  # not the centre the image picks
    for report in reports:
        for name, expected in single.items():
            assert report[name] == expected, name
        assert report["size too large"] == {"raised": "ValueError",
                                            "message": "size 3: larger than the 2 rows of the data"}
        assert report["progress"]["raised"] == "ValueError"
    failing = [report["rank 1's NaN"] for report in reports]
    if ranks > 1:
        assert failing == [{"raised": "ValueError", "message": "row 1, column 0: nan is not a number (NaN)"}] * ranks
    if ranks > 2:
        assert [report["another table on rank 2"] for report in reports] == [{
            "raised": "ValueError", "message": "comm: rank 2 searches another table, size or method than rank 0; "
                                               "every rank must pass the same"}] * ranks
