#include "compiler/target_network.hpp"

#include <string>

#include "network/exceptions.hpp"

namespace vantorb {

NeuronList TargetNetwork::InputList() const {
  NeuronList list;
  for (const auto& input : inputNeurons) list.push_back(input.get());
  return list;
}

void CreateInputNeurons(std::int32_t arity, TargetNetwork& network) {
  network.inputNeurons.clear();
  network.outputNeurons.clear();
  network.inputNeurons.push_back(std::make_unique<IOObj>("Ein"));
  for (std::int32_t k = 1; k <= arity; ++k)
    network.inputNeurons.push_back(
        std::make_unique<IOObj>("Edata" + std::to_string(k)));
}

void BuildTargetNetwork(ProofObj& target, TargetNetwork& network) {
  CreateInputNeurons(target.Arity(), network);
  target.BuildNetwork(network.InputList(), network.outputNeurons);
  if (network.outputNeurons.size() < 2)
    throw NeuroClassException(target.Name() + " built no done and result neurons");
  network.outputNeurons[0]->SetName("Eout");
  network.outputNeurons[1]->SetName("Eres");
  target.NumberNeurons(0, 0);
}

}  // namespace vantorb
