// Equation-file text through the reader and a few iterations, run twice:
// once by the reference engine and once by the event engine, which must
// agree on every neuron at every step. Anything but a NeuroException or
// agreement is a finding.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "compiler/target_network.hpp"
#include "compiler/user_net.hpp"
#include "network/exceptions.hpp"
#include "network/text_lines.hpp"
#include "engine/engine.hpp"

namespace {

using namespace vantorb;

struct Loaded {
  std::unique_ptr<UserNet> net;
  TargetNetwork network;
};

bool Load(const std::vector<std::string>& lines, Loaded& loaded) {
  int lineIndex = -1;
  try {
    loaded.net = std::make_unique<UserNet>(lines, lineIndex);
    CreateInputNeurons(loaded.net->Arity(), loaded.network);
    loaded.net->BuildNetwork(loaded.network.InputList(), loaded.network.outputNeurons);
  } catch (const NeuroException&) {
    return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto lines = SplitLines(std::string_view(reinterpret_cast<const char*>(data), size));
  Loaded a, b;
  if (!Load(lines, a) || !Load(lines, b)) return 0;
  if (a.net->Neurons().Count() > 5000) return 0;
  for (Loaded* l : {&a, &b}) {
    l->net->Reset();
    if (!l->network.inputNeurons.empty()) l->network.inputNeurons[0]->SetValueText("1");
    for (std::size_t k = 1; k < l->network.inputNeurons.size(); ++k)
      l->network.inputNeurons[k]->SetArgument(std::to_string(k % 5));
  }
  ReferenceEngine reference;
  EventEngine event;
  try {
    reference.Bind(*a.net, a.network.InputList());
    event.Bind(*b.net, b.network.InputList());
    for (int step = 0; step < 12; ++step) {
      reference.ComputeNext();
      event.ComputeNext();
      reference.Commit();
      event.Commit();
      if (step == 0)
        for (Loaded* l : {&a, &b})
          for (const auto& input : l->network.inputNeurons) input->SetValueText("0");
      for (std::size_t n = 0; n < a.net->Neurons().Count(); ++n)
        if (!(a.net->Neurons().Get(n)->Value() == b.net->Neurons().Get(n)->Value()))
          std::abort();  // the engines disagree
    }
  } catch (const NeuroException&) {
  }
  return 0;
}
