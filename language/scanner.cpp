#include "language/scanner.hpp"

#include "network/exceptions.hpp"
#include "network/text_lines.hpp"

namespace vantorb {
namespace {

bool IsDigit(unsigned char c) { return c >= '0' && c <= '9'; }
bool StartsIdentifier(unsigned char c) { return c >= 0x41 && c <= 0x7A; }
bool ContinuesIdentifier(unsigned char c) {
  return c >= 0x21 && c <= 0xA6 && c != '(' && c != ')' && c != ',';
}

Token Keyword(char letter) {
  switch (letter) {
    case 'W': return Token::W;
    case 'Z': return Token::Z;
    case 'S': return Token::S;
    case 'U': return Token::U;
    case 'C': return Token::C;
    case 'R': return Token::R;
    case 'M': return Token::M;
    default: return Token::Identifier;
  }
}

}  // namespace

void Scanner::Reset(std::string text) {
  input_ = std::move(text);
  inputPos_ = 0;
  line_.clear();
  linePos_ = 0;
  tokenText_.clear();
  lineNumber_ = 0;
}

bool Scanner::ReadLine() {
  if (inputPos_ >= input_.size()) return false;
  const LineAt at = LineFrom(input_, inputPos_);
  line_.assign(at.line.substr(0, kMaxLineLength));
  line_ += '\n';
  linePos_ = 0;
  ++lineNumber_;
  inputPos_ = at.next;
  return true;
}

char Scanner::Peek() {
  if (linePos_ >= line_.size() && !ReadLine()) return '\0';
  return line_[linePos_];
}

// Extends tokenText_ while the characters continue it. The scanner reads the
// character that ends the token too, so that character counts against the
// token's capacity.
void Scanner::ScanWhile(bool (*continues)(unsigned char)) {
  while (continues(static_cast<unsigned char>(line_[linePos_]))) {
    tokenText_ += line_[linePos_++];
  }
  if (tokenText_.size() + 1 > kMaxTokenText)
    throw NeuroCompilerException("LexLib: yytext overflow");
}

Token Scanner::Next() {
  for (;;) {
    const char c = Peek();
    const auto u = static_cast<unsigned char>(c);
    const std::string_view rest(line_.data() + linePos_,
                                line_.size() - linePos_);
    tokenText_.clear();
    if (c == '\0') {  // what follows a 0x00 is never read
      line_.clear();
      linePos_ = 0;
      inputPos_ = input_.size();
      return Token::End;
    }
    if (c == ' ' || c == '\t' || c == '\n') {
      ++linePos_;
      continue;
    }
    if (rest.substr(0, 7) == "#define" || rest.substr(0, 7) == "#target") {
      linePos_ += 7;
      return rest[1] == 'd' ? Token::Define : Token::Target;
    }
    if (rest.substr(0, 2) == "//") {
      linePos_ = line_.size();  // the comment ends with its line
      continue;
    }
    if (IsDigit(u)) {
      ScanWhile(IsDigit);
      return Token::Number;
    }
    if (StartsIdentifier(u)) {
      tokenText_ += c;
      ++linePos_;
      ScanWhile(ContinuesIdentifier);
      return tokenText_.size() == 1 ? Keyword(c) : Token::Identifier;
    }
    ++linePos_;
    switch (c) {
      case '(': return Token::Open;
      case ')': return Token::Close;
      case ',': return Token::Comma;
      default:
        throw NeuroCompilerException(
            std::string("Syntax error, I dont know : ") + c);
    }
  }
}

}  // namespace vantorb
