#include "simulation/current_network.hpp"

namespace vantorb {

CurrentNetwork::CurrentNetwork(EngineKind engine)
    : engine_(engine), live_(std::make_unique<Live>(engine, nullptr)) {}

void CurrentNetwork::Replace(std::unique_ptr<Network> next) {
  // Made before the old one goes, so that a failure here changes nothing.
  auto fresh = std::make_unique<Live>(engine_, std::move(next));
  live_ = std::move(fresh);
  ++id_;
}

}  // namespace vantorb
