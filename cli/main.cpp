// vantorb-cli: Vantorb without a window. Compiles programs, writes and reads
// dynamic equations and runs networks; see Usage() for the forms.

#include <csignal>
#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include "cli/commands.hpp"
#include "language/parser_interface.hpp"
#include "network/exceptions.hpp"
#include "network/utils.hpp"

namespace {

constexpr const char* kUsageText =
    "usage: vantorb-cli info FILE\n"
    "       vantorb-cli equations PROGRAM.PRV [-o OUT.EQU]\n"
    "       vantorb-cli run FILE [ARG...] [--limit N] [--engine event|dense|reference] [--stats] [--check]\n"
    "       vantorb-cli eval PROGRAM.PRV [ARG...] [--bound N]\n"
    "       vantorb-cli graph FILE [-o OUT.dot]\n"
    "       vantorb-cli trace FILE [ARG...] --token TOKEN [--csv OUT.csv] [--vcd OUT.vcd] [--limit N]\n"
    "       vantorb-cli --help | --version\n"
    "\n"
    "FILE is a program (.PRV) or a dynamic equation file (.EQU, by extension).\n"
    "  info       prints the compiler information of FILE\n"
    "  equations  writes the dynamic equations (CR LF lines) to OUT.EQU or\n"
    "             standard output\n"
    "  run        computes the target function for the natural numbers ARG...\n"
    "             (as many as it takes) and prints result and iterations;\n"
    "             --limit N stops after N iterations (0, the default: no limit);\n"
    "             --engine reference updates every neuron through its text, as\n"
    "             defined; event (the default) only what changed, on values kept\n"
    "             as runs of equal limbs; dense the same on plain limbs (all give\n"
    "             the same values); --stats adds wall time, rates, peak memory\n"
    "             and the longest value's limbs and runs; --check also\n"
    "             computes the value from the definition and fails (status 4)\n"
    "             when the two differ\n"
    "  trace      runs and records, at every iteration, the exact values of the\n"
    "             neurons whose names contain TOKEN (\"*\": all), as CSV (standard\n"
    "             output by default) or a VCD waveform; --limit defaults to 100000\n"
    "  graph      writes the network as a Graphviz DOT picture, a cluster per\n"
    "             function object\n"
    "  eval       computes the target from its definition, without a network;\n"
    "             --bound N caps each minimization's search (default 1000000)\n"
    "Exit status: 0 done, 1 usage error, 2 error, 3 iteration limit reached,\n"
    "4 check failed, 130 interrupted.\n";

int Usage(const std::string& problem) {
  std::cerr << "vantorb-cli: " << problem << "\n" << kUsageText;
  return vantorb::cli::kUsage;
}

int Dispatch(vantorb::TextSink& out, const std::vector<std::string>& args) {
  namespace cli = vantorb::cli;
  if (args.empty()) return Usage("no command");
  const std::string& command = args[0];
  if (command == "--help" || command == "-h") {
    out.Append(kUsageText);
    return cli::kOk;
  }
  if (command == "--version") {
    out.Append("vantorb-cli 0.1\n");
    return cli::kOk;
  }
  if (command == "info") {
    if (args.size() != 2) return Usage("info takes one file");
    return cli::Info(out, args[1]);
  }
  if (command == "equations") {
    if (args.size() == 2) return cli::Equations(out, args[1], "");
    if (args.size() == 4 && args[2] == "-o") return cli::Equations(out, args[1], args[3]);
    return Usage("equations takes a file and optionally -o OUT.EQU");
  }
  if (command == "run") {
    if (args.size() < 2) return Usage("run takes a file");
    std::vector<std::string> arguments;
    cli::RunOptions options;
    for (std::size_t i = 2; i < args.size(); ++i) {
      if (args[i] == "--stats") {
        options.stats = true;
      } else if (args[i] == "--check") {
        options.check = true;
      } else if (args[i] == "--engine") {
        if (i + 1 == args.size() || (args[i + 1] != "event" && args[i + 1] != "dense" &&
                                     args[i + 1] != "reference"))
          return Usage("--engine takes event, dense or reference");
        options.engine = args[++i];
      } else if (args[i] == "--limit") {
        char* end = nullptr;
        if (i + 1 == args.size() || args[i + 1].empty() || args[i + 1][0] == '-')
          return Usage("--limit takes a number of iterations");
        options.limit = std::strtoll(args[i + 1].c_str(), &end, 10);
        if (*end != '\0' || options.limit > 2147483647)
          return Usage("--limit takes a number of iterations up to 2147483647");
        ++i;
      } else {
        arguments.push_back(args[i]);
      }
    }
    return cli::Run(out, args[1], arguments, options);
  }
  if (command == "trace") {
    if (args.size() < 2) return Usage("trace takes a file");
    std::vector<std::string> arguments;
    cli::TraceOptions options;
    for (std::size_t i = 2; i < args.size(); ++i) {
      const bool valued = args[i] == "--token" || args[i] == "--csv" || args[i] == "--vcd" ||
                          args[i] == "--limit";
      if (!valued) {
        arguments.push_back(args[i]);
        continue;
      }
      if (i + 1 == args.size()) return Usage(args[i] + " takes a value");
      const std::string& value = args[++i];
      if (args[i - 1] == "--token") options.token = value;
      if (args[i - 1] == "--csv") options.csvFile = value;
      if (args[i - 1] == "--vcd") options.vcdFile = value;
      if (args[i - 1] == "--limit") {
        char* end = nullptr;
        options.limit = std::strtoll(value.c_str(), &end, 10);
        if (value.empty() || *end != '\0' || options.limit < 0)
          return Usage("--limit takes a number of iterations");
      }
    }
    if (options.token.empty()) return Usage("trace needs --token");
    return cli::Trace(out, args[1], arguments, options);
  }
  if (command == "graph") {
    if (args.size() == 2) return cli::Graph(out, args[1], "");
    if (args.size() == 4 && args[2] == "-o") return cli::Graph(out, args[1], args[3]);
    return Usage("graph takes a file and optionally -o OUT.dot");
  }
  if (command == "eval") {
    if (args.size() < 2) return Usage("eval takes a file");
    std::vector<std::string> arguments;
    std::uint64_t bound = 1'000'000;
    for (std::size_t i = 2; i < args.size(); ++i) {
      if (args[i] != "--bound") {
        arguments.push_back(args[i]);
        continue;
      }
      char* end = nullptr;
      if (i + 1 == args.size() || args[i + 1].empty() || args[i + 1][0] == '-')
        return Usage("--bound takes a number of candidates");
      bound = std::strtoull(args[++i].c_str(), &end, 10);
      if (*end != '\0') return Usage("--bound takes a number of candidates");
    }
    return cli::Eval(out, args[1], arguments, bound);
  }
  return Usage("unknown command '" + command + "'");
}

}  // namespace

int main(int argc, char** argv) {
  // A file size limit makes writes fail with an error we report, instead of
  // killing the program half-way through a file.
  std::signal(SIGXFSZ, SIG_IGN);
  vantorb::decimalSeparator = vantorb::ReadDecimalSeparator();
  vantorb::CreateParserInterface();
  vantorb::StandardOutput output;  // everything for standard output, in order
  int status = vantorb::cli::kError;
  try {
    status = Dispatch(output, std::vector<std::string>(argv + 1, argv + argc));
  } catch (const vantorb::cli::UsageError& error) {
    status = Usage(error.what());
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
