#pragma once
// NParserInterface: the front door of the language front end. It owns the
// symbol table that parsing fills (there is always one) until a finished
// compilation takes it, and the scanner with its input, a program file
// read whole when it is opened.
//
// parserInterface is the program's one instance, made by the window or the
// tool at start and released at the end. Not thread-safe; distinct objects
// share nothing and may be used in different threads at once, as the Python
// module does with one for each compilation.

#include <memory>
#include <optional>
#include <string>

#include "language/scanner.hpp"
#include "language/symbol_table.hpp"

namespace vantorb {

class NParserInterface {
 public:
  NParserInterface() : symbolTable_(std::make_unique<SymbolTable>()) {}

  SymbolTable& symbolTable() { return *symbolTable_; }
  // Releases the table with all its functions and their networks and puts
  // an empty one in its place.
  void ResetSymbolTable();
  // Hands over the table as the last Parse left it and puts an empty one in
  // its place.
  std::unique_ptr<SymbolTable> TakeSymbolTable();

  // Reads the file as the scanner's input; throws NeuroCompilerException
  // "Cannot open file NAME: reason" (ReadSourceFile's words) and leaves the
  // input closed when it cannot.
  void OpenInput(const std::string& fileName);
  // Takes the text as the scanner's input, as if read from a file.
  void OpenText(std::string text) { input_ = std::move(text); }
  // Resets the scanner and parses the open input into the table; lets the
  // first error through. Throws NeuroCompilerException when no input is open.
  void Parse();
  // Never fails, also when nothing is open.
  void CloseInput() { input_.reset(); }
  bool InputOpen() const { return input_.has_value(); }

  // Lines read by the last Parse, up to its end or its error.
  int lineNumber() const { return scanner_.LineNumber(); }

 private:
  std::unique_ptr<SymbolTable> symbolTable_;
  std::optional<std::string> input_;
  Scanner scanner_;
};

extern std::unique_ptr<NParserInterface> parserInterface;
void CreateParserInterface();
void FreeParserInterface();

}  // namespace vantorb
