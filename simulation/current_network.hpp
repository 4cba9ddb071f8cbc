#pragma once
// CurrentNetwork: the one owner of the network the window works on, and of
// everything that points into it: the run over it and the lists of neurons
// the simulator view inspects and records. Replace() takes a network built
// whole (or none) and releases the previous one together with its run and
// lists, in one step, so that no run or list can outlive the neurons it
// refers to. Views keep no pointers into the network: they ask this owner,
// and compare Id() with the one they saw to tell whether what they show
// still belongs to the network that is here.
//
// Not thread-safe: the window's thread owns it.

#include <cstdint>
#include <memory>

#include "driver/network.hpp"
#include "simulation/network_run.hpp"

namespace vantorb {

class CurrentNetwork {
 public:
  explicit CurrentNetwork(EngineKind engine = EngineKind::Macro);

  // Null before the first successful compile or load, and after a failed
  // compile.
  const Network* Get() const { return live_->network.get(); }
  // Changes with every Replace; never 0, which views may use for "none".
  std::uint64_t Id() const { return id_; }
  // The previous network goes, and with it its run and lists; the new one
  // starts with an idle run and empty lists.
  void Replace(std::unique_ptr<Network> next);

  NetworkRun& Run() { return live_->run; }
  const NetworkRun& Run() const { return live_->run; }
  // The neurons inspected in the last iteration, in tree order, and those
  // the status window lists (the inspected ones when it was last filled).
  NeuronList& Inspected() { return live_->inspected; }
  const NeuronList& Inspected() const { return live_->inspected; }
  NeuronList& Listed() { return live_->listed; }
  const NeuronList& Listed() const { return live_->listed; }
  // The neurons whose values the waveforms record.
  NeuronList& Recorded() { return live_->recorded; }
  const NeuronList& Recorded() const { return live_->recorded; }

 private:
  // Members go in reverse order: the lists and the run before the network.
  struct Live {
    Live(EngineKind engine, std::unique_ptr<Network> next)
        : network(std::move(next)), run(engine) {}
    std::unique_ptr<Network> network;
    NetworkRun run;
    NeuronList inspected, listed, recorded;
  };

  EngineKind engine_;
  std::unique_ptr<Live> live_;
  std::uint64_t id_ = 1;
};

}  // namespace vantorb
