"""The search with scikit-learn's NearestNeighbors: the s nearest rows of
every row (the row itself included), the sum of their squared distances, and
the smallest sum (the last of equal sums) wins. Every core is used
(n_jobs=-1); brute force computes the distances by matrix products on the
BLAS. Distances are floating point, so on ties the centre may differ from the
exact one."""
import numpy as np
from sklearn.neighbors import NearestNeighbors

from peer_common import last_smallest

RESULT_BYTES = 64 << 20  # distances and indices of a block of queries


def search(rows, size, algorithm="brute"):
    vectors = rows.astype(np.float64)
    index = NearestNeighbors(n_neighbors=size, algorithm=algorithm, n_jobs=-1).fit(vectors)
    block = max(1, min(len(vectors), RESULT_BYTES // (16 * size)))
    scores = np.empty(len(vectors))
    for start in range(0, len(vectors), block):
        distances, _ = index.kneighbors(vectors[start:start + block])
        scores[start:start + block] = (distances ** 2).sum(axis=1)
    return last_smallest(scores)
