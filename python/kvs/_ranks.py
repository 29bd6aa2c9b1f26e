"""kvs.search over the ranks of an MPI job (comm=, with mpi4py).

Every rank holds the same table, of integers or of floats searched exactly.
Rank 0 deals out the centres in chunks, as `kvs search` does under mpirun
(guided self-scheduling: large chunks while much is left, small ones near
the end), to its own search and to the other ranks' on request; each rank's
search is prepared once (the method, the k-d tree) for all its chunks. The
ranks' best centres combine by the engine's rule (the smallest exact score,
the last of equal scores); rank 0 orders the winner's subset in the
engine's order (for floats by a search of that centre alone) and hands it
on: every rank returns the result one process would. A failure on any rank
is raised on every rank, the lowest failing rank's, with its message."""
import hashlib
import os
import pickle
import threading
import time

from . import _kvs
from ._table import FloatTable

_TAG_NOTE = 1  # to rank 0: ("request",) for a chunk, ("done", failed) once a rank's search has ended
_TAG_CHUNK = 2  # from rank 0: (first, last), or None for no more
_POLL_SECONDS = 0.001


def agree(comm, error):
    """Every rank's view of a step: raises the lowest failing rank's
    exception on every rank, or returns when no rank failed."""
    errors = comm.allgather(_portable(error))
    for failure in errors:
        if failure is not None:
            raise failure


def _portable(error):
    """The exception as another rank can unpickle it."""
    if error is None:
        return None
    try:
        pickle.loads(pickle.dumps(error))
        return error
    except Exception:
        return RuntimeError(f"{type(error).__name__}: {error}")


def check_same_call(comm, table, size, method):
    """ValueError on every rank unless every rank searches the same table
    for the same size with the same method."""
    values = table.values if isinstance(table, FloatTable) else table
    digest = hashlib.blake2b(memoryview(values).cast("B"), digest_size=16)  # no copy of the table
    digest.update(repr((values.dtype.str, values.shape, size, method)).encode())
    digests = comm.allgather(digest.hexdigest())
    for rank, other in enumerate(digests):
        if other != digests[0]:
            raise ValueError(f"comm: rank {rank} searches another table, size or method than rank 0; "
                             "every rank must pass the same")


