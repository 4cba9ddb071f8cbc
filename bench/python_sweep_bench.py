#!/usr/bin/python3
"""Times vantorb.sweep of 64 multiplications on 2 worker threads against
the same 64 runs one after another, and prints the ratio of the two wall
times (about 0.5 when the two threads run side by side).

    PYTHONPATH=BUILD/python bench/python_sweep_bench.py [--workers N] [--size N]

Each run is mul(x, y) for x and y around --size under the event engine,
about 90 ms each at the default size; each way is timed three times and
its best kept.
"""

import argparse
import pathlib
import time

import vantorb

EXAMPLES = pathlib.Path(__file__).resolve().parents[1] / "examples"
LIMIT = 10_000_000


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--workers", type=int, default=2)
    parser.add_argument("--size", type=int, default=100)
    options = parser.parse_args()

    program = vantorb.compile_file(EXAMPLES / "multiplication.prv")
    arguments = [(options.size + k % 8, options.size + k // 8) for k in range(64)]

    # The best of three of each way: the machine may be busy with other work.
    def best(way):
        times = []
        for _ in range(3):
            started = time.perf_counter()
            results = way()
            times.append(time.perf_counter() - started)
        return min(times), results

    one_after_another, alone = best(
        lambda: [program.run(*item, limit=LIMIT, engine="event") for item in arguments])
    on_workers, swept = best(lambda: vantorb.sweep(program, arguments, limit=LIMIT,
                                                   engine="event", workers=options.workers))

    if swept != alone:
        raise SystemExit("the sweep's results differ from the runs one after another")
    print(f"64 runs, {sum(r.iterations for r in alone)} iterations in all")
    print(f"one after another: {one_after_another:.3f} s ({one_after_another / 64 * 1000:.1f} ms a run)")
    print(f"sweep on {options.workers} workers: {on_workers:.3f} s")
    print(f"ratio: {on_workers / one_after_another:.2f}")


if __name__ == "__main__":
    main()
