#pragma once
// NetworkRun: one computation of a target function's network, as Compute,
// the run timer, Step and Finish drive it. Start pulses "Ein" and the unary
// arguments for the first iteration; every later iteration computes every
// neuron's next value from the current ones and only then commits them all.
// The run has finished when "Eout" holds exactly 1; the result is the unary
// count of "Eres" at that moment.
//
// It refers into a network it does not own (the target's tree and the input
// and output lists), so whoever holds both releases the run first, as
// CurrentNetwork does. The iterations are done by an Engine, the event
// engine unless told otherwise. Where the values are is chosen when a run
// starts (ValuesHeld): in the neurons, every neuron in step with the engine
// whenever a call here returns and at every observer call; or kept by the
// engine, read through ReadValue. Not thread-safe; runs over different
// networks may go on in different threads.

#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "compiler/target_network.hpp"
#include "driver/network.hpp"
#include "network/unary.hpp"
#include "engine/engine_kind.hpp"

namespace vantorb {

// Told of every iteration, for the window's inspection and indicator.
class RunObserver {
 public:
  virtual ~RunObserver() = default;
  // Whether the iteration about to be computed is shown: it is computed on
  // its own, never leapt over, and, where the neurons hold the values,
  // Computed() is called for it with every neuron's value and next value
  // written. An iteration not shown goes at the engine's own pace.
  virtual bool Watching() { return true; }
  // The next values are computed and not yet committed (only for a run
  // whose values are in its neurons: see NetworkRun::KeepValuesInEngine).
  virtual void Computed() {}
  // A pass of a tick is about to run its iteration.
  virtual void Pass() {}
  // Whether the observer follows some values through the engine
  // (Engine::Handles): Committed() after every iteration computed, Leapt()
  // after every leap over a proved loop, whose iterations in between are
  // known only by their ends.
  virtual bool Following() { return false; }
  virtual void Committed(const Engine& engine) { (void)engine; }
  virtual void Leapt(const Engine& engine, std::int64_t from, std::int64_t to) {
    (void)engine;
    (void)from;
    (void)to;
  }
};

enum class RunStatus { Running, Finished, LimitReached };

// Where a run's values are, chosen when it starts.
enum class ValuesHeld {
  // In the neurons: every neuron in step whenever a call returns, for a
  // caller that reads neurons (a trace, printed values, comparisons of
  // engines); observers get Computed().
  InNeurons,
  // Kept by an engine that holds values as runs (the macro and the event
  // engine), for good: values may grow far past what limbs could hold,
  // arguments go up to kMaxArgumentAsRuns, and no neuron is brought in step
  // but "Eout"; they are read through ReadValue and ChangedAtLastCommit.
  // An engine that cannot keep them (dense, reference) holds them in the
  // neurons.
  InEngine,
};

// The largest argument a run under that engine takes.
std::int64_t LargestArgument(EngineKind engine, ValuesHeld held);

class NetworkRun {
 public:
  explicit NetworkRun(EngineKind engine = EngineKind::Event)
      : engine_(MakeEngine(engine)), kind_(engine) {}
  // Runs with an engine made and set up by the caller.
  explicit NetworkRun(std::unique_ptr<Engine> engine) : engine_(std::move(engine)) {}

  static constexpr const char* kStartError =
      "An error ocourred. Did you compile a function ?";
  static constexpr const char* kLimitMessage =
      "Iteraction limit exceeded.\n\r Computation Stoped!";
  // A run without a limit stops only where its count ends.
  static constexpr const char* kCountEndMessage =
      "The iteration count reached its largest value, 9223372036854775807: the run stopped there";
  // Why a run under that limit (0: none) reached LimitReached.
  static const char* LimitMessage(std::int64_t iterationLimit) {
    return iterationLimit != 0 ? kLimitMessage : kCountEndMessage;
  }
  static constexpr const char* kNoResultError =
      "The network signalled its end but has no result neuron (Eres)";

  // Starts a run: iteration 0, "Ein" := 1, argument r to "Edata" r + 1
  // (missing ones count as 0, extra ones are ignored), the whole tree reset,
  // "Eout" := 0, the first iteration, every input back to 0. Throws
  // NeuroException kStartError, and stays idle, when there is no target, too
  // few input neurons or no end neuron; an argument too large to code
  // (CheckArgumentSize with LargestArgument) is refused with its own
  // message before anything is set.
  void Start(ProofObj* target, const TargetNetwork& network,
             const std::vector<std::string>& arguments, RunObserver* observer = nullptr,
             ValuesHeld held = ValuesHeld::InNeurons);
  // The same on a network's target and lists.
  void Start(const Network& network, const std::vector<std::string>& arguments,
             RunObserver* observer = nullptr, ValuesHeld held = ValuesHeld::InNeurons) {
    Start(&network.Target(), network.Io(), arguments, observer, held);
  }

