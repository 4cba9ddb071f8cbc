#include "engine/engine_kind.hpp"

#include "network/exceptions.hpp"
#include "engine/macro_engine.hpp"

namespace vantorb {

std::unique_ptr<Engine> MakeEngine(EngineKind kind) {
  if (kind == EngineKind::Reference) return std::make_unique<ReferenceEngine>();
  if (kind == EngineKind::Dense) return std::make_unique<DenseEngine>();
  if (kind == EngineKind::Macro) return std::make_unique<MacroEngine>();
  return std::make_unique<EventEngine>();
}

EngineKind EngineKindFromName(const std::string& name) {
  if (name == "macro") return EngineKind::Macro;
  if (name == "event") return EngineKind::Event;
  if (name == "dense") return EngineKind::Dense;
  if (name == "reference") return EngineKind::Reference;
  throw NeuroException("Unknown engine '" + name + "': macro, event, dense or reference");
}

}  // namespace vantorb
