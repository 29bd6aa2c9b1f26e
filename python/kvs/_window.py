"""kvs.window_series: the series the program's window builds and searches."""
import numbers
import operator
from typing import NamedTuple

import numpy as np

from . import _kvs


class WindowSeries(NamedTuple):
    """A series of the window.

    values : numpy.ndarray of int32, shape (length, d)
        The noisy vectors: what the window draws and searches.
    identities : numpy.ndarray of int32, shape (length,)
        0 for a background vector, k for a copy of the k-th pick.
    clean : numpy.ndarray of int32, shape (length, d)
        The vectors before noise.
    """

    values: np.ndarray
    identities: np.ndarray
    clean: np.ndarray


def window_series(picks, noise, *, length=_kvs.WINDOW_SERIES_LENGTH, repeats=_kvs.WINDOW_REPEATS,
                  noise_state=_kvs.WINDOW_NOISE_STATE, background_state=_kvs.WINDOW_BACKGROUND_STATE):
    """The window's series: the same builder, generators and states, so the
    same picks and noise levels give the very vectors the window shows.

    The window starts its two 15-bit generators from fixed states. A pick
    draws length - repeats background vectors, copies the picked vector into
    the last repeats elements and adds noise; each press of Noise Level Up,
    Noise Level Down or Repeat keeps the clean series and adds fresh noise
    at the level then chosen.

    Parameters
    ----------
    picks : sequence of vectors
        The picked vectors in order, such as [(120, -45)]. The window takes
        one pick until Restart; more picks are laid one after another at the
        end, each repeats times, copies of the k-th carrying identity k.
        An empty sequence gives background only.
    noise : int or sequence of int
        A level of the window (0, 5, 10, 25, 50 or 100): the series the
        window shows after the pick and the Noise Level Up presses that reach
        that level, one build at each level on the way. Or the levels of
        every build in order, any from 0 to 10922: the pick's build first,
        then one per press, e.g. [0, 5, 5] for a pick, Noise Level Up and
        Repeat.
    length, repeats : int
        The elements of the series and the copies of each pick (the
        window's 1000 and 502).
    noise_state, background_state : int
        The generators' starting states, 0 to 32767 (the window's 10597
        and 11157).

    Returns
    -------
    WindowSeries
        (values, identities, clean): the noisy vectors, each element's
        identity, and the vectors before noise.

    Examples
    --------
    >>> import kvs
    >>> series = kvs.window_series([(120, -45)], 25)  # a pick, then Noise Level Up three times
    >>> result = kvs.search(series.values, 502)
    >>> result.centre, result.centre_vector.tolist()
    (860, [119, -43])
    >>> round(float((series.identities[result.subset] == 1).mean()), 3)  # the share of copies found
    0.918
    """
    if isinstance(noise, numbers.Integral):
        levels = _kvs.WINDOW_NOISE_LEVELS
        if noise not in levels:
            raise ValueError(f"noise {noise}: expected one of the window's levels "
                             f"{', '.join(map(str, levels))}, or the levels of every build in order")
        levels = levels[:levels.index(noise) + 1]
    else:
        levels = [operator.index(level) for level in noise]
    try:
        picks = [[operator.index(value) for value in pick] for pick in picks]
    except TypeError:
        raise TypeError("picks must be a sequence of vectors of integers, such as [(120, -45)]") from None
    values, identities, clean = _kvs.window_series(picks, levels, length, repeats, noise_state, background_state)
    return WindowSeries(values, identities, clean)
