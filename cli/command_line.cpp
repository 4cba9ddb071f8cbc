#include "cli/command_line.hpp"

#include <algorithm>
#include <cstdint>
#include <functional>
#include <iterator>
#include <iostream>
#include <map>
#include <memory>
#include <optional>
#include <thread>

#include <CLI/CLI.hpp>

#include "cli/commands.hpp"
#include "cli/help_format.hpp"
#include "compiler/interpreter.hpp"
#include "driver/compilation_driver.hpp"
#include "network/utils.hpp"
#include "simulation/run_arguments.hpp"

namespace vantorb::cli {
namespace {

constexpr const char* kProgram = "vantorb-cli";
constexpr const char* kEngineTakes = "--engine takes macro, event, dense or reference";
constexpr const char* kBoundTakes = "--bound takes a number of candidates";
// More workers than this would only take memory (each loads the network).
constexpr int kMaxJobs = 1024;

constexpr const char* kDescription =
    "Compiles programs of partial recursive functions into networks of neurons, "
    "writes and reads them as dynamic equations and runs them, without a window. "
    "FILE is a program (.PRV) or a dynamic equation file (.EQU), told apart by "
    "the extension in any case.";

// Lines of at most 73 columns, as the help's own (help_format.hpp).
constexpr const char* kFooter =
    "Run 'vantorb-cli COMMAND --help' for the operands and options of a\n"
    "command. Options may come before or after the operands, as --option\n"
    "VALUE or --option=VALUE; \"--\" ends the options.\n"
    "\n"
    "Exit status:\n"
    "  0    done\n"
    "  1    usage error: a command line the tool cannot take (an unknown\n"
    "       command or option, no FILE, a value missing, empty or wrong for\n"
    "       its option, a value given to a flag); the problem, then the help\n"
    "  2    error: the file, the program, the network, an ARG refused (not a\n"
    "       natural number, too large, or not as many as the target takes),\n"
    "       a RANGE refused, or output that could not be written; the\n"
    "       message, no help\n"
    "  3    the iteration limit stopped the run (for sweep: any run), or,\n"
    "       without one, the count reached its largest value\n"
    "  4    --check: the network and the definition disagree\n"
    "  130  interrupted (Ctrl-C)\n"
    "  143  interrupted by SIGTERM (kill, timeout)\n"
    "  129  interrupted by SIGHUP (the terminal closed)";

constexpr const char* kFileOperand = "a program (.PRV) or an equation file (.EQU)";
constexpr const char* kArgOperands = "natural numbers, as many as the target takes";
constexpr const char* kEngineText = "macro|event|dense|reference";

// The problem with a --limit that names no iteration limit a run takes.
std::string LimitTakes() {
  return "--limit takes a number of iterations up to " + std::to_string(kMaxIterationLimit);
}

// The iteration limit a --limit text names.
std::int64_t Limit(const std::string& text) {
  const auto limit = IsNaturalNumberText(text) ? ParseDecimalInteger(text, 0, kMaxIterationLimit)
                                               : std::nullopt;
  if (!limit) throw UsageError(LimitTakes());
  return *limit;
}

std::string JobsTakes() {
  return "--jobs takes a number of workers from 1 to " + std::to_string(kMaxJobs);
}

// The number of workers a --jobs text names.
unsigned Jobs(const std::string& text) {
  const auto jobs = IsNaturalNumberText(text) ? ParseDecimalInteger(text, 1, kMaxJobs)
                                              : std::nullopt;
  if (!jobs) throw UsageError(JobsTakes());
  return static_cast<unsigned>(*jobs);
}

// An engine's name, checked.
const std::string& Engine(const std::string& name) {
  if (name != "macro" && name != "event" && name != "dense" && name != "reference")
    throw UsageError(kEngineTakes);
  return name;
}

// A command's operands and options as given; the command checks them.
struct Given {
  std::string file, outFile, engine = "macro", limit, bound, token, csvFile, vcdFile, values,
      jobs;
  std::vector<std::string> arguments;
  bool stats = false, check = false;
};

class CommandLine {
 public:
  CommandLine();
  int Execute(TextSink& out, const std::vector<std::string>& words);

 private:
  struct Command {
    CLI::App* app;
    std::string takes;  // the problem when the operands do not fit
    bool arguments = false;  // whether operands (ARG... or RANGE...) follow FILE
    std::function<int(TextSink&)> action;
  };

