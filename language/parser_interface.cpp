#include "language/parser_interface.hpp"

#include "language/parser.hpp"
#include "network/exceptions.hpp"
#include "network/text_lines.hpp"

namespace vantorb {

std::unique_ptr<NParserInterface> parserInterface;

void CreateParserInterface() {
  parserInterface = std::make_unique<NParserInterface>();
}

void FreeParserInterface() { parserInterface.reset(); }

void NParserInterface::ResetSymbolTable() {
  symbolTable_.reset();
  symbolTable_ = std::make_unique<SymbolTable>();
}

std::unique_ptr<SymbolTable> NParserInterface::TakeSymbolTable() {
  auto taken = std::make_unique<SymbolTable>();
  taken.swap(symbolTable_);
  return taken;
}

void NParserInterface::OpenInput(const std::string& fileName) {
  input_.reset();
  try {
    input_ = ReadSourceFile(fileName);
  } catch (const NeuroException& e) {
    throw NeuroCompilerException(e.Message());
  }
}

void NParserInterface::Parse() {
  if (!input_) throw NeuroCompilerException("No program file is open");
  scanner_.Reset(*input_);
  Parser(scanner_, *symbolTable_).Parse();
}

}  // namespace vantorb
