"""kvs.window_series: the series the program's window builds and searches."""
import numbers
import operator
from typing import NamedTuple

import numpy as np

from . import _kvs
from ._table import INT32_MAX, INT32_MIN, integer_from


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
        An empty sequence gives background only. The noise of the largest
        level L moves a coordinate by at most min(6 L, 32768): picks whose
        noisy coordinates could leave the signed 32-bit range are refused.
    noise : int or sequence of int
        A level of the window (0, 5, 10, 25, 50 or 100): the series the
        window shows after the pick and the Noise Level Up presses that reach
        that level, one build at each level on the way. Or the levels of
        every build in order, any from 0 to 10922: the pick's build first,
        then one per press, e.g. [0, 5, 5] for a pick, Noise Level Up and
        Repeat.
    length, repeats : int
        The elements of the series and the copies of each pick (the
        window's 1000 and 502); length times the dimension at most
        2147483647.
    noise_state, background_state : int
        The generators' starting states, 0 to 32767 (the window's 10597
        and 11157).

    Returns
    -------
    WindowSeries
        (values, identities, clean): the noisy vectors, each element's
        identity, and the vectors before noise.

    Raises
    ------
    ValueError
        An argument outside its range (the message names it and the range),
        picks of different dimensions, or a series too big.

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
    levels = _levels(noise)
    length = integer_from("length", length, 1)
    repeats = integer_from("repeats", repeats, 1)
    noise_state = integer_from("noise_state", noise_state, 0, 0x7FFF)
    background_state = integer_from("background_state", background_state, 0, 0x7FFF)
    picks = _picks(picks, max(levels))
    dimension = len(picks[0]) if picks else _kvs.WINDOW_DIMENSION
    if length * dimension > INT32_MAX:
        raise ValueError(f"length {length} of vectors of dimension {dimension}: a series holds at most "
                         f"{INT32_MAX} values")
    values, identities, clean = _kvs.window_series(picks, levels, length, repeats, noise_state, background_state)
    return WindowSeries(values, identities, clean)


def _levels(noise):
    """The level of every build, in order."""
    if isinstance(noise, numbers.Integral):
        levels = _kvs.WINDOW_NOISE_LEVELS
        if noise not in levels:
            raise ValueError(f"noise {noise}: expected one of the window's levels "
                             f"{', '.join(map(str, levels))}, or the levels of every build in order")
        return levels[:levels.index(noise) + 1]
    levels = [operator.index(level) for level in noise]
    if not levels:
        raise ValueError("noise: expected at least one level")
    for level in levels:
        if not 0 <= level <= _kvs.WINDOW_LARGEST_NOISE_LEVEL:
            raise ValueError(f"noise {level}: expected a level from 0 to {_kvs.WINDOW_LARGEST_NOISE_LEVEL}")
    return levels


def _picks(picks, level):
    """The picks as lists of ints whose coordinates noise of level keeps in
    the signed 32-bit range."""
    try:
        picks = [[operator.index(value) for value in pick] for pick in picks]
    except TypeError:
        raise TypeError("picks must be a sequence of vectors of integers, such as [(120, -45)]") from None
    if any(len(pick) != len(picks[0]) or not pick for pick in picks):
        raise ValueError("picks: expected vectors of one dimension, at least 1")
    reach = _kvs.window_noise_reach(level)
    low, high = INT32_MIN + reach, INT32_MAX - reach
    for value in (value for pick in picks for value in pick):
        if not low <= value <= high:
            where = (f", where noise of level {level} (up to {reach}) stays in the signed 32-bit range" if reach
                     else " (the signed 32-bit range)")
            raise ValueError(f"picks: {value} is outside {low} to {high}{where}")
    return picks
