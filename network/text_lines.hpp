#pragma once
// Text files as lists of lines. A line ends at CR, CR LF or LF; the ending
// is not part of the line, and a last line needs none.

#include <string>
#include <string_view>
#include <vector>

namespace vantorb {

std::vector<std::string> SplitLines(std::string_view text);

// The lines of a file; throws NeuroException "Cannot open file NAME" when
// it cannot be read.
std::vector<std::string> ReadTextLines(const std::string& fileName);

}  // namespace vantorb
