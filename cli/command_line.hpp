#pragma once
// vantorb-cli's command line: its commands with their operands and options,
// their help texts, and the usage errors. Parsing is CLI11's; the values are
// checked here and the work is done by the commands of commands.hpp.

#include <string>
#include <vector>

#include "network/text_lines.hpp"

namespace vantorb::cli {

// Runs the command line `words` (the program's arguments without its name):
// the help and version texts and everything a command writes for standard
// output go to `out`. A usage error prints "vantorb-cli: PROBLEM" and the
// help of the command concerned on standard error and gives status 1.
// Returns the exit status; what a command throws but UsageError goes on.
int RunCommandLine(TextSink& out, const std::vector<std::string>& words);

}  // namespace vantorb::cli
