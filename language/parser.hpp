#pragma once
// Parser: reads a program from the scanner and fills a symbol table.
//
//   program    : { statement }
//   statement  : "#define" definition | definition | "#target" IDENTIFIER
//   definition : IDENTIFIER body | body          (unnamed: "expr" + number)
//   body       : axiom | rule
//   argument   : axiom | rule | IDENTIFIER       (a clone of a declared one)
//   axiom      : "W" | "Z" | "S" | "U" "(" NUMBER "," NUMBER ")"
//   rule       : ("C" | "R" | "M") "(" argument { "," argument } ")"
//
// Each action runs the moment its construct is complete, before the next
// token is read: a definition enters the table, a reference is looked up,
// a rule checks its arguments at its ")". The parse keeps the account of a
// shift-reduce stack of 1024 entries (one for the start, one for the
// statements so far, one per open token or construct, three per open rule
// and two more while its open argument is not the first) and fails with the
// syntax error when an entry would not fit. The first error ends the parse;
// what was entered before stays in the table.
//
// Beyond the language, it refuses programs too large to hold or build: a
// projection of more than kMaxArity arguments, and references whose clones
// would take the program past kMaxFunctionObjects cloned function objects
// (each reference copies a whole tree, so a few dozen lines can ask for
// billions).

#include <cstddef>
#include <memory>
#include <string>
#include <unordered_map>

#include "compiler/proof_obj.hpp"
#include "language/scanner.hpp"
#include "language/symbol_table.hpp"

namespace vantorb {

class Parser {
 public:
  static constexpr std::size_t kMaxStackEntries = 1024;
  static constexpr std::size_t kMaxFunctionObjects = 2'000'000;
  static constexpr std::int32_t kMaxArity = 100'000;

  Parser(Scanner& scanner, SymbolTable& table)
      : scanner_(scanner), table_(table) {}

  // Throws NeuroException subclasses with the messages users see.
  void Parse();

 private:
  using Object = std::unique_ptr<ProofObj>;

  void ParseStatement(Token token);
  Object ParseDefinition(Token token);
  Object ParseBody(Token token);
  Object ParseArgument(Token token);
  Object ParseProjection();
  Object ParseRule(Token letter);
  Object Reference(const std::string& name);
  Object Created(Object object);

  void Expect(Token token);
  void Push();
  void Reduce(std::size_t entries) { entries_ -= entries - 1; }
  [[noreturn]] void SyntaxError() const;

  Scanner& scanner_;
  SymbolTable& table_;
  std::size_t entries_ = 0;
  std::size_t objects_ = 0;  // function objects made by this parse
  std::size_t cloned_ = 0;   // those of them made by references
  std::unordered_map<const ProofObj*, std::size_t> declaredSizes_;
};

}  // namespace vantorb
