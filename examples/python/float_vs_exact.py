#!/usr/bin/python3
"""Runs a network twice: exactly, as Vantorb does, and in float64 with NumPy
from the weights Program.weights() gives, and prints the first iteration
where the two disagree.

    float_vs_exact.py [PROGRAM] [ARG...] [--tolerance T] [--limit N]

The unary code of n is 0.1 followed by n digits 1; float64 holds about 16
significant digits, so once a network shifts a long code's digits the
floating-point copy drifts away from the exact one.
"""

import argparse
import pathlib

import numpy as np

import vantorb

EXAMPLES = pathlib.Path(__file__).resolve().parent.parent


def unary_code(n):
    return float("0." + "1" * (n + 1))


def float_network(weights):
    """The network as arrays: every neuron's index, W, b, the inputs'."""
    names = weights["inputs"] + weights["neurons"]
    index = {name: i for i, name in enumerate(names)}
    w = np.zeros((len(names), len(names)))
    for target, source, weight in weights["synapses"]:
        w[index[target], index[source]] += float(weight)
    b = np.zeros(len(names))
    for name, bias in weights["biases"].items():
        b[index[name]] = float(bias)
    computed = np.zeros(len(names), dtype=bool)
    computed[[index[n] for n in weights["neurons"]]] = True
    return index, w, b, computed


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("program", nargs="?", default=EXAMPLES / "multiplication.prv")
    parser.add_argument("arguments", nargs="*", type=int, default=[9, 7])
    parser.add_argument("--tolerance", type=float, default=1e-6)
    parser.add_argument("--limit", type=int, default=100000)
    options = parser.parse_args()

    program = vantorb.compile_file(options.program)
    index, w, b, computed = float_network(program.weights())
    # The first iteration sees the start pulse and the arguments' codes;
    # after it every input is 0 again.
    x = np.zeros(len(index))
    x[index["Ein"]] = 1.0
    for k, n in enumerate(options.arguments, start=1):
        x[index[f"Edata{k}"]] = unary_code(n)

    trace = program.trace(*options.arguments, token="*", limit=options.limit)
    first = None
    for iteration, exact in trace:
        x = np.where(computed, np.clip(w @ x + b, 0.0, 1.0), 0.0)
        if first is None:
            names = list(exact)
            exact_values = np.array([float(exact[n]) for n in names])
            drift = np.abs(x[[index[n] for n in names]] - exact_values)
            worst = int(np.argmax(drift))
            if drift[worst] > options.tolerance:
                first = (iteration, names[worst], exact[names[worst]], x[index[names[worst]]])
    print(f"{program.info['target']}{tuple(options.arguments)}: exact result "
          f"{trace.result} after {trace.iterations} iterations")
    if first is None:
        print(f"float64 stays within {options.tolerance} of the exact values throughout")
    else:
        iteration, name, exact_value, float_value = first
        print(f"first disagreement at iteration {iteration}: {name} is exactly "
              f"{exact_value}, float64 gives {float_value!r}")


if __name__ == "__main__":
    main()
