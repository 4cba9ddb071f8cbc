#pragma once
// NetworkSource: what a network is made from: the text of a program or of
// an equation file, with the file name it goes by. Small and copyable, so
// that each worker of a sweep, or a process elsewhere, makes a network of
// its own from it (a run writes neuron values: no network is shared).
// Immutable once made; any thread may read it.

#include <memory>
#include <string>

#include "driver/network.hpp"

namespace vantorb {

enum class SourceKind { Program, Equations };

struct NetworkSource {
  std::string text;
  std::string name;  // the file the text goes by
  SourceKind kind = SourceKind::Program;

  // A file's text, read as the tool reads it (an equation file by its
  // name: IsEquationFileName). Throws ReadSourceFile's NeuroException.
  static NetworkSource FromFile(const std::string& fileName);
  // A network of its own: compiled with a parser of its own, or loaded.
  // Throws what CompileProgramText and LoadEquationText throw.
  std::unique_ptr<Network> Build() const;
};

}  // namespace vantorb
