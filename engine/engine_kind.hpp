#pragma once
// The engines a run may use, by kind and by name, each made fresh for one
// run. Free functions, safe from any thread.

#include <memory>
#include <string>

#include "engine/engine.hpp"

namespace vantorb {

enum class EngineKind { Macro, Event, Dense, Reference };
std::unique_ptr<Engine> MakeEngine(EngineKind kind);
// "macro", "event", "dense" or "reference"; throws NeuroException for
// anything else.
EngineKind EngineKindFromName(const std::string& name);

}  // namespace vantorb
