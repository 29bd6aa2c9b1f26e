"""The search with faiss (Debian's python3-faiss): an exact IndexFlatL2 over
every row, the s nearest of every row (k = s, the row itself included), the
sum of their squared distances, and the smallest sum (the last of equal
sums) wins. faiss computes the distances in single precision as
|a|^2 + |b|^2 - 2 a.b, the products by OpenBLAS's sgemm, on every core
(OpenMP); so on near ties the centre may differ from the exact one."""
import faiss
import numpy as np

from peer_common import last_smallest

RESULT_BYTES = 64 << 20  # distances and labels of a block of queries


def search(rows, size):
    vectors = np.ascontiguousarray(rows, dtype=np.float32)
    index = faiss.IndexFlatL2(vectors.shape[1])
    index.add(vectors)
    block = max(1, min(len(vectors), RESULT_BYTES // (12 * size)))
    scores = np.empty(len(vectors))
    for start in range(0, len(vectors), block):
        distances, _ = index.search(vectors[start:start + block], size)
        scores[start:start + block] = distances.sum(axis=1, dtype=np.float64)
    return last_smallest(scores)
