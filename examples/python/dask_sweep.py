#!/usr/bin/python3
"""Sweeps multiplication's iterations over a grid of arguments on a Dask
cluster and draws them as a heat map.

    dask_sweep.py [--upto N] [--scheduler ADDRESS] [--output PNG]

Without --scheduler it starts a LocalCluster of two worker processes on
this machine; with it, the runs go to a running scheduler (started with
Debian's dask-scheduler, its workers with dask-worker ADDRESS), whose
workers need vantorb importable.
"""

import argparse
import pathlib

import matplotlib

matplotlib.use("Agg")
import matplotlib.pyplot as plt  # noqa: E402  (after choosing the backend)
from distributed import Client, LocalCluster  # noqa: E402

import vantorb  # noqa: E402

EXAMPLES = pathlib.Path(__file__).resolve().parents[1]


def sweep(client, upto):
    """Iterations of multiplication for every (x, y) up to `upto`, as rows
    of y for each x."""
    program = vantorb.compile_file(EXAMPLES / "multiplication.prv")
    grid = [(x, y) for x in range(upto + 1) for y in range(upto + 1)]
    results = vantorb.sweep(program, grid, limit=10_000_000, client=client, progress=True)
    return [[r.iterations for r in results[x * (upto + 1):(x + 1) * (upto + 1)]]
            for x in range(upto + 1)]


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--upto", type=int, default=15, help="the largest x and y (default 15)")
    parser.add_argument("--scheduler", metavar="ADDRESS",
                        help="a running Dask scheduler, such as tcp://10.0.0.5:8786")
    parser.add_argument("--output", type=pathlib.Path, default=pathlib.Path("heatmap.png"),
                        help="the picture (default heatmap.png in the current folder)")
    options = parser.parse_args()

    if options.scheduler:
        with Client(options.scheduler) as client:
            iterations = sweep(client, options.upto)
    else:
        with LocalCluster(n_workers=2, processes=True, threads_per_worker=1,
                          dashboard_address=None) as cluster, Client(cluster) as client:
            iterations = sweep(client, options.upto)

    figure, axes = plt.subplots(figsize=(6, 5))
    image = axes.imshow(iterations, origin="lower", cmap="viridis")
    axes.set_xlabel("y")
    axes.set_ylabel("x")
    axes.set_title("Iterations of mul(x, y)")
    figure.colorbar(image, ax=axes, label="iterations")
    figure.tight_layout()
    figure.savefig(options.output, dpi=100)
    print(f"heat map: {options.output}")


if __name__ == "__main__":
    main()
