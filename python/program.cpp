#include "python/program.hpp"

#include <algorithm>
#include <chrono>

#include "compiler/network_graph.hpp"
#include "network/exceptions.hpp"
#include "network/utils.hpp"
#include "python/trace_iterator.hpp"
#include "simulation/network_run.hpp"
#include "simulation/run_arguments.hpp"

namespace py = pybind11;

namespace vantorb::python {
namespace {

// How long a run goes without the GIL before signal handlers get a turn:
// short enough for Ctrl-C to feel immediate.
constexpr auto kSlice = std::chrono::milliseconds(50);

py::object DecimalOf(const py::object& decimal, const std::string& text) {
  return decimal(ReplaceFirst(text, decimalSeparator, "."));
}

}  // namespace

int IterationLimit(long long limit) {
  if (limit < 0 || limit > kMaxIterationLimit)
    throw ArgumentError("limit takes a number of iterations up to " +
                        std::to_string(kMaxIterationLimit));
  return static_cast<int>(limit);
}

Program::Use::Use(Program& program, bool byTrace) : program_(program) {
  py::gil_scoped_release release;
  std::unique_lock lock(program.mutex_);
  if (program.used_ && program.tracer_ == std::this_thread::get_id())
    throw NeuroException(
        "The program is being traced in this thread; finish or close the trace first");
  program.released_.wait(lock, [&] { return !program.used_; });
  program.used_ = true;
  program.tracer_ = byTrace ? std::this_thread::get_id() : std::thread::id();
}

Program::Use::~Use() {
  {
    std::lock_guard lock(program_.mutex_);
    program_.used_ = false;
    program_.tracer_ = std::thread::id();
  }
  program_.released_.notify_one();
}

std::vector<std::string> Program::Arguments(const py::args& arguments) const {
  std::vector<std::string> texts;
  for (const auto& argument : arguments) texts.push_back(py::str(argument));
  CheckNaturalNumbers(texts);
  CheckArity(*network_, texts);
  return texts;
}

py::dict Program::Info() const {
  py::dict info;
  for (const ReportEntry& entry : ReportEntries(network_->Report()))
    info[py::str(entry.key)] = entry.count ? py::object(py::int_(py::str(entry.text)))
                                           : py::object(py::str(entry.text));
  info["arity"] = network_->Target().Arity();
  return info;
}

std::string Program::Graph() const {
  return NetworkDot(network_->Target(), network_->Io().InputList());
}

py::dict Program::Weights() const {
  const py::object decimal = py::module_::import("decimal").attr("Decimal");
  NeuronList computed;
  network_->Target().AppendNeurons(computed);
  py::list neurons, inputs, outputs, synapses;
  py::dict biases;
  for (const Neuron* input : network_->Io().InputList()) inputs.append(input->Name());
  for (const Neuron* output : network_->Io().outputNeurons) outputs.append(output->Name());
  for (const Neuron* neuron : computed) {
    neurons.append(neuron->Name());
    biases[py::str(neuron->Name())] = DecimalOf(decimal, neuron->Bias());
    for (const NReference& synapse : neuron->Synapses())
      synapses.append(py::make_tuple(neuron->Name(), synapse.source->Name(), synapse.weight));
  }
  py::dict weights;
  weights["neurons"] = neurons;
  weights["inputs"] = inputs;
  weights["outputs"] = outputs;
  weights["synapses"] = synapses;
  weights["biases"] = biases;
  return weights;
}

RunOutcome Program::Run(const py::args& arguments, long long limit, const std::string& engine) {
  const std::vector<std::string> texts = Arguments(arguments);
  const int iterationLimit = IterationLimit(limit);
  EngineKind kind;
  try {
    kind = EngineKindFromName(engine);
  } catch (const NeuroException& error) {
    throw ArgumentError(error.Message());
  }
  Use use(*this, false);
  NetworkRun run(kind);
  RunStatus status = RunStatus::Running;
  {
    py::gil_scoped_release release;
    run.Start(*network_, texts);
  }
  // Nobody looks at the neurons until the end, whose read-out brings them
  // in step: the slices need not copy the engine's values into them.
  run.LeaveNeuronsBehind(true);
  while (status == RunStatus::Running) {
    {
      py::gil_scoped_release release;
      const auto sliceEnd = std::chrono::steady_clock::now() + kSlice;
      // The limit never comes between two ticks: each pass tests it.
      while (status == RunStatus::Running && std::chrono::steady_clock::now() < sliceEnd)
        status = run.Tick(100, iterationLimit);
    }
    if (PyErr_CheckSignals() != 0) throw py::error_already_set();
  }
  RunOutcome outcome;
  outcome.result = run.Result().empty() ? py::none() : py::object(py::int_(py::str(run.Result())));
  outcome.iterations = run.Iteration();
  outcome.stoppedByLimit = status == RunStatus::LimitReached;
  return outcome;
}

py::int_ Program::Eval(const py::args& arguments, std::uint64_t searchBound) {
  const std::vector<std::string> texts = Arguments(arguments);
  Use use(*this, false);
  std::uint64_t value = 0;
  {
    py::gil_scoped_release release;
    value = *EvaluateDefinition(network_->Target(), texts, searchBound);
  }
  return py::int_(value);
}

std::unique_ptr<TraceIterator> Program::Trace(const py::args& arguments, const std::string& token,
                                              long long limit) {
  const std::vector<std::string> texts = Arguments(arguments);
  return std::make_unique<TraceIterator>(*this, texts, token, IterationLimit(limit));
}

}  // namespace vantorb::python
