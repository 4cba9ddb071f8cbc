#!/usr/bin/python3
"""Times vantorb.sweep: 64 multiplications on 2 worker threads against the
same 64 runs one after another (a ratio of about 0.5 when the two threads
run side by side), and 2000 short additions on a Dask LocalCluster of 2
worker processes against the same sweep on 2 threads (the cost of Dask's
tasks, which batches spread over many runs).

    PYTHONPATH=BUILD/python bench/python_sweep_bench.py [--workers N] [--size N] [--no-dask]

Each multiplication is mul(x, y) for x and y around --size under the event
engine, about 90 ms each at the default size; each addition add(x, y) for x
and y below 10, a tenth of a millisecond. Each way is timed three times and
its best kept; the cluster is started, and has run one sweep, before it is
timed.
"""

import argparse
import pathlib
import time

import vantorb

EXAMPLES = pathlib.Path(__file__).resolve().parents[1] / "examples"
LIMIT = 10_000_000
SHORT_RUNS = 2000


def best(way):
    """The best of three wall times of way(), and its last results: the
    machine may be busy with other work."""
    times = []
    for _ in range(3):
        started = time.perf_counter()
        results = way()
        times.append(time.perf_counter() - started)
    return min(times), results


def threads_against_one_after_another(workers, size):
    program = vantorb.compile_file(EXAMPLES / "multiplication.prv")
    arguments = [(size + k % 8, size + k // 8) for k in range(64)]
    one_after_another, alone = best(
        lambda: [program.run(*item, limit=LIMIT, engine="event") for item in arguments])
    on_workers, swept = best(lambda: vantorb.sweep(program, arguments, limit=LIMIT,
                                                   engine="event", workers=workers))
    if swept != alone:
        raise SystemExit("the sweep's results differ from the runs one after another")
    print(f"64 runs, {sum(r.iterations for r in alone)} iterations in all")
    print(f"one after another: {one_after_another:.3f} s "
          f"({one_after_another / 64 * 1000:.1f} ms a run)")
    print(f"sweep on {workers} threads: {on_workers:.3f} s")
    print(f"ratio: {on_workers / one_after_another:.2f}")


def dask_against_threads(workers):
    try:
        from distributed import Client, LocalCluster
    except ImportError:
        print("Dask: not timed (dask.distributed is not installed)")
        return
    program = vantorb.compile_file(EXAMPLES / "addition.prv")
    arguments = [(k % 10, k // 10 % 10) for k in range(SHORT_RUNS)]
    on_threads, threads = best(lambda: vantorb.sweep(program, arguments, limit=LIMIT,
                                                     workers=workers))
    with LocalCluster(n_workers=workers, threads_per_worker=1, processes=True,
                      dashboard_address=":0") as cluster, Client(cluster) as client:
        vantorb.sweep(program, arguments[:10], limit=LIMIT, client=client)
        on_dask, dask = best(lambda: vantorb.sweep(program, arguments, limit=LIMIT,
                                                   client=client))
    if dask != threads:
        raise SystemExit("the Dask sweep's results differ from the thread sweep's")
    print(f"{SHORT_RUNS} runs of {sum(r.iterations for r in threads) / SHORT_RUNS:.0f} "
          f"iterations")
    print(f"sweep on {workers} threads: {on_threads:.3f} s")
    print(f"sweep on {workers} Dask workers: {on_dask:.3f} s")
    print(f"ratio: {on_dask / on_threads:.2f}")


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--workers", type=int, default=2)
    parser.add_argument("--size", type=int, default=100)
    parser.add_argument("--no-dask", action="store_true", help="time the threads only")
    options = parser.parse_args()
    threads_against_one_after_another(options.workers, options.size)
    if not options.no_dask:
        dask_against_threads(options.workers)


if __name__ == "__main__":
    main()
