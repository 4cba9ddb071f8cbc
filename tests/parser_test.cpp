// The parser and the symbol table: the language, the moments its actions
// run (which decide which error a faulty program reports), every message,
// the nesting limit, the size limits, and hostile input.

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "language/parser.hpp"
#include "network/exceptions.hpp"

namespace vantorb {
namespace {

struct ParseResult {
  std::string error;               // empty on success
  std::vector<std::string> names;  // entries of the table, in order
  std::vector<int> arities;
  std::size_t addCount = 0;
  int lines = 0;
};

ParseResult ParseText(const std::string& text) {
  Scanner scanner;
  scanner.Reset(text);
  SymbolTable table;
  ParseResult result;
  try {
    Parser(scanner, table).Parse();
  } catch (const NeuroException& e) {
    result.error = e.what();
  }
  for (std::size_t i = 0; i < table.Count(); ++i) {
    result.names.push_back(table.Entry(i).Name());
    result.arities.push_back(table.Entry(i).Arity());
  }
  result.addCount = table.AddCount();
  result.lines = scanner.LineNumber();
  return result;
}

using Names = std::vector<std::string>;

struct GrammarCase {
  std::string text;
  std::string error;
  Names names;
};

TEST(ParserGrammar, AcceptsTheLanguageAndReportsTheFirstError) {
  const GrammarCase cases[] = {
      {"", "", {}},
      {"// comments only\r\n// and more", "", {}},
      {"S", "", {"expr1"}},
      {"a S b Z", "", {"a", "b"}},
      {"#define a W #define b U(1,2)", "", {"a", "b"}},
      {"W Z", "", {"expr1", "expr2"}},
      {"g S f C(g, U(1,1))", "", {"g", "f"}},
      {"g M(S)", "", {"g"}},
      {"U(01,2)", "", {"expr1"}},
      {"f g", " Syntax error at line 1", {}},
      {"g S\nf g", " Syntax error at line 2", {"g"}},
      {"f C(S)", "Composition must have at least 2 arguments", {}},
      {"g M(W)", "Minimalization of 0-arity expression is not allowed", {}},
      {"h C(S, S)\nk Z\nh S", "Function h alredy declared", {"h", "k"}},
      {"expr2 S\nS", "Function expr2 alredy declared", {"expr2"}},
      {"C(S, nope)\nnope S", "Function nope does not exist!", {}},
      {"f C(S, f)", "Function f does not exist!", {}},
      {"#target", " Syntax error at line 1", {}},
      {"a S\n#define\n#target a", " Syntax error at line 3", {"a"}},
      {"a S\nf C(S,\nS", " Syntax error at line 3", {"a"}},
      {"a S\nf C(S,\nS\n\n", " Syntax error at line 4", {"a"}},
      {"f C(S) {", "Composition must have at least 2 arguments", {}},
      {"a S\n{", "Syntax error, I dont know : {", {"a"}},
      {"U(-1,2)", "Syntax error, I dont know : -", {}},
      {"U(2147483648,1)", "'2147483648' is not a valid integer value", {}},
      {"U(1,99999999999999)", "'99999999999999' is not a valid integer value", {}},
      {"U(1,2", " Syntax error at line 1", {}},
      {"f R(S)", "Recursion with 1 should have 2!", {}},
      {"f R(Z, S)", "Arity of S is not the arity of Z plus 2", {}},
      {"f M(S, S)", "Minimalization with 2 parameters, should have only 1", {}},
      {"f C(S, S, S)", "Composition of 2 parameters on arity 1 expression", {}},
      {"f ( S", " Syntax error at line 1", {}},
      {"S )", " Syntax error at line 1", {"expr1"}},
      {"f 12", " Syntax error at line 1", {}},
      {"f C(S S)", " Syntax error at line 1", {}},
      {"f C(,S)", " Syntax error at line 1", {}},
      {"#target f S", "", {"expr1"}},
  };
  for (const auto& c : cases) {
    const ParseResult r = ParseText(c.text);
    EXPECT_EQ(r.error, c.error) << "'" << c.text << "'";
    EXPECT_EQ(r.names, c.names) << "'" << c.text << "'";
  }
}

TEST(ParserGrammar, TheDocumentedExampleProgram) {
  const ParseResult r = ParseText(
      "// the sum of two numbers, and its double\r\n"
      "#define add R(U(1,1), C(U(3,3), S))\r\n"
      "double C(U(1,1), U(1,1), add)\r\n"
      "#target double\r\n");
  EXPECT_EQ(r.error, "");
  EXPECT_EQ(r.names, (Names{"add", "double"}));
  EXPECT_EQ(r.arities, (std::vector<int>{2, 1}));
  EXPECT_EQ(r.addCount, 2u);
  EXPECT_EQ(r.lines, 4);
}

TEST(ParserGrammar, ObjectsCarryTheirNamesAndArities) {
  Scanner scanner;
  scanner.Reset("p U(07,3) r R(W, U(1,2)) m M(U(2,2)) c C(U(1,3), U(2,3), U(1,2))");
  SymbolTable table;
  Parser(scanner, table).Parse();
  const std::pair<const char*, int> expected[] = {{"p", 3}, {"r", 1}, {"m", 1}, {"c", 3}};
  for (const auto& [name, arity] : expected) {
    ASSERT_NE(table.Find(name), nullptr) << name;
    EXPECT_EQ(table.Find(name)->Arity(), arity) << name;
  }
  EXPECT_EQ(table.Find("p")->Children().Get(0).Name(), "U(7,3)");
  EXPECT_EQ(table.Find("c")->Children().Get(0).Name(), "C");
  EXPECT_EQ(table.Find("c")->Children().Get(0).ComponentCount(), 3);
}

TEST(ParserActions, ReferencesAreFreshClones) {
  Scanner scanner;
  scanner.Reset("g S f C(g, g)");
  SymbolTable table;
  Parser(scanner, table).Parse();
  const ProofObj& comp = table.Find("f")->Children().Get(0);
  ASSERT_EQ(comp.Children().Count(), 2u);
  EXPECT_NE(&comp.Children().Get(0), table.Find("g"));
  EXPECT_NE(&comp.Children().Get(0), &comp.Children().Get(1));
  EXPECT_EQ(comp.Children().Get(0).Name(), "g");
}

// Rules nested in their first arguments around the letter S, one "C(" per
// line, after `prefix` on a line of its own (when not empty).
std::string Nested(const std::string& prefix, int levels) {
  std::string text = prefix.empty() ? "" : prefix + "\n";
  for (int i = 0; i < levels; ++i) text += "C(\n";
  text += "S\n";
  for (int i = 0; i < levels; ++i) text += (i % 100 == 99) ? ")\n" : ")";
  return text;
}

TEST(ParserLimits, NestingFitsTheParseStackExactly) {
  struct Case {
    std::string prefix;
    int fits;  // deepest nesting that parses up to the innermost ")"
  };
  const Case cases[] = {{"", 340}, {"f", 339}, {"#define f", 339}, {"#define", 339}};
  for (const auto& c : cases) {
    const int prefixLines = c.prefix.empty() ? 0 : 1;
    // Fitting, the parse reaches the innermost ")" and its check.
    EXPECT_EQ(ParseText(Nested(c.prefix, c.fits)).error,
              "Composition must have at least 2 arguments")
        << "'" << c.prefix << "' " << c.fits;
    // One level more fails with the syntax error at the line of the push
    // that did not fit: a marker, the letter S or the first ")".
    const ParseResult deeper = ParseText(Nested(c.prefix, c.fits + 1));
    EXPECT_EQ(deeper.error.rfind(" Syntax error at line ", 0), 0u) << deeper.error;
    const int line = std::stoi(deeper.error.substr(22));
    EXPECT_GE(line, prefixLines + c.fits + 1) << c.prefix;
    EXPECT_LE(line, prefixLines + c.fits + 3) << c.prefix;
  }
  EXPECT_EQ(ParseText(Nested("", 341)).error, " Syntax error at line 341");
  EXPECT_EQ(ParseText(Nested("f", 340)).error, " Syntax error at line 343");
  EXPECT_EQ(ParseText(Nested("#define f", 340)).error, " Syntax error at line 342");
}

TEST(ParserLimits, DeepButValidNestingParses) {
  std::string text = "f\n";
  for (int i = 0; i < 300; ++i) text += "C(\n";
  text += "S";
  for (int i = 0; i < 300; ++i) text += (i % 50 == 49) ? ",S)\n" : ",S)";
  const ParseResult r = ParseText(text);
  EXPECT_EQ(r.error, "");
  EXPECT_EQ(r.names, Names{"f"});
}

TEST(ParserLimits, ExponentialReferencesAreRefusedQuickly) {
  std::string text = "f0 S\n";
  for (int k = 1; k <= 40; ++k)
    text += "f" + std::to_string(k) + " C(f" + std::to_string(k - 1) + ", f" +
            std::to_string(k - 1) + ")\n";
  const ParseResult r = ParseText(text);
  EXPECT_NE(r.error.find("makes the program too large"), std::string::npos) << r.error;
  EXPECT_EQ(r.error.rfind("Function f", 0), 0u) << r.error;
  EXPECT_LT(r.names.size(), 25u);
  EXPECT_GT(r.names.size(), 15u);
}

TEST(ParserLimits, ProjectionArityIsBounded) {
  EXPECT_EQ(ParseText("U(1,100000)").error, "");
  EXPECT_EQ(ParseText("U(1,100001)").error,
            "Projection U(1,100001) has more than 100000 arguments, too many to build");
  EXPECT_EQ(ParseText("U(1,2147483647)").error,
            "Projection U(1,2147483647) has more than 100000 arguments, too many to build");
}

TEST(ParserHostile, BinaryAndHugeInputsEndCleanly) {
  std::mt19937 random(7);
  for (int round = 0; round < 200; ++round) {
    std::string bytes(1 + random() % 2000, '\0');
    for (auto& b : bytes) b = static_cast<char>(random() % 256);
    ParseText(bytes);  // must end, with or without an error, and not crash
  }
  std::string longLine(3'000'000, 'x');
  EXPECT_EQ(ParseText("S\n" + longLine + "\nZ").error, "LexLib: yytext overflow");
  EXPECT_EQ(ParseText("S " + std::string(3'000'000, ' ') + "\nZ").names,
            (Names{"expr1", "expr2"}));
}

TEST(ParserHostile, AMillionStatementsParseInLinearTime) {
  std::string text;
  text.reserve(12'000'000);
  for (int i = 0; i < 1'000'000; ++i) text += "a" + std::to_string(i) + " S\n";
  text += "last C(a0, a999999)\n";
  const ParseResult r = ParseText(text);
  EXPECT_EQ(r.error, "");
  EXPECT_EQ(r.names.size(), 1'000'001u);
  EXPECT_EQ(r.lines, 1'000'001);
}

TEST(SymbolTableRules, TargetCountsAndNames) {
  struct Case {
    std::string text;
    std::string target;  // "-" when GetTarget gives nothing
  };
  const Case cases[] = {
      {"a S b S c S", "c"},
      {"a S #target a b S c S", "a"},
      {"#target b a S b S c S", "b"},
      {"#target a a S b S #target c c S", "c"},
      {"#target x a S", "-"},
      {"f S F Z #target F", "F"},
  };
  for (const auto& c : cases) {
    Scanner scanner;
    scanner.Reset(c.text);
    SymbolTable table;
    Parser(scanner, table).Parse();
    const ProofObj* target = table.GetTarget();
    EXPECT_EQ(target ? target->Name() : "-", c.target) << c.text;
  }
}

TEST(SymbolTableRules, DuplicatesCountButDoNotEnter) {
  const ParseResult r = ParseText("a S\na Z");
  EXPECT_EQ(r.error, "Function a alredy declared");
  EXPECT_EQ(r.names, Names{"a"});
  EXPECT_EQ(r.addCount, 2u);
  EXPECT_EQ(r.arities, std::vector<int>{1});

  SymbolTable empty;
  EXPECT_THROW(empty.GetTarget(), NeuroCompilerException);
  empty.SetTarget("x");
  EXPECT_EQ(empty.GetTarget(), nullptr);
  const std::string longName(250, 'n');
  const ParseResult longDuplicate = ParseText(longName + " S\n" + longName + " Z");
  EXPECT_EQ(longDuplicate.error.size(), 255u);
}

}  // namespace
}  // namespace vantorb
