"""The progress kvs.search shows: a bar with progress=True, or the caller's
own callable."""
import contextlib
import importlib
import sys

from . import _kvs

_QUIET_SECONDS = 0.5  # searches shorter than this show no bar, as in kvs search


@contextlib.contextmanager
def reporter(progress):
    """The callable the search hands its fraction done to, or None."""
    if progress is None or progress is False:
        yield None
    elif progress is True:
        bar = _bar()
        try:
            yield bar.update
        finally:
            bar.close()
    elif callable(progress):
        yield progress
    else:
        raise TypeError("progress must be True, False, None or a callable of the fraction done, "
                        f"not {type(progress).__name__}")


def _bar():
    """tqdm's bar in a notebook or on a terminal where tqdm is installed;
    otherwise kvs search's own bar, which draws only on a terminal."""
    notebook = "ipykernel" in sys.modules
    terminal = sys.stderr is not None and sys.stderr.isatty()
    if notebook or terminal:
        try:
            tqdm = importlib.import_module("tqdm.auto" if notebook else "tqdm").tqdm
        except ImportError:
            pass
        else:
            return _TqdmBar(tqdm)
    return _kvs.ProgressBar(_QUIET_SECONDS)


class _TqdmBar:
    def __init__(self, tqdm):
        self._bar = tqdm(total=100, desc="kvs search", delay=_QUIET_SECONDS, leave=False,
                         bar_format="{desc}: {percentage:3.0f}%|{bar}| {elapsed}<{remaining}")

    def update(self, fraction):
        self._bar.update(fraction * 100 - self._bar.n)

    def close(self):
        self._bar.close()
