// The scanner: tokens under longest match and rule priority, comments,
// line cutting and counting, the end of input, and its two error messages.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "language/scanner.hpp"
#include "network/exceptions.hpp"

namespace vantorb {
namespace {

// The tokens of a text as short words: "W", "(", "id:f", "num:12", ...
std::vector<std::string> Tokens(const std::string& text) {
  Scanner scanner;
  scanner.Reset(text);
  std::vector<std::string> words;
  for (Token t = scanner.Next(); t != Token::End; t = scanner.Next()) {
    switch (t) {
      case Token::Define: words.push_back("#define"); break;
      case Token::Target: words.push_back("#target"); break;
      case Token::W: words.push_back("W"); break;
      case Token::Z: words.push_back("Z"); break;
      case Token::S: words.push_back("S"); break;
      case Token::U: words.push_back("U"); break;
      case Token::C: words.push_back("C"); break;
      case Token::R: words.push_back("R"); break;
      case Token::M: words.push_back("M"); break;
      case Token::Open: words.push_back("("); break;
      case Token::Close: words.push_back(")"); break;
      case Token::Comma: words.push_back(","); break;
      case Token::Identifier: words.push_back("id:" + scanner.TokenText()); break;
      case Token::Number: words.push_back("num:" + scanner.TokenText()); break;
      case Token::End: break;
    }
  }
  return words;
}

using Words = std::vector<std::string>;

TEST(ScannerTokens, LongestMatchThenFirstRule) {
  const std::pair<std::string, Words> cases[] = {
      {"W Z S U C R M", {"W", "Z", "S", "U", "C", "R", "M"}},
      {"W1 Sum Zero S_1 w c", {"id:W1", "id:Sum", "id:Zero", "id:S_1", "id:w", "id:c"}},
      {"S//next", {"id:S//next"}},
      {"S //next", {"S"}},
      {"12//x", {"num:12"}},
      {"#definef", {"#define", "id:f"}},
      {"#target#define", {"#target", "#define"}},
      {"12ab 007", {"num:12", "id:ab", "num:007"}},
      {"f.1 g#2", {"id:f.1", "id:g#2"}},
      {"x,y", {"id:x", ",", "id:y"}},
      {"_x [ ` ^a", {"id:_x", "id:[", "id:`", "id:^a"}},
      {"U(1,2)", {"U", "(", "num:1", ",", "num:2", ")"}},
      {"C(S,f)x", {"C", "(", "S", ",", "id:f", ")", "id:x"}},
      {"a\tb\nc", {"id:a", "id:b", "id:c"}},
      {"a\xA6\x7F~ b", {"id:a\xA6\x7F~", "id:b"}},   // high continuation characters
      {"", {}},
      {"// only a comment", {}},
      {"S // a comment ends with its line\r\nZ", {"S", "Z"}},
  };
  for (const auto& [text, words] : cases) {
    EXPECT_EQ(Tokens(text), words) << "'" << text << "'";
  }
  EXPECT_EQ(Tokens(std::string("a b\0c d\r\ne", 9)), (Words{"id:a", "id:b"}))
      << "a 0x00 ends the input, and the rest of the file is never read";
}

TEST(ScannerErrors, CharactersThatStartNoToken) {
  const std::pair<std::string, std::string> cases[] = {
      {"{", "{"},   {"}", "}"},   {";", ";"},   {".", "."},   {"-1", "-"},
      {"+", "+"},   {"=", "="},   {"*", "*"},   {"!", "!"},   {"#def x", "#"},
      {"/x", "/"},  {"\x01", "\x01"}, {"\x1F", "\x1F"}, {"\x7B", "\x7B"},
      {"\xA7", "\xA7"}, {"\xFF", "\xFF"}, {"S ~", "~"},   {"\x0B", "\x0B"},
  };
  for (const auto& [text, character] : cases) {
    Scanner scanner;
    scanner.Reset(text);
    try {
      while (scanner.Next() != Token::End) {
      }
      ADD_FAILURE() << "no error for '" << text << "'";
    } catch (const NeuroCompilerException& e) {
      EXPECT_EQ(std::string(e.what()), "Syntax error, I dont know : " + character);
    }
  }
}

TEST(ScannerLines, LinesAreCutAt255Characters) {
  // A construct that continues past column 255 is cut off there.
  const std::string padding(250, ' ');
  EXPECT_EQ(Tokens(padding + "abcd" + "efgh\nS"), (Words{"id:abcde", "S"}));
  EXPECT_EQ(Tokens(padding + "  S  ZZZ\nW"), (Words{"S", "W"}));
}

TEST(ScannerLines, TokenFillingAWholeLineOverflows) {
  for (const char fill : {'a', '7'}) {
    EXPECT_EQ(Tokens(std::string(254, fill) + "\nS").size(), 2u) << fill;
    for (const std::string& line :
         {std::string(255, fill), std::string(300, fill), std::string(255, fill) + "(x"}) {
      Scanner scanner;
      scanner.Reset(line + "\r\nS");
      try {
        scanner.Next();
        ADD_FAILURE() << "no overflow for " << line.size() << " x " << fill;
      } catch (const NeuroCompilerException& e) {
        EXPECT_EQ(std::string(e.what()), "LexLib: yytext overflow");
      }
    }
  }
}

TEST(ScannerLines, LineNumberCountsLinesReadWhateverTheirEnds) {
  struct Case {
    std::string text;
    int lines;
  };
  const Case cases[] = {
      {"", 0},
      {"a\r\nb\r\nc", 3},     {"a\r\nb\r\nc\r\n", 3},
      {"a\nb\nc", 3},         {"a\nb\nc\n", 3},
      {"a\rb\rc\r", 3},       {"a\r\n\r\n\r\nb", 4},
      {"a\n\n\nb\n", 4},      {"\n", 1},
      {"a\n\rb", 3},          // LF, then CR: an empty line between
  };
  for (const auto& c : cases) {
    Scanner scanner;
    scanner.Reset(c.text);
    while (scanner.Next() != Token::End) {
    }
    EXPECT_EQ(scanner.LineNumber(), c.lines) << "'" << c.text << "'";
  }
  Scanner scanner;  // nothing after a 0x00 is read
  scanner.Reset(std::string("a\nb\0\nc\nd", 9));
  while (scanner.Next() != Token::End) {
  }
  EXPECT_EQ(scanner.LineNumber(), 2);
  EXPECT_EQ(scanner.Next(), Token::End) << "the end stays the end";
}

TEST(ScannerLines, LineNumberIsTheLineOfTheLastToken) {
  Scanner scanner;
  scanner.Reset("S\r\n\r\n  Z // two\r\n\r\nW\r\n\r\n");
  std::vector<int> lines;
  while (scanner.Next() != Token::End) lines.push_back(scanner.LineNumber());
  EXPECT_EQ(lines, (std::vector<int>{1, 3, 5}));
  EXPECT_EQ(scanner.LineNumber(), 6);
}

}  // namespace
}  // namespace vantorb