  Command& AddCommand(const std::string& name, const std::string& description,
                      const std::string& takes);
  // FILE, then, when named, the operands that follow it (ARG...).
  void AddOperands(Command& command, const std::string& file, const std::string& name = "",
                   const std::string& description = "");
  // An option with a value; `takes` is the problem when the value is
  // missing or empty.
  CLI::Option* AddValued(Command& command, const std::string& names, std::string& value,
                         const std::string& text, const std::string& description,
                         const std::string& takes);
  const CLI::App& Selected() const;
  std::string Problem(const CLI::ParseError& error, const CLI::App& app,
                      const std::vector<std::string>& words) const;
  // The option of any command (or of the program) a word names, if any.
  const CLI::Option* FindOption(const std::string& name) const;
  // The problem with the options' values among the words before `end`: a
  // value given to a flag ("--stats=no", "-hx"), or an empty one ("--limit=",
  // "-o ''"); empty when there is none.
  std::string ValueProblem(const std::vector<std::string>& words,
                           std::vector<std::string>::const_iterator end) const;
  // The problem with the words nobody took, if any.
  std::string Leftover(const CLI::App& app) const;
  const Command* Find(const CLI::App& app) const;
  // The words after the "--" that ends the options, as operands.
  std::string TakeOperands(const Command& command, const std::vector<std::string>& operands);
  int Usage(const CLI::App& app, const std::string& problem) const;

