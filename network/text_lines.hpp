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

// Replaces the file by text only once all of it is on disk: it is written
// to a new file beside it, which then takes the old one's place. On any
// failure (no such folder, no right to write, a full disk) the old file is
// left whole and NeuroException "Cannot write the file NAME: reason" is
// thrown.
void WriteFileAtomically(const std::string& fileName, const std::string& text);

}  // namespace vantorb
