#include "language/parser_interface.hpp"

#include <filesystem>
#include <fstream>
#include <iterator>

#include "language/parser.hpp"
#include "network/exceptions.hpp"

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
  std::error_code error;
  std::ifstream file;
  if (!std::filesystem::is_directory(fileName, error))
    file.open(fileName, std::ios::binary);
  if (!file.is_open())
    throw NeuroCompilerException("Cannot open file " + fileName);
  input_.emplace(std::istreambuf_iterator<char>(file),
                 std::istreambuf_iterator<char>());
}

void NParserInterface::Parse() {
  if (!input_) throw NeuroCompilerException("No program file is open");
  scanner_.Reset(*input_);
  Parser(scanner_, *symbolTable_).Parse();
}

}  // namespace vantorb
