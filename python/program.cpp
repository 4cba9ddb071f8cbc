#include "python/program.hpp"

#include <algorithm>
#include <chrono>
#include <optional>

#include "compiler/network_graph.hpp"
#include "driver/compilation_driver.hpp"
#include "language/parser_interface.hpp"
#include "network/equation_text.hpp"
#include "network/exceptions.hpp"
#include "network/text_lines.hpp"
#include "network/unary.hpp"
#include "network/utils.hpp"
#include "python/conversions.hpp"
#include "python/errors.hpp"
#include "python/gil.hpp"
#include "python/trace_iterator.hpp"
#include "simulation/network_run.hpp"
#include "simulation/run_arguments.hpp"

namespace py = pybind11;

namespace vantorb::python {
namespace {

py::object DecimalOf(const py::object& decimal, const std::string& text) {
  return decimal(ReplaceFirst(text, decimalSeparator, "."));
}

// A load's errors as CompileFailure with the window's message.
template <typename Load>
auto Loaded(Load&& load) {
  try {
    return load();
  } catch (const std::exception& error) {
    const std::string message = ErrorMessage(error);
    throw CompileFailure(message, CompileErrorLine(message));
  }
}

}  // namespace

std::unique_ptr<Program> Program::FromText(ProgramKind kind, std::string text, std::string name) {
  std::unique_ptr<Network> network;
  {
    GilReleased released;
    // Each compilation has a parser of its own, so that compilations in
    // different threads go on in parallel.
    network = Loaded([&] { return NetworkSource{text, name, kind}.Build(); });
  }
  return std::make_unique<Program>(std::move(network), std::move(text), std::move(name), kind);
}

std::unique_ptr<Program> Program::FromFile(const std::string& path,
                                           std::optional<ProgramKind> kind) {
  std::string text;
  {
    GilReleased released;
    text = Loaded([&] { return ReadSourceFile(path); });
  }
  if (!kind) kind = IsEquationFileName(path) ? SourceKind::Equations : SourceKind::Program;
  return FromText(*kind, std::move(text), path);
}

std::int64_t IterationLimit(const py::handle& limit) {
  return CountOption(limit, kMaxIterationLimit,
                     "limit takes a number of iterations up to " +
                         std::to_string(kMaxIterationLimit));
}

Program::Use::Use(Program& program, bool byTrace, RunControl& control) : program_(program) {
  bool stopped = false;
  {
    GilReleased released;
    std::unique_lock lock(program.mutex_);
    if (program.used_ && program.tracer_ == std::this_thread::get_id())
      throw NeuroException(
          "The program is being traced in this thread; finish or close the trace first");
    while (!program.released_.wait_until(lock, control.SliceEnd(), [&] { return !program.used_; })) {
      // The thread that holds the network may need the GIL to let it go:
      // the lock is not kept while this one takes it.
      lock.unlock();
      stopped = !released.WithGil([&]() noexcept { return control.MayGoOn(); });
      if (stopped) break;
      lock.lock();
    }
    if (!stopped) {
      program.used_ = true;
      program.tracer_ = byTrace ? std::this_thread::get_id() : std::thread::id();
    }
  }
  if (stopped) control.ThrowStop();
}

Program::Use::~Use() {
  {
    std::lock_guard lock(program_.mutex_);
    program_.used_ = false;
    program_.tracer_ = std::thread::id();
  }
  program_.released_.notify_one();
}

std::vector<std::string> Program::Arguments(const py::args& arguments,
                                            std::int64_t largest) const {
  std::vector<std::string> texts = ArgumentTexts(arguments);
  CheckNaturalNumbers(texts);
  CheckArity(*network_, texts);
  // An argument too long to code is refused as the others are, before the
  // network is taken, rather than by the run as an error of its own.
  if (largest > 0) {
    for (const std::string& text : texts) {
      try {
        CheckArgumentSize(text, largest);
      } catch (const NeuroException& error) {
        throw ArgumentError(error.Message());
      }
    }
  }
  return texts;
}

py::dict Program::Info() const {
  py::dict info;
  for (const ReportEntry& entry : ReportEntries(network_->Report()))
    info[py::str(entry.key)] = entry.count ? py::object(py::int_(py::str(entry.text)))
                                           : py::object(PythonText(entry.text));
  info["arity"] = network_->Target().Arity();
  return info;
}

py::list Program::Equations() const {
  py::list lines;
  for (const std::string& line : network_->Equations()) lines.append(PythonText(line));
  return lines;
}

py::str Program::Graph() const {
  return PythonText(NetworkDot(network_->Target(), network_->Io().InputList()));
}

py::dict Program::Weights() const {
  const py::object decimal = py::module_::import("decimal").attr("Decimal");
  NeuronList computed;
  network_->Target().AppendNeurons(computed);
  py::list neurons, inputs, outputs, synapses;
  py::dict biases;
  for (const Neuron* input : network_->Io().InputList()) inputs.append(PythonText(input->Name()));
  for (const Neuron* output : network_->Io().outputNeurons)
    outputs.append(PythonText(output->Name()));
  for (const Neuron* neuron : computed) {
    const py::str name = PythonText(neuron->Name());
    neurons.append(name);
    biases[name] = DecimalOf(decimal, neuron->Bias());
    for (const NReference& synapse : neuron->Synapses())
      synapses.append(py::make_tuple(name, PythonText(synapse.source->Name()),
                                     decimal(weightText(synapse.weight))));
  }
  py::dict weights;
  weights["neurons"] = neurons;
  weights["inputs"] = inputs;
  weights["outputs"] = outputs;
  weights["synapses"] = synapses;
  weights["biases"] = biases;
  return weights;
}

void Program::WriteEquations(const std::string& path) const {
  GilReleased released;
  WriteFileAtomically(path, EquationFileText(network_->Equations()));
}

RunOutcome Program::Run(const py::args& arguments, const py::object& limit,
                        const py::object& engine, const py::object& timeout,
                        const py::object& cancel) {
  EngineKind kind;
  try {
    kind = EngineKindFromName(OptionText(engine));
  } catch (const NeuroException& error) {
    throw ArgumentError(error.Message());
  }
  NetworkRun run(kind);
  // A run gives its result and iteration count only: an engine that holds
  // values as runs keeps them, and takes far larger arguments.
  const std::vector<std::string> texts =
      Arguments(arguments, run.LargestArgument(ValuesHeld::InEngine));
  const std::int64_t iterationLimit = IterationLimit(limit);
  RunControl control(timeout, cancel);
  if (!control.MayGoOn()) control.ThrowStop();
  Use use(*this, false, control);
  RunStatus status = RunStatus::Running;
  bool stopped = false;
  {
    GilReleased released;
    auto sliceEnd = control.SliceEnd();
    status = RunToEnd(run, *network_, texts, iterationLimit, [&] {
      if (stopped) return true;
      if (std::chrono::steady_clock::now() < sliceEnd) return false;
      stopped = !released.WithGil([&]() noexcept { return control.MayGoOn(); });
      sliceEnd = control.SliceEnd();
      return stopped;
    });
  }
  if (stopped) control.ThrowStop();
  RunOutcome outcome;
  py::list given;
  for (const std::string& text : texts) given.append(py::int_(py::str(text)));
  outcome.arguments = py::tuple(given);
  const py::object readOut =
      run.Result().empty() ? py::none() : py::object(py::int_(py::str(run.Result())));
  outcome.result = status == RunStatus::Finished ? readOut : py::none();
  outcome.partialResult = status == RunStatus::LimitReached ? readOut : py::none();
  outcome.iterations = run.Iteration();
  outcome.stoppedByLimit = status == RunStatus::LimitReached;
  return outcome;
}

py::int_ Program::Eval(const py::args& arguments, const py::object& bound,
                       const py::object& timeout, const py::object& cancel) {
  const std::vector<std::string> texts = Arguments(arguments, 0);
  const auto searchBound = static_cast<std::uint64_t>(CountOption(
      bound, INT64_MAX, "bound takes a number of candidates up to " + std::to_string(INT64_MAX)));
  RunControl control(timeout, cancel);
  if (!control.MayGoOn()) control.ThrowStop();
  Use use(*this, false, control);
  std::optional<std::uint64_t> value;
  {
    GilReleased released;
    auto sliceEnd = control.SliceEnd();
    value = EvaluateDefinition(network_->Target(), texts, searchBound, [&] {
      if (std::chrono::steady_clock::now() < sliceEnd) return false;
      const bool goOn = released.WithGil([&]() noexcept { return control.MayGoOn(); });
      sliceEnd = control.SliceEnd();
      return !goOn;
    });
  }
  // Only what the control answered stops an evaluation.
  if (!value) control.ThrowStop();
  return py::int_(*value);
}

std::unique_ptr<TraceIterator> Program::Trace(const py::args& arguments, const py::object& token,
                                              const py::object& limit) {
  const std::vector<std::string> texts = Arguments(arguments, kMaxArgument);
  const std::int64_t iterationLimit = IterationLimit(limit);
  if (!PyUnicode_Check(token.ptr()))
    throw ArgumentError("token takes a text: part of the names of the neurons to trace, or *");
  const std::string tokenText = OptionText(token);
  if (tokenText.empty()) throw ArgumentError("trace needs a token");
  // Refused as the tool refuses it, before the network is taken.
  std::optional<TraceRecorder> chosen;
  try {
    chosen.emplace(TraceRecorder::Reading(network_->Target(), tokenText));
  } catch (const NeuroException& error) {
    throw ArgumentError(error.Message());
  }
  return std::make_unique<TraceIterator>(*this, texts, std::move(*chosen), iterationLimit);
}

}  // namespace vantorb::python
