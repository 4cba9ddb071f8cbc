#include "language/parser.hpp"

#include "compiler/axioms.hpp"
#include "compiler/composition.hpp"
#include "compiler/minimization.hpp"
#include "compiler/recursion.hpp"
#include "network/exceptions.hpp"
#include "network/utils.hpp"

namespace vantorb {
namespace {

constexpr std::size_t kMaxText = 255;

bool StartsBody(Token t) {
  switch (t) {
    case Token::W: case Token::Z: case Token::S: case Token::U:
    case Token::C: case Token::R: case Token::M:
      return true;
    default:
      return false;
  }
}

std::int32_t ProjectionNumber(const std::string& digits) {
  const auto value = ParseDecimalInteger(digits, INT32_MIN, INT32_MAX);
  if (!value)
    throw NeuroCompilerException("'" + digits + "' is not a valid integer value");
  return static_cast<std::int32_t>(*value);
}

ProofObjContainer Single(std::unique_ptr<ProofObj> object) {
  ProofObjContainer list;
  list.Add(std::move(object));
  return list;
}

}  // namespace

void Parser::Parse() {
  entries_ = 1;  // the start
  Push();        // the (still empty) program
  for (Token t = scanner_.Next(); t != Token::End; t = scanner_.Next())
    ParseStatement(t);
}

void Parser::ParseStatement(Token token) {
  if (token == Token::Target) {
    Push();
    Expect(Token::Identifier);
    Push();
    table_.SetTarget(scanner_.TokenText());
    Reduce(2);  // statement
    Reduce(2);  // program
    return;
  }
  std::size_t statementEntries = 1;
  if (token == Token::Define) {
    Push();
    ++statementEntries;
    token = scanner_.Next();
  }
  const std::size_t objectsBefore = objects_;
  Object definition = ParseDefinition(token);
  Reduce(statementEntries);
  const ProofObj* entered = definition.get();
  table_.Add(std::move(definition));
  declaredSizes_[entered] = objects_ - objectsBefore;
  Reduce(2);  // program
}

Parser::Object Parser::ParseDefinition(Token token) {
  std::string name;
  Object body;
  if (token == Token::Identifier) {
    Push();
    name = scanner_.TokenText();
    token = scanner_.Next();
    if (!StartsBody(token)) SyntaxError();
    body = ParseBody(token);
    Reduce(2);
  } else {
    if (!StartsBody(token)) SyntaxError();
    body = ParseBody(token);
    name = "expr" + std::to_string(table_.AddCount() + 1);
    Reduce(1);
  }
  return Created(std::make_unique<Func>(name, Single(std::move(body))));
}

Parser::Object Parser::ParseBody(Token token) {
  switch (token) {
    case Token::W: Push(); return Created(std::make_unique<Zero>());
    case Token::Z: Push(); return Created(std::make_unique<UnaryZero>());
    case Token::S: Push(); return Created(std::make_unique<Successor>());
    case Token::U: return ParseProjection();
    default: return ParseRule(token);
  }
}

Parser::Object Parser::ParseArgument(Token token) {
  if (StartsBody(token)) return ParseBody(token);
  if (token != Token::Identifier) SyntaxError();
  Push();
  return Reference(scanner_.TokenText());
}

Parser::Object Parser::ParseProjection() {
  Push();  // "U"
  Expect(Token::Open);
  Push();
  Expect(Token::Number);
  Push();
  const std::string index = scanner_.TokenText();
  Expect(Token::Comma);
  Push();
  Expect(Token::Number);
  Push();
  const std::string arity = scanner_.TokenText();
  Expect(Token::Close);
  Push();
  auto projection = std::make_unique<Projection>(ProjectionNumber(index),
                                                 ProjectionNumber(arity));
  if (projection->Arity() > kMaxArity)
    throw NeuroCompilerException(
        "Projection " + projection->Name() + " has more than " +
        std::to_string(kMaxArity) + " arguments, too many to build");
  Reduce(6);
  return Created(std::move(projection));
}

Parser::Object Parser::ParseRule(Token letter) {
  Push();  // the letter
  Expect(Token::Open);
  Push();
  Push();  // the marker that opens a new argument list
  ProofObjContainer arguments;
  arguments.Add(ParseArgument(scanner_.Next()));
  for (;;) {
    const Token t = scanner_.Next();
    if (t == Token::Close) break;
    if (t != Token::Comma) SyntaxError();
    Push();
    arguments.Add(ParseArgument(scanner_.Next()));
    Reduce(3);
  }
  Push();  // ")"
  std::unique_ptr<Rule> rule;
  if (letter == Token::C) rule = std::make_unique<Comp>(std::move(arguments));
  if (letter == Token::R) rule = std::make_unique<Recur>(std::move(arguments));
  if (letter == Token::M) rule = std::make_unique<Minim>(std::move(arguments));
  rule->CheckArguments();
  Reduce(5);
  return Created(std::move(rule));
}

Parser::Object Parser::Reference(const std::string& name) {
  const ProofObj* declared = table_.Find(name);
  if (declared == nullptr)
    throw NeuroCompilerException(
        ("Function " + name + " does not exist!").substr(0, kMaxText));
  const auto known = declaredSizes_.find(declared);
  const std::size_t size = known != declaredSizes_.end()
                               ? known->second
                               : declared->ObjectCount();
  if (size > kMaxFunctionObjects - cloned_)
    throw NeuroCompilerException(
        ("Function " + name + " makes the program too large: more than " +
         std::to_string(kMaxFunctionObjects) + " function objects")
            .substr(0, kMaxText));
  cloned_ += size;
  objects_ += size;
  return declared->Clone();
}

Parser::Object Parser::Created(Object object) {
  ++objects_;
  return object;
}

void Parser::Expect(Token token) {
  if (scanner_.Next() != token) SyntaxError();
}

void Parser::Push() {
  if (entries_ + 1 > kMaxStackEntries) SyntaxError();
  ++entries_;
}

void Parser::SyntaxError() const {
  throw NeuroCompilerException(" Syntax error at line " +
                               std::to_string(scanner_.LineNumber()));
}

}  // namespace vantorb
