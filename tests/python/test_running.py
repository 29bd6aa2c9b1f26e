"""A search while Python runs: the GIL released, Ctrl-C, progress, and a
failed allocation."""
import fcntl
import os
import pty
import signal
import struct
import subprocess
import sys
import termios
import threading
import time

import numpy as np
import pytest

import _kvs_failing_heap
import kvs
from conftest import METHODS


def long_table(rows):
    """A table whose described search (one full sort per centre) reports many times."""
    return np.random.default_rng(rows).integers(-1000, 1000, (rows, 2), dtype=np.int32)


def test_searches_in_two_threads_overlap():
    table = long_table(1500)
    reports = [[], []]

    def run(k):
        kvs.search(table, 700, method="described", threads=1,
                   progress=lambda fraction: reports[k].append(time.monotonic()))

    workers = [threading.Thread(target=run, args=(k,)) for k in (0, 1)]
    for worker in workers:
        worker.start()
    for worker in workers:
        worker.join()
    # Had a search held the GIL, the other could not have begun before it ended.
    assert max(times[0] for times in reports) < min(times[-1] for times in reports)


def test_ctrl_c_stops_a_search():
    fractions = [0.0]
    ctrl_c = threading.Timer(0.3, os.kill, (os.getpid(), signal.SIGINT))
    ctrl_c.start()
    with pytest.raises(KeyboardInterrupt):
        kvs.search(long_table(8000), 4000, method="described", threads=1, progress=fractions.append)
    ctrl_c.join()
    assert fractions[-1] < 0.5  # stopped, not run to the end


def test_progress_goes_to_the_callable():
    fractions = []
    kvs.search(long_table(1000), 500, method="described", threads=2, progress=fractions.append)
    assert fractions == sorted(set(fractions)) and 0 < fractions[0] and fractions[-1] == 1.0


def test_an_exception_from_progress_stops_the_search():
    calls = []

    def stop(fraction):
        calls.append(fraction)
        raise RuntimeError("enough")

    with pytest.raises(RuntimeError, match="^enough$"):
        kvs.search(long_table(1000), 500, method="described", progress=stop)
    assert len(calls) == 1


BAR_SCRIPT = """
import sys
if {without_tqdm}:
    sys.modules["tqdm"] = None  # as where it is not installed
import numpy as np, kvs
kvs._progress._QUIET_SECONDS = 0  # draw from the first update, however fast this machine is
table = np.random.default_rng(1).integers(-1000, 1000, (2000, 2), dtype=np.int32)
kvs.search(table, 1000, method="described", threads=1, progress=True)
"""


@pytest.mark.parametrize("without_tqdm, bar", [(False, b"kvs search:  "), (True, b"] ")])
def test_progress_bar_only_on_a_terminal(without_tqdm, bar):
    script = BAR_SCRIPT.format(without_tqdm=without_tqdm)
    quiet = subprocess.run([sys.executable, "-c", script], capture_output=True)
    assert (quiet.returncode, quiet.stderr) == (0, b"")

    main, terminal = pty.openpty()
    fcntl.ioctl(terminal, termios.TIOCSWINSZ, struct.pack("HHHH", 24, 80, 0, 0))
    shown = subprocess.Popen([sys.executable, "-c", script], stderr=terminal, stdout=subprocess.DEVNULL)
    os.close(terminal)
    drawn = b""
    while chunk := _read(main):  # read as it comes, so the child never waits on a full terminal
        drawn += chunk
    os.close(main)
    assert shown.wait() == 0
    assert bar in drawn and b"%" in drawn


def _read(descriptor):
    try:
        return os.read(descriptor, 65536)
    except OSError:  # the terminal's other end is closed
        return b""


def test_failed_allocation_leaves_nothing_held(monkeypatch):
    table = long_table(300)
    for method in METHODS:
        monkeypatch.setattr(kvs._kvs, "search", _kvs_failing_heap.failing_search(0))
        kvs.search(table, 40, method=method, threads=2)
        allocations, held = _kvs_failing_heap.counts()
        assert allocations > 0 and held == 0
        references = sys.getrefcount(table)
        for fail_at in range(1, allocations + 1):
            monkeypatch.setattr(kvs._kvs, "search", _kvs_failing_heap.failing_search(fail_at))
            with pytest.raises(MemoryError, match="^search: out of memory for its working storage"):
                kvs.search(table, 40, method=method, threads=2)
            assert _kvs_failing_heap.counts()[1] == 0
        assert sys.getrefcount(table) == references
