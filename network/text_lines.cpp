#include "network/text_lines.hpp"

#include <filesystem>
#include <fstream>
#include <iterator>

#include "network/exceptions.hpp"

namespace vantorb {

std::vector<std::string> SplitLines(std::string_view text) {
  std::vector<std::string> lines;
  std::size_t pos = 0;
  while (pos < text.size()) {
    const auto end = text.find_first_of("\r\n", pos);
    if (end == std::string_view::npos) {
      lines.emplace_back(text.substr(pos));
      break;
    }
    lines.emplace_back(text.substr(pos, end - pos));
    pos = end + 1;
    if (text[end] == '\r' && pos < text.size() && text[pos] == '\n') ++pos;
  }
  return lines;
}

std::vector<std::string> ReadTextLines(const std::string& fileName) {
  std::error_code error;
  std::ifstream file;
  if (!std::filesystem::is_directory(fileName, error))
    file.open(fileName, std::ios::binary);
  if (!file.is_open()) throw NeuroException("Cannot open file " + fileName);
  const std::string text{std::istreambuf_iterator<char>(file),
                         std::istreambuf_iterator<char>()};
  return SplitLines(text);
}

}  // namespace vantorb