def rank_threads(comm, threads):
    """The search threads of this rank: as asked, or for 0 the cores it is
    bound to and no more than its share of its node's cores."""
    if threads != 0:
        return threads
    from mpi4py import MPI
    node = comm.Split_type(MPI.COMM_TYPE_SHARED)
    try:
        node_ranks = node.Get_size()
    finally:
        node.Free()
    return max(1, min(len(os.sched_getaffinity(0)), (os.cpu_count() or 1) // node_ranks))


def search(comm, prepare, method):
    """(centre, centre_vector, subset, score, mean_squared_distance, method,
    threads, seconds), and for a float table its scale and exact, the same
    on every rank; prepare() reads this rank's arguments into (table, size,
    threads), table an int32 array or a FloatTable."""
    from mpi4py import MPI
    if MPI.Query_thread() < MPI.THREAD_SERIALIZED:
        raise RuntimeError("comm: the search's threads talk to rank 0, which needs MPI initialized with "
                           "MPI_THREAD_SERIALIZED or more (mpi4py's default is MPI_THREAD_MULTIPLE)")
    comm = comm.Dup()  # the search's messages never meet the caller's
    try:
        return _search(comm, prepare, method)
    finally:
        comm.Free()


def _search(comm, prepare, method):
    table = size = threads = error = None
    try:
        table, size, threads = prepare()
    except Exception as raised:
        error = raised
    agree(comm, error)
    try:
        check_same_call(comm, table, size, method)
        threads = rank_threads(comm, threads)
    except Exception as raised:
        error = raised
    agree(comm, error)

    start = time.perf_counter()
    best, error = _search_chunks(comm, table, size, method, threads)
    bests = comm.allgather(_portable(error) if error is not None else best)
    for failure in bests:
        if isinstance(failure, BaseException):
            raise failure
    # The engine's rule: a real centre beats none, then the smaller score,
    # then among equal scores the later centre.
    centre, score, method_run, _ = max(bests, key=lambda part: (part[0] >= 0, -part[1], part[0]))
    total_threads = sum(part[3] for part in bests)

    winner = None
    if comm.Get_rank() == 0:
        try:
            winner = _winner(table, size, method, threads, centre, score)
        except Exception as raised:
            error = _portable(raised)
    seconds = time.perf_counter() - start
    winner, seconds, error = comm.bcast((winner, seconds, error), root=0)
    if error is not None:
        raise error
    return (*winner[:5], method_run, total_threads, seconds, *winner[5:])


def _winner(table, size, method, threads, centre, score):
    """What one process reports of the winning centre: (centre,
    centre_vector, subset in the engine's order, score,
    mean_squared_distance), and for a float table (scale, exact), from a
    search of that centre alone."""
    if isinstance(table, FloatTable):
        found = _kvs.search_floats(table.values, size, method, threads, None, table.names, centre, centre + 1)
        return (*found[:5], *found[8:])
    return (centre, table[centre].copy(), _kvs.ordered_subset(table, size, centre), score, float(score) / size)


def _search_chunks(comm, table, size, method, threads):
    """This rank's best (centre, score, method, threads) of the chunks it was
    dealt, and the exception its search raised (or None)."""
    ranks = comm.Get_size()
    if comm.Get_rank() != 0:
        return _run(table, size, method, threads, lambda: _ask_for_chunk(comm), lambda failed: comm.send(
            ("done", failed), dest=0, tag=_TAG_NOTE))
    chunks = _kvs.CentreChunks(table.shape[0], ranks, threads)
    dealer = _Dealer(comm, chunks)
    thread = threading.Thread(target=dealer.run, name="kvs-dealer", daemon=True)
    thread.start()
    try:
        return _run(table, size, method, threads, dealer.own_chunk, dealer.own_done)
    finally:
        thread.join()


def _run(table, size, method, threads, source, done):
    best, error = None, None
    try:
        if isinstance(table, FloatTable):
            best = _kvs.search_float_parts(table.values, size, method, threads, source, table.names)
        else:
            best = _kvs.search_parts(table, size, method, threads, source)
    except BaseException as raised:
        error = raised
    done(error is not None)
    return best, error


def _ask_for_chunk(comm):
    comm.send(("request",), dest=0, tag=_TAG_NOTE)
    return comm.recv(source=0, tag=_TAG_CHUNK)


class _Dealer:
    """Rank 0's dealer: hands chunks to its own search and, on a thread of
    its own, to the other ranks', until every rank's search has ended. Once a
    search has failed it hands out nothing more, so the others end soon."""

    def __init__(self, comm, chunks):
        self.comm = comm
        self.chunks = chunks
        self.lock = threading.Lock()
        self.stopping = False
        self.working = comm.Get_size() - 1

    def next_chunk(self):
        with self.lock:
            if self.stopping:
                return None
            first, last = self.chunks.take()
            return (first, last) if last > first else None

    def own_chunk(self):
        return self.next_chunk()

    def own_done(self, failed):
        if failed:
            self.stop()

    def stop(self):
        with self.lock:
            self.stopping = True

    def run(self):
        from mpi4py import MPI
        status = MPI.Status()
        while self.working > 0:
            if not self.comm.iprobe(source=MPI.ANY_SOURCE, tag=_TAG_NOTE, status=status):
                time.sleep(_POLL_SECONDS)
                continue
            source = status.Get_source()
            note = self.comm.recv(source=source, tag=_TAG_NOTE)
            if note[0] == "request":
                self.comm.send(self.next_chunk(), dest=source, tag=_TAG_CHUNK)
                continue
            self.working -= 1
            if note[1]:
                self.stop()
