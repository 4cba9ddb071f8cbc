#pragma once
// The module's thread sweep: the library's Sweep over a Program's source,
// run without the GIL on worker threads of its own, each with a network of
// its own, so that a sweep costs what the tool's does.

#include <pybind11/pybind11.h>

#include "python/program.hpp"

namespace vantorb::python {

// Runs the program for every tuple (a sequence of tuples of ints, checked
// as natural numbers, each as many as the target takes; every argument's
// size is checked before any run) on `workers` threads (1 to 1024) with
// Program.run's limit and engine. on_row(index, RunResult) is called on
// this thread, with the GIL, for each tuple in order as its run ends, up to
// the first tuple never started; a run cut short by a stop gives a
// RunResult whose result is None and whose limit did not stop it.
// on_progress, unless None, is called likewise with (runs ended, tuples)
// as the count grows, in whatever order the runs end. timeout, cancel and
// Ctrl-C are asked every kSlice, as a run asks them; once one says stop,
// the runs going on stop at once. Returns (rows delivered, None) after the
// last run, or (rows delivered, "what stopped it") after a timeout or a
// cancel. Raises KeyboardInterrupt for Ctrl-C, what a callback or cancel's
// is_set raises (the rows after a callback that raised are not delivered),
// ArgumentError for refused options or arguments, and a run's error
// (vantorb.Error), each once the rows before it are delivered and every
// worker has ended.
pybind11::tuple SweepOnThreads(const Program& program, const pybind11::sequence& tuples,
                               const pybind11::object& limit, const pybind11::object& engine,
                               const pybind11::object& workers, const pybind11::object& timeout,
                               const pybind11::object& cancel, const pybind11::function& onRow,
                               const pybind11::object& onProgress);

// Refuses what SweepOnThreads would refuse before its first run, without
// running anything: for a sweep whose runs go to other processes, so that
// they are refused alike.
void CheckSweep(const Program& program, const pybind11::sequence& tuples,
                const pybind11::object& limit, const pybind11::object& engine,
                const pybind11::object& workers, const pybind11::object& timeout,
                const pybind11::object& cancel);

}  // namespace vantorb::python
