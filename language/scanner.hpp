#pragma once
// Scanner: turns program text into tokens. It reads its input line by line
// (a line ends at CR, CR LF or LF; only its first 255 characters count, and
// the scanner sees each line followed by one newline), skips blanks, tabs,
// newlines and "//" comments, and picks the longest match at each position,
// the earlier rule on a tie: "#define", "#target", the keyword letters W Z S
// U C R M, "(", ")", ",", numbers (digits) and identifiers (a first
// character from "A" to "z", then any of 0x21..0xA6 but "(", ")" and ",").
// A 0x00 character or the end of the input ends the token stream.
//
// Throws NeuroCompilerException with "Syntax error, I dont know : " and the
// character for a character that starts no token, and "LexLib: yytext
// overflow" for an identifier or number that fills a whole line.

#include <cstddef>
#include <string>
#include <string_view>

namespace vantorb {

enum class Token {
  End = 0,
  Define = 257,
  W = 258,
  Z = 259,
  S = 260,
  U = 261,
  C = 262,
  R = 263,
  M = 264,
  Open = 265,
  Close = 266,
  Comma = 267,
  Target = 268,
  Identifier = 269,
  Number = 270,
};

class Scanner {
 public:
  static constexpr std::size_t kMaxLineLength = 255;
  static constexpr std::size_t kMaxTokenText = 255;

  // Scans `text` from its start; lineNumber() is 0 until the first line is
  // read.
  void Reset(std::string text);

  // The next token; for Identifier and Number, TokenText() holds its text.
  Token Next();
  const std::string& TokenText() const { return tokenText_; }
  // Lines read so far.
  int LineNumber() const { return lineNumber_; }

 private:
  // The character at the current position, reading the next line when the
  // current one is used up; 0x00 at the end of the input.
  char Peek();
  bool ReadLine();
  void ScanWhile(bool (*continues)(unsigned char));

  std::string input_;
  std::size_t inputPos_ = 0;
  std::string line_;  // the current line, ending in '\n'
  std::size_t linePos_ = 0;
  std::string tokenText_;
  int lineNumber_ = 0;
};

}  // namespace vantorb
