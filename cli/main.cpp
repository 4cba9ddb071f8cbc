// vantorb-cli: Vantorb without a window. Compiles programs, writes and reads
// dynamic equations and runs networks; command_line.hpp has the forms.

#include <csignal>
#include <iostream>
#include <string>
#include <vector>

#include "cli/command_line.hpp"
#include "cli/commands.hpp"
#include "language/parser_interface.hpp"
#include "network/exceptions.hpp"
#include "network/utils.hpp"

int main(int argc, char** argv) {
  // A file size limit makes writes fail with an error we report, instead of
  // killing the program half-way through a file.
  std::signal(SIGXFSZ, SIG_IGN);
  vantorb::decimalSeparator = vantorb::ReadDecimalSeparator();
  vantorb::CreateParserInterface();
  vantorb::StandardOutput output;  // everything for standard output, in order
  int status = vantorb::cli::kError;
  try {
    status = vantorb::cli::RunCommandLine(output, std::vector<std::string>(argv + 1, argv + argc));
  } catch (const vantorb::NeuroException& error) {
    std::cerr << error.what() << "\n";
  } catch (const std::exception& error) {
    std::cerr << error.what() << "\n";
  }
  // What a command wrote also goes out after its error; output that cannot
  // be written is a failure whatever the command's status (a failure met
  // while the command wrote was reported above already).
  if (!output.Failed()) {
    try {
      output.Commit();
    } catch (const vantorb::NeuroException& error) {
      std::cerr << error.what() << "\n";
    }
  }
  if (output.Failed()) status = vantorb::cli::kError;
  vantorb::FreeParserInterface();
  return status;
}