  CLI::App app_{kDescription, kProgram};
  Given given_;
  std::vector<std::unique_ptr<Command>> commands_;
  std::map<const CLI::Option*, std::string> takes_;
};

CommandLine::CommandLine() {
  // Settings before the commands: they inherit them.
  app_.formatter(std::make_shared<HelpFormat>());
  app_.set_help_flag("-h,--help", "prints this help and exits");
  app_.option_defaults()->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
  app_.set_version_flag("--version", std::string(kProgram) + " " + VANTORB_VERSION,
                        "prints the version and exits");
  app_.require_subcommand(0, 1);
  app_.allow_extras();

  Command& info = AddCommand("info", "prints the compiler information of FILE",
                             "info takes one file");
  AddOperands(info, kFileOperand);
  info.action = [this](TextSink& out) { return Info(out, given_.file); };

  Command& equations = AddCommand(
      "equations", "writes the dynamic equations (CR LF lines) to OUT.EQU or standard output",
      "equations takes a file and optionally -o OUT.EQU");
  AddOperands(equations, kFileOperand);
  AddValued(equations, "-o,--output", given_.outFile, "OUT.EQU",
            "writes to OUT.EQU instead of standard output", "-o takes a file name");
  equations.action = [this](TextSink& out) { return Equations(out, given_.file, given_.outFile); };

  Command& run = AddCommand("run",
                            "computes the target function for the natural numbers ARG... (as "
                            "many as it takes) and prints result and iterations",
                            "run takes a file");
  AddOperands(run, kFileOperand, "ARG", kArgOperands);
  CLI::Option* runLimit =
      AddValued(run, "--limit", given_.limit, "N",
                "stops after N iterations (0, the default: no limit)", LimitTakes());
  AddValued(run, "--engine", given_.engine, kEngineText,
            "macro (the default) leaps over whole periods of loops it has proved, and "
            "otherwise goes as event; event updates only what changed, on values kept as "
            "runs of equal limbs; dense the same on plain limbs; reference every neuron "
            "through its text, as defined (all give the same values and iterations)",
            kEngineTakes);
  run.app->add_flag("--stats", given_.stats,
                    "adds wall time, rates, peak memory, the longest value's limbs and "
                    "runs, and what leaping over proved loops did: rules proved, leaps, "
                    "iterations leapt, and of those the rules whose rounds grow: round "
                    "rules proved, rounds leapt");
  run.app->add_flag("--check", given_.check,
                    "also computes the value from the definition, as eval does, and fails "
                    "(status 4) when the two differ; for a program only, as an equation "
                    "file has no definition");
  CLI::Option* values =
      AddValued(run, "--values", given_.values, "TOKEN",
                "after the result and iterations, prints NAME = VALUE for each neuron whose "
                "name contains TOKEN (\"*\": all of them), its exact value at the end of the "
                "run as trace writes it, in trace's order; then come the --stats lines. A "
                "TOKEN no name contains is an error (status 2)",
                "--values takes a value");
  run.action = [this, runLimit, values](TextSink& out) {
    RunOptions options;
    if (runLimit->count() > 0) options.limit = Limit(given_.limit);
    if (values->count() > 0) options.values = given_.values;
    options.engine = Engine(given_.engine);
    if (given_.check && IsEquationFileName(given_.file))
      throw UsageError(
          "--check needs a program (.PRV): an equation file has no definition to check against");
    options.stats = given_.stats;
    options.check = given_.check;
    return Run(out, given_.file, given_.arguments, options);
  };

  Command& eval = AddCommand("eval", "computes the target from its definition, without a network",
                             "eval takes a file");
  AddOperands(eval, "a program (.PRV); an equation file (.EQU) has no definition to evaluate",
              "ARG", kArgOperands);
  CLI::Option* bound = AddValued(
      eval, "--bound", given_.bound, "N",
      "caps each minimization's search at N candidates (default " +
          std::to_string(Interpreter::kDefaultSearchBound) +
          "); whatever the bound, an evaluation that takes more than " +
          std::to_string(Interpreter::kDefaultStepBudget) +
          " steps (rule applications) stops with an error",
      kBoundTakes);
  eval.action = [this, bound](TextSink& out) {
    std::uint64_t searchBound = Interpreter::kDefaultSearchBound;
    if (bound->count() > 0) {
      const auto value = IsNaturalNumberText(given_.bound)
                             ? ParseDecimalInteger(given_.bound, 0, INT64_MAX)
                             : std::nullopt;
      if (!value) throw UsageError(kBoundTakes);
      searchBound = static_cast<std::uint64_t>(*value);
    }
    if (IsEquationFileName(given_.file))
      throw UsageError(
          "eval needs a program (.PRV): an equation file has no definition to evaluate");
    return Eval(out, given_.file, given_.arguments, searchBound);
  };

  Command& graph = AddCommand(
      "graph", "writes the network as a Graphviz DOT picture, a cluster per function object",
      "graph takes a file and optionally -o OUT.dot");
  AddOperands(graph, kFileOperand);
  AddValued(graph, "-o,--output", given_.outFile, "OUT.dot",
            "writes to OUT.dot instead of standard output", "-o takes a file name");
  graph.action = [this](TextSink& out) { return Graph(out, given_.file, given_.outFile); };

  Command& trace = AddCommand("trace",
                              "runs and records, at every iteration, the exact values of the "
                              "neurons whose names contain TOKEN, as CSV (standard output by "
                              "default) or a VCD waveform",
                              "trace takes a file");
  AddOperands(trace, kFileOperand, "ARG", kArgOperands);
  AddValued(trace, "--token", given_.token, "TOKEN",
            "records the neurons whose names contain TOKEN (\"*\": all of them); a TOKEN "
            "no name contains is an error (status 2)",
            "--token takes a value")
      ->required();
  AddValued(trace, "--csv", given_.csvFile, "OUT.csv", "writes the CSV to OUT.csv",
            "--csv takes a file name");
  AddValued(trace, "--vcd", given_.vcdFile, "OUT.vcd", "writes a VCD waveform to OUT.vcd",
            "--vcd takes a file name");
  CLI::Option* traceLimit =
      AddValued(trace, "--limit", given_.limit, "N",
                "stops after N iterations (default 100000; 0: no limit)", LimitTakes());
  trace.action = [this, traceLimit](TextSink& out) {
    TraceOptions options;
    options.token = given_.token;
    options.csvFile = given_.csvFile;
    options.vcdFile = given_.vcdFile;
    if (traceLimit->count() > 0) options.limit = Limit(given_.limit);
    return Trace(out, given_.file, given_.arguments, options);
  };
  Command& sweep = AddCommand("sweep",
                              "computes the target for every tuple of the ranges, several runs "
                              "at a time, and writes CSV: a row per tuple, in order",
                              "sweep takes a file");
  AddOperands(sweep, kFileOperand, "RANGE",
              "one per argument the target takes, each N, A..B (A to B) or a comma list "
              "such as 1,5,9; the first changes slowest, the last fastest. The CSV has the "
              "header x1,...,xn,result,iterations,status; a row's status is done, limit or "
              "stopped (by Ctrl-C), its result empty unless done");
  CLI::Option* jobs = AddValued(sweep, "--jobs", given_.jobs, "N",
                                "runs N computations at once, each on a network of its own "
                                "(default: as many as there are processors)",
                                JobsTakes());
  CLI::Option* sweepLimit =
      AddValued(sweep, "--limit", given_.limit, "N",
                "stops each run after N iterations (0, the default: no limit)", LimitTakes());
  AddValued(sweep, "--engine", given_.engine, kEngineText,
            "the engine of every run, as for run (default macro)", kEngineTakes);
  AddValued(sweep, "--csv", given_.csvFile, "OUT.csv",
            "writes the CSV to OUT.csv instead of standard output; the file appears when "
            "the sweep ends, with the rows done so far if Ctrl-C ended it",
            "--csv takes a file name");
  sweep.action = [this, jobs, sweepLimit](TextSink& out) {
    SweepOptions options;
    if (sweepLimit->count() > 0) options.limit = Limit(given_.limit);
    options.engine = Engine(given_.engine);
    options.jobs = jobs->count() > 0 ? Jobs(given_.jobs)
                                     : std::max(1u, std::thread::hardware_concurrency());
    options.csvFile = given_.csvFile;
    return Sweep(out, given_.file, given_.arguments, options);
  };
  app_.footer(kFooter);  // after the commands: theirs stays empty
}

CommandLine::Command& CommandLine::AddCommand(const std::string& name,
                                              const std::string& description,
                                              const std::string& takes) {
  CLI::App* app = app_.add_subcommand(name, description);
  app->group("Commands");
  app->allow_extras();  // unknown words are reported as ours, see Leftover
  commands_.push_back(std::make_unique<Command>(Command{app, takes, false, {}}));
  return *commands_.back();
}

void CommandLine::AddOperands(Command& command, const std::string& file, const std::string& name,
                              const std::string& description) {
  // Not required here: FILE may follow "--", which CLI11 does not see.
  command.app->add_option("FILE", given_.file, file);
  command.arguments = !name.empty();
  if (command.arguments) command.app->add_option(name, given_.arguments, description);
}

CLI::Option* CommandLine::AddValued(Command& command, const std::string& names,
                                    std::string& value, const std::string& text,
                                    const std::string& description, const std::string& takes) {
  CLI::Option* option = command.app->add_option(names, value, description)->option_text(text);
  takes_[option] = takes;
  return option;
}

const CLI::App& CommandLine::Selected() const {
  const auto selected = app_.get_subcommands();
  return selected.empty() ? app_ : *selected.front();
}

const CommandLine::Command* CommandLine::Find(const CLI::App& app) const {
  for (const auto& command : commands_)
    if (command->app == &app) return command.get();
  return nullptr;
}

std::string CommandLine::Problem(const CLI::ParseError& error, const CLI::App& app,
                                 const std::vector<std::string>& words) const {
  const Command* command = Find(app);
  if (dynamic_cast<const CLI::RequiredError*>(&error) != nullptr && command != nullptr) {
    for (const CLI::Option* option : app.get_options())
      if (option->get_required() && option->count() == 0)
        return option->get_positional() ? command->takes
                                        : app.get_name() + " needs " + option->get_name();
  }
  // A value can only be missing after the last word.
  if (dynamic_cast<const CLI::ArgumentMismatch*>(&error) != nullptr) {
    const auto takes = takes_.find(app.get_option_no_throw(words.back()));
    if (takes != takes_.end()) return takes->second;
  }
  return error.what();
}

const CLI::Option* CommandLine::FindOption(const std::string& name) const {
  if (const CLI::Option* option = app_.get_option_no_throw(name)) return option;
  for (const auto& command : commands_)
    if (const CLI::Option* option = command->app->get_option_no_throw(name)) return option;
  return nullptr;
}

std::string CommandLine::ValueProblem(const std::vector<std::string>& words,
                                      std::vector<std::string>::const_iterator end) const {
  for (auto word = words.begin(); word != end; ++word) {
    if (word->size() < 2 || (*word)[0] != '-') continue;
    // "--name=value", or "-xvalue" for a short name.
    const bool isLong = (*word)[1] == '-';
    const std::size_t equals = isLong ? word->find('=') : std::string::npos;
    const std::string name = isLong ? word->substr(0, equals) : word->substr(0, 2);
    const CLI::Option* option = name == "--" ? nullptr : FindOption(name);
    if (option == nullptr || option->get_positional()) continue;
    const auto takes = takes_.find(option);
    const bool attached = name.size() < word->size();
    if (takes == takes_.end()) {
      // A flag: CLI11 would read "--stats=no" as off and "--check=x" as a
      // conversion error.
      if (attached) return name + " takes no value";
    } else if (isLong && attached) {
      if (equals + 1 == word->size()) return takes->second;
    } else if (!attached && word + 1 != end) {
      ++word;  // the value, whatever it looks like
      if (word->empty()) return takes->second;
    }
  }
  return "";
}

std::string CommandLine::Leftover(const CLI::App& app) const {
  const std::vector<std::string> words = app.remaining();
  if (words.empty()) return "";
  const std::string& word = words.front();
  // "-3" is a number that is not natural, for the command to refuse.
  if (word.size() > 1 && word[0] == '-' && !IsNaturalNumberText(word.substr(1)))
    return "unknown option '" + word + "'";
  if (const Command* command = Find(app)) return command->takes;
  return "unknown command '" + word + "'";
}

std::string CommandLine::TakeOperands(const Command& command,
                                      const std::vector<std::string>& operands) {
  auto next = operands.begin();
  if (command.app->get_option("FILE")->count() == 0 && next != operands.end())
    given_.file = *next++;
  if (command.app->get_option("FILE")->count() == 0 && next == operands.begin())
    return command.takes;
  if (given_.file.empty()) return command.takes;
  if (!command.arguments) return next == operands.end() ? "" : command.takes;
  // CLI11 takes a word such as "---limit" for an operand; before "--" it
  // is a mistyped option.
  for (const auto& word : given_.arguments)
    if (word.size() > 1 && word[0] == '-' && !IsNaturalNumberText(word.substr(1)))
      return "unknown option '" + word + "'";
  given_.arguments.insert(given_.arguments.end(), next, operands.end());
  return "";
}

int CommandLine::Usage(const CLI::App& app, const std::string& problem) const {
  const std::string name =
      &app == &app_ ? std::string(kProgram) : std::string(kProgram) + " " + app.get_name();
  std::cerr << kProgram << ": " << problem << "\n"
            << app.get_formatter()->make_help(&app, name, CLI::AppFormatMode::Normal);
  return kUsage;
}

int CommandLine::Execute(TextSink& out, const std::vector<std::string>& words) {
  if (words.empty()) return Usage(app_, "no command");
  // CLI11 would end the command at "--" once its operands are there: the
  // words after it are given to the command here, whatever they look like.
  // A "--" that is an option's value is no end of options.
  auto end = words.begin();
  while (end != words.end() && *end != "--") {
    const bool valued = std::any_of(takes_.begin(), takes_.end(), [&end](const auto& entry) {
      return entry.first->check_name(*end);
    });
    if (valued && end + 1 != words.end()) ++end;
    ++end;
  }
  // CLI11 takes the words last first.
  std::vector<std::string> reversed(std::make_reverse_iterator(end), words.rend());
  enum class Parsed { Done, Help, Version, Failed } parsed = Parsed::Done;
  std::string text;  // the version, or the problem CLI11 found
  try {
    app_.parse(reversed);
  } catch (const CLI::CallForHelp&) {
    parsed = Parsed::Help;
  } catch (const CLI::CallForVersion& version) {
    parsed = Parsed::Version;
    text = version.what();
  } catch (const CLI::ParseError& error) {
    parsed = Parsed::Failed;
    text = Problem(error, Selected(), words);
  }
  // Checked here, as CLI11 takes some of these and stumbles on others.
  if (const std::string problem = ValueProblem(words, end); !problem.empty())
    return Usage(Selected(), problem);
  switch (parsed) {
    case Parsed::Help:
      out.Append(app_.help());
      return kOk;
    case Parsed::Version:
      out.Append(text + "\n");
      return kOk;
    case Parsed::Failed:
      return Usage(Selected(), text);
    case Parsed::Done:
      break;
  }
  if (const std::string problem = Leftover(app_); !problem.empty()) return Usage(app_, problem);
  const Command* command = Find(Selected());
  if (command == nullptr) return Usage(app_, "no command");
  if (const std::string problem = Leftover(*command->app); !problem.empty())
    return Usage(*command->app, problem);
  const std::vector<std::string> operands(end == words.end() ? end : end + 1, words.end());
  if (const std::string problem = TakeOperands(*command, operands); !problem.empty())
    return Usage(*command->app, problem);
  try {
    return command->action(out);
  } catch (const UsageError& error) {
    return Usage(*command->app, error.what());
  }
}

}  // namespace

int RunCommandLine(TextSink& out, const std::vector<std::string>& words) {
  return CommandLine().Execute(out, words);
}

}  // namespace vantorb::cli