  // One tick of up to stepSize passes. Before each pass the limit is tested
  // (limit 0: none): iteration + 1 beyond it stops the run with the result
  // read at that moment (empty without a result neuron). Each pass then does
  // one RunIteration, or, when no observer watches the iteration, lets the
  // engine leap over whole periods of a proved loop within the limit; the
  // pass that reads the result out is the tick's last, since later ones
  // would only read it again. Any 64-bit step size and limit is taken as it
  // is, the largest included. A leap covers at most passRoom iterations.
  RunStatus Tick(std::int64_t stepSize, std::int64_t iterationLimit,
                 std::int64_t passRoom = INT64_MAX);
  // An iteration, or, once "Eout" is 1, the read-out that ends the run.
  // Throws NeuroException kNoResultError at the end of a network without a
  // result neuron (the run is stopped first).
  void RunIteration();

  // The largest argument a Start holding values so takes.
  std::int64_t LargestArgument(ValuesHeld held) const {
    return held == ValuesHeld::InEngine && engine_->CanKeepValues() ? kMaxArgumentAsRuns
                                                                    : kMaxArgument;
  }
  // Whether the run started last keeps its values in the engine.
  bool KeepsValues() const { return kept_; }
  // Asked before every pass of a tick and by a leap's proof: when it
  // answers true, Tick returns at once (the run goes on from there at the
  // next Tick) and a proof under way is given up.
  void SetStopRequest(StopRequest stop) { stop_ = std::move(stop); }

  // A neuron's value now, wherever the engine holds it (a neuron the
  // engine does not compute, or any before the first Start, from the
  // neuron itself); whether the last iteration computed changed it. Cost:
  // the value's runs, not its length.
  void ReadValue(const Neuron& neuron, RunNumber& out) const;
  bool ChangedAtLastCommit(const Neuron& neuron) const;

  // The run computes no further (finished, stopped at its limit, or given
  // up): what the engine keeps for iterations to come is let go, the
  // values stay readable.
  void ReleaseWorkingMemory() { engine_->ReleaseWorkingMemory(); }
  // Everything the run holds is let go: the run stops, its engine starts
  // afresh (a new one of its kind, or the caller's unbound) and the tree's
  // neurons are reset to 0.
  void Release();

  void Stop() { running_ = false; }

  bool Running() const { return running_; }
  std::int64_t Iteration() const { return iteration_; }
  // The decimal result of the last read-out; empty before one.
  const std::string& Result() const { return result_; }
  ProofObj* RunFunction() const { return runFunction_; }
  // The end signal: "Eout" holds exactly 1.
  bool EndSignal() const;
  // Between computing and committing an iteration: the end signal comes
  // with it ("Eout" is to hold exactly 1). For observers in Computed(), the
  // only callers at that moment, when every next value is written.
  bool EndSignalNext() const;
  // The arguments the run was started with.
  const std::vector<std::string>& Arguments() const { return arguments_; }
  const Engine& UsedEngine() const { return *engine_; }

 private:
  void ReadResult();
  // RunIteration without bringing the neurons in step; with room for more
  // iterations than one and nobody watching, the engine may leap over up to
  // that many instead.
  void Pass(std::int64_t leapRoom = 0);

  void Iterate();
  // Every neuron in step with the engine, unless the values are kept.
  void Synchronize();
  // The engine's handle on a neuron it computes, or Engine::kNoHandle.
  std::uint32_t HandleOf(const Neuron& neuron) const;

  std::unique_ptr<Engine> engine_;
  std::optional<EngineKind> kind_;  // none: an engine made by the caller
  StopRequest stop_;
  // Per neuron of the bound tree, its handle on the engine.
  std::unordered_map<const Neuron*, std::uint32_t> handles_;
  ProofObj* runFunction_ = nullptr;
  Neuron* endNeuron_ = nullptr;
  Neuron* resultNeuron_ = nullptr;
  RunObserver* observer_ = nullptr;
  std::int64_t iteration_ = 0;
  bool running_ = false;
  bool kept_ = false;  // this run's values are kept in the engine
  std::string result_;
  std::vector<std::string> arguments_;
};

// A run as the tool, sweeps and the Python module make one: started on the
// arguments with its values kept in the engine, then ticked to its end or
// its limit (0: none). `stop` is asked between ticks of a few thousand
// iterations and inside the engine's proofs; once it answers true the run
// ends where it is, with status Running. Throws what Start and Tick throw.
// A caller that reads the neurons afterwards holds the values in them.
RunStatus RunToEnd(NetworkRun& run, const Network& network,
                   const std::vector<std::string>& arguments, std::int64_t limit,
                   const StopRequest& stop = {}, ValuesHeld held = ValuesHeld::InEngine);

}  // namespace vantorb
