#!/usr/bin/python3
"""Sweeps addition, multiplication and division (a minimization) over a
range of arguments with vantorb.sweep, the runs spread over threads
(Vantorb lets the GIL go while a network runs), tabulates result and
iterations, and plots the iterations against the argument.

    sweep.py [--upto N] [--output PNG]
"""

import argparse
import pathlib

import matplotlib

matplotlib.use("Agg")
import matplotlib.pyplot as plt  # noqa: E402  (after choosing the backend)

import vantorb  # noqa: E402

ROOT = pathlib.Path(__file__).resolve().parents[2]
# Each function with the fixed argument the swept one x goes with.
FUNCTIONS = {
    "add(x, 4)": ("addition.prv", lambda x: (x, 4)),
    "mul(x, 4)": ("multiplication.prv", lambda x: (x, 4)),
    "div(x, 3)": ("division.prv", lambda x: (x, 3)),
}


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--upto", type=int, default=12)
    parser.add_argument("--output", type=pathlib.Path, default=pathlib.Path("sweep.png"),
                        help="the picture (default sweep.png in the current folder)")
    options = parser.parse_args()

    outcomes = []
    for label, (file, arguments) in FUNCTIONS.items():
        xs = range(options.upto + 1)
        # Each of sweep's threads runs its own copy of the program.
        results = vantorb.sweep(ROOT / "examples" / file, [arguments(x) for x in xs],
                                limit=10_000_000)
        outcomes += [(label, x, outcome) for x, outcome in zip(xs, results)]

    print(f"{'function':<10} {'x':>3} {'result':>7} {'iterations':>10}")
    for label, x, outcome in outcomes:
        print(f"{label:<10} {x:>3} {outcome.result:>7} {outcome.iterations:>10}")

    figure, axes = plt.subplots(figsize=(7, 4))
    for label in FUNCTIONS:
        points = [(x, o.iterations) for name, x, o in outcomes if name == label]
        axes.plot(*zip(*points), marker="o", label=label)
    axes.set_xlabel("x")
    axes.set_ylabel("iterations")
    axes.set_yscale("log")
    axes.set_title("Iterations of the exact network against the argument")
    axes.legend()
    axes.grid(True, alpha=0.3)
    figure.tight_layout()
    figure.savefig(options.output, dpi=100)
    print(f"plot: {options.output}")


if __name__ == "__main__":
    main()
