"""The search as a numpy user would write it at full speed: the squared
distances of a block of centres to every row as |a|^2 + |b|^2 - 2 a.b, the
products by one matrix product (OpenBLAS's dgemm), np.partition for the s
smallest of each centre, and the smallest sum (the last of equal sums) wins.

In doubles every product and partial sum of a table whose largest squared
norm is below 2^53 is an exact integer, so the keys are exact there (true of
every benchmark table); other tables take exact int64 differences instead."""
import numpy as np

from peer_common import last_smallest

BLOCK_BYTES = 32 << 20  # the keys of a block of centres


def exact_in_doubles(rows):
    largest = np.abs(rows).max(axis=0).astype(np.float64)
    return float((largest * largest).sum()) * 4 < 2.0 ** 53


def block_keys(rows, start, stop, vectors, norms):
    if vectors is None:
        return ((rows[start:stop, None, :] - rows[None, :, :]) ** 2).sum(axis=2)
    products = vectors[start:stop] @ vectors.T
    return (norms[start:stop, None] + norms[None, :] - 2.0 * products).astype(np.int64)


def search(rows, size):
    n = len(rows)
    vectors = norms = None
    if exact_in_doubles(rows):
        vectors = rows.astype(np.float64)
        norms = np.einsum("ij,ij->i", vectors, vectors)
    block = max(1, min(n, BLOCK_BYTES // (8 * n)))
    best_score, best_centre = None, 0
    for start in range(0, n, block):
        keys = block_keys(rows, start, min(n, start + block), vectors, norms)
        if size < n:
            keys = np.partition(keys, size - 1, axis=1)
        index, low = last_smallest(keys[:, :size].sum(axis=1))
        if best_score is None or low <= best_score:
            best_score, best_centre = int(low), start + index
    return best_centre, best_score
