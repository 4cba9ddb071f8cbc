#include "driver/network_source.hpp"

#include "driver/compilation_driver.hpp"
#include "language/parser_interface.hpp"
#include "network/text_lines.hpp"

namespace vantorb {

NetworkSource NetworkSource::FromFile(const std::string& fileName) {
  return {ReadSourceFile(fileName), fileName,
          IsEquationFileName(fileName) ? SourceKind::Equations : SourceKind::Program};
}

std::unique_ptr<Network> NetworkSource::Build() const {
  if (kind == SourceKind::Equations) return LoadEquationText(text, name);
  NParserInterface parser;
  return CompileProgramText(parser, text, name);
}

}  // namespace vantorb
