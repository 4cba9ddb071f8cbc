// vantorb-cli as users and scripts call it: output forms, exit statuses
// and messages, by running the built program.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <pty.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <regex>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "scratch_dir.hpp"

namespace {

namespace fs = std::filesystem;

struct Outcome {
  int status = -1;
  std::string out, err;
};

// The tool as a process of its own, to send signals to, with its standard
// output and error in files. SIGINT, SIGTERM and SIGHUP start in their
// default action, or SIGINT ignored as in a background job of a script.
// Killed and reaped when the test leaves it running.
class Process {
 public:
  Process(std::vector<std::string> arguments, const fs::path& out, const fs::path& err,
          bool interruptIgnored = false) {
    arguments.insert(arguments.begin(), VANTORB_CLI);
    std::vector<char*> argv;
    for (auto& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    posix_spawn_file_actions_addopen(&files, STDOUT_FILENO, out.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&files, STDERR_FILENO, err.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none, interrupt;
    sigemptyset(&none);
    sigemptyset(&interrupt);
    sigaddset(&interrupt, SIGTERM);
    sigaddset(&interrupt, SIGHUP);
    if (!interruptIgnored) sigaddset(&interrupt, SIGINT);
    posix_spawnattr_setsigmask(&attributes, &none);
    short flags = POSIX_SPAWN_SETSIGMASK;
    // An ignored signal stays ignored in the new program.
    struct sigaction ignore {}, before {};
    ignore.sa_handler = SIG_IGN;
    if (interruptIgnored) sigaction(SIGINT, &ignore, &before);
    posix_spawnattr_setsigdefault(&attributes, &interrupt);
    flags |= POSIX_SPAWN_SETSIGDEF;
    posix_spawnattr_setflags(&attributes, flags);
    if (posix_spawn(&pid_, argv[0], &files, &attributes, argv.data(), environ) != 0) pid_ = -1;
    if (interruptIgnored) sigaction(SIGINT, &before, nullptr);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&files);
  }
  ~Process() {
    if (pid_ > 0 && !ended_) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
  }
  Process(const Process&) = delete;
  Process& operator=(const Process&) = delete;

  bool Started() const { return pid_ > 0; }
  void Signal(int signal) const { kill(pid_, signal); }

  // Whether the signal is among those the process catches ("SigCgt") or
  // ignores ("SigIgn"), as Linux tells.
  bool Interrupt(const std::string& field, int signal = SIGINT) const {
    std::ifstream status("/proc/" + std::to_string(pid_) + "/status");
    for (std::string line; std::getline(status, line);)
      if (line.rfind(field + ":", 0) == 0)
        return (std::stoull(line.substr(field.size() + 1), nullptr, 16) >> (signal - 1)) & 1;
    return false;
  }

  // Waits, a millisecond at a time for at most a minute, until `ready`
  // holds; false when the process ended first or the minute passed.
  bool WaitFor(const std::function<bool()>& ready) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::minutes(1);
    while (std::chrono::steady_clock::now() < until) {
      if (ready()) return true;
      if (waitpid(pid_, &raw_, WNOHANG) == pid_) {
        ended_ = true;
        return false;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return false;
  }

  // Sends the signal (Ctrl-C's by default) once the process catches it,
  // and waits for the end; -2 when it never came to catch it.
  std::pair<int, int> InterruptWhenCaught(int signal = SIGINT) {
    if (!WaitFor([this, signal] { return Interrupt("SigCgt", signal); })) return {-2, 0};
    Signal(signal);
    return Wait();
  }

  // Waits for the end: the exit status, or -1 and the signal that ended it.
  std::pair<int, int> Wait() {
    if (!ended_) waitpid(pid_, &raw_, 0);
    ended_ = true;
    if (WIFEXITED(raw_)) return {WEXITSTATUS(raw_), 0};
    return {-1, WIFSIGNALED(raw_) ? WTERMSIG(raw_) : 0};
  }

 private:
  pid_t pid_ = -1;
  int raw_ = 0;
  bool ended_ = false;
};

class CliTest : public ::testing::Test {
 protected:

  static std::string Slurp(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }

  // Runs the tool with its output in files (standard output to stdoutTo
  // when named, then read as empty); `after` follows in the shell. With
  // inFolder, it runs in the test's folder.
  Outcome Cli(const std::string& arguments, const std::string& after = "",
              const std::string& stdoutTo = "", bool inFolder = false) {
    const fs::path out = dir_ / "stdout", err = dir_ / "stderr";
    const std::string command = (inFolder ? "cd '" + dir_.string() + "' && '" : "'") +
                                VANTORB_CLI + "' " + arguments + " >'" +
                                (stdoutTo.empty() ? out.string() : stdoutTo) + "' 2>'" +
                                err.string() + "'" + after;
    const int raw = std::system(command.c_str());
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, stdoutTo.empty() ? Slurp(out) : "",
            Slurp(err)};
  }

  // The files in the test's folder but the captured outputs, sorted.
  std::vector<std::string> Files() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir_)) {
      const std::string name = entry.path().filename().string();
      if (name != "stdout" && name != "stderr") names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
  }

  std::string Write(const std::string& name, const std::string& text) {
    const fs::path path = dir_ / name;
    std::ofstream(path, std::ios::binary) << text;
    return "'" + path.string() + "'";
  }

  static std::string Example(const std::string& name) {
    return std::string("'") + VANTORB_EXAMPLES_DIR + "/" + name + "'";
  }

  // The tool on `arguments` (no shell quoting), as a process of its own.
  std::unique_ptr<Process> Start(const std::vector<std::string>& arguments,
                                 bool interruptIgnored = false) {
    auto process =
        std::make_unique<Process>(arguments, dir_ / "stdout", dir_ / "stderr", interruptIgnored);
    EXPECT_TRUE(process->Started());
    return process;
  }

  // f(x, y) = y + 1 is never 0: the minimization runs until stopped.
  std::string Forever() {
    std::ofstream(dir_ / "forever.prv") << "f M(C(U(2,2), S))";
    return (dir_ / "forever.prv").string();
  }

  vantorb::testing::ScratchDir scratch_{"vantorb-cli"};
  const fs::path& dir_ = scratch_.Path();
};

TEST_F(CliTest, InfoPrintsTheCompilerInformation) {
  const Outcome o = Cli("info " + Write("succ.prv", "// successor\r\nf S\r\n"));
  EXPECT_EQ(o.status, 0) << o.err;
  EXPECT_EQ(o.out,
            "file: succ.prv\nlines: 2\ntarget: f\nstatements: 1\n"
            "neurons: 4\nsynapses: 5\n");
}

TEST_F(CliTest, EquationsGoToStandardOutputOrAFileWithCrLf) {
  const std::string program = Write("succ.prv", "f S");
  const std::string lines =
      "XSin_1_0(i+1) = sigma( 1.0*Ein(i) + 0 )\r\n"
      "XSEout_1_1(i+1) = sigma( 1.0*XSin_1_0(i) + 0 )\r\n"
      "XSdata_1_2(i+1) = sigma( 1.0*Edata1(i) + 0 )\r\n"
      "XSEres_1_3(i+1) = sigma( 1.0*XSin_1_0(i) + 0.10*XSdata_1_2(i) + -0.9 )\r\n";
  const Outcome toOut = Cli("equations " + program);
  EXPECT_EQ(toOut.status, 0) << toOut.err;
  EXPECT_EQ(toOut.out, lines);
  const Outcome toFile = Cli("equations " + program + " -o '" + (dir_ / "s.EQU").string() + "'");
  EXPECT_EQ(toFile.status, 0) << toFile.err;
  EXPECT_EQ(toFile.out, "");
  EXPECT_EQ(Slurp(dir_ / "s.EQU"), lines);

  const Outcome info = Cli("info '" + (dir_ / "s.EQU").string() + "'");
  EXPECT_EQ(info.out,
            "file: s.EQU\nlines: 4\ntarget: UserNet\nstatements: 1\n"
            "neurons: 4\nsynapses: 5\n");
  const Outcome run = Cli("run '" + (dir_ / "s.EQU").string() + "' 9 --limit 100");
  EXPECT_EQ(run.out, "result: 10\niterations: 2\n");
}

TEST_F(CliTest, RunPrintsResultAndIterations) {
  struct Case {
    std::string arguments;
    std::string out;
  };
  const Case cases[] = {
      {"run " + Example("multiplication.prv") + " 7 8 --limit 1000",
       "result: 56\niterations: 816\n"},
      {"run " + Example("addition.prv") + " 2 2", "result: 4\niterations: 31\n"},
      {"run " + Example("addition.prv") + " 2 2 --limit 32", "result: 4\niterations: 31\n"},
      {"run " + Example("addition.prv") + " --limit 0 2 2", "result: 4\niterations: 31\n"},
      // Limits past 32 bits, up to the largest, are taken whole.
      {"run " + Example("addition.prv") + " 2 2 --limit 2147483648", "result: 4\niterations: 31\n"},
      {"run " + Example("addition.prv") + " 2 2 --limit 9223372036854775807",
       "result: 4\niterations: 31\n"},
  };
  for (const auto& c : cases) {
    const Outcome o = Cli(c.arguments);
    EXPECT_EQ(o.status, 0) << c.arguments << ": " << o.err;
    EXPECT_EQ(o.out, c.out) << c.arguments;
    EXPECT_EQ(o.err, "") << c.arguments;
  }
}

TEST_F(CliTest, StatsCountTheLimbsCopiedIntoNeuronsOncePerLongValue) {
  // A run of 28,000 iterations on values of 500 limbs: the neurons are
  // brought in step when the run ends, not after every tick of a thousand
  // iterations, which would copy each long value some thirty times.
  const Outcome o = Cli("run " + Example("predecessor.prv") + " 4000 --stats");
  ASSERT_EQ(o.status, 0) << o.err;
  std::map<std::string, std::uint64_t> figures;
  std::istringstream lines(o.out);
  for (std::string line; std::getline(lines, line);) {
    const auto colon = line.find(": ");
    if (colon != std::string::npos && line.find("limbs") != std::string::npos)
      figures[line.substr(0, colon)] = std::stoull(line.substr(colon + 2));
  }
  ASSERT_EQ(figures.count("limbs copied into neurons"), 1u) << o.out;
  ASSERT_EQ(figures.count("longest value"), 1u) << o.out;
  EXPECT_EQ(figures["longest value"], 501u);
  EXPECT_GT(figures["limbs copied into neurons"], 0u);
  EXPECT_LE(figures["limbs copied into neurons"], 8 * figures["longest value"]) << o.out;
}

TEST_F(CliTest, LimitStopsAfterExactlyNIterationsWithStatusThree) {
  for (int limit : {1, 10, 31}) {
    const Outcome o = Cli("run " + Example("addition.prv") + " 2 2 --limit " +
                          std::to_string(limit));
    EXPECT_EQ(o.status, 3) << limit;
    // A run the limit stopped has no result, not the 0 its result neuron
    // held, even at iteration 31, where the network has just answered but
    // the read-out would need one iteration more.
    EXPECT_EQ(o.out, "result: none\niterations: " + std::to_string(limit) + "\n");
    EXPECT_EQ(o.err, "Iteraction limit exceeded.\n\r Computation Stoped!\n");
  }
}

// The fields of a CSV line, quoted ones unquoted.
std::vector<std::string> CsvFields(const std::string& line) {
  std::vector<std::string> fields(1);
  bool quoted = false;
  for (std::size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    if (c == '"' && quoted && i + 1 < line.size() && line[i + 1] == '"') {
      fields.back() += '"';
      ++i;
    } else if (c == '"') {
      quoted = !quoted;
    } else if (c == ',' && !quoted) {
      fields.emplace_back();
    } else {
      fields.back() += c;
    }
  }
  return fields;
}

// run --values gives each chosen neuron's value at the end of the run as
// the trace's last row has it, in the trace's order, whatever the engine,
// at the natural end as at the limit.
TEST_F(CliTest, RunValuesAreTheTracesLastRow) {
  struct Case {
    std::string program, arguments, token, limit;
    int status;
  };
  const Case cases[] = {
      {Example("addition.prv"), "2 3", "*", "1000", 0},
      {Example("addition.prv"), "2 3", "*", "10", 3},
      {Example("multiplication.prv"), "3 4", "E", "1000", 0},
      {Example("multiplication.prv"), "3 4", "hid", "77", 3},
      {Example("factorial.prv"), "3", "data", "200", 3},
      // Long values, which the event engine keeps as runs.
      {Example("addition.prv"), "300 200", "*", "1500", 3},
  };
  for (const auto& c : cases) {
    const std::string label = c.program + " " + c.arguments + " " + c.token + " " + c.limit;
    const Outcome trace = Cli("trace " + c.program + " " + c.arguments + " --token '" + c.token +
                              "' --limit " + c.limit);
    ASSERT_EQ(trace.status, c.status) << label;
    std::istringstream rows(trace.out);
    std::string header, row;
    std::getline(rows, header);
    for (std::string line; std::getline(rows, line);) row = line;
    const std::vector<std::string> names = CsvFields(header), values = CsvFields(row);
    ASSERT_EQ(names.size(), values.size()) << label;
    ASSERT_GT(names.size(), 1u) << label;
    std::string expected = "iterations: " + values[0] + "\n";
    for (std::size_t n = 1; n < names.size(); ++n)
      expected += names[n] + " = " + values[n] + "\n";
    for (const char* engine : {"event", "dense", "reference"}) {
      const Outcome run = Cli("run " + c.program + " " + c.arguments + " --values '" + c.token +
                              "' --limit " + c.limit + " --engine " + engine);
      EXPECT_EQ(run.status, c.status) << label << " " << engine << ": " << run.err;
      EXPECT_EQ(run.out.rfind("result: ", 0), 0u) << label << " " << engine;
      EXPECT_EQ(run.out.substr(run.out.find('\n') + 1), expected) << label << " " << engine;
    }
  }
}

// --stats tells what leaping did, nothing for the engines that go step by
// step; its lines follow the values, and the check comes last.
TEST_F(CliTest, RunStatsTellTheLeapsAfterTheValues) {
  for (const char* engine : {"event", "dense", "reference"}) {
    const Outcome o = Cli("run " + Example("addition.prv") + " 3 4 --check --stats --engine " +
                          engine + " --values Eres --limit 1000");
    EXPECT_EQ(o.status, 0) << engine << ": " << o.err;
    const std::vector<std::string> inOrder = {
        "result: 7\niterations: 55\nXREres_1_7 = 0.11111111\nwall time: ",
        "\nrules proved: 0\nleaps: 0\niterations leapt: 0\nround rules proved: 0\nrounds leapt: 0\n",
        "\nmost runs in a value: ",
        "\ncheck: the definition gives 7 too\n"};
    std::size_t at = 0;
    for (const auto& part : inOrder) {
      const std::size_t found = o.out.find(part, at);
      EXPECT_NE(found, std::string::npos) << engine << ": " << part << " in\n" << o.out;
      if (found != std::string::npos) at = found + part.size();
    }
    EXPECT_EQ(at, o.out.size()) << engine << ":\n" << o.out;
  }
}

TEST_F(CliTest, ErrorsAsTheWindowShowsThemWithStatusTwo) {
  struct Case {
    std::string arguments;
    std::string err;
  };
  const std::string missing = (dir_ / "missing.prv").string();
  const Case cases[] = {
      {"info " + Write("bad.prv", "f S\ng C(S)"), "Composition must have at least 2 arguments\n"},
      {"run " + Write("syntax.prv", "f S\n\ng )") + " 1", " Syntax error at line 3\n"},
      {"info " + Write("undef.prv", "f S #target g"), "Target function g was not defined\n"},
      {"info '" + missing + "'", "Cannot open file " + missing + ": No such file or directory\n"},
      {"info " + Write("bad.equ", "A(i+1)=sigma(0)\r\nB(i+1)=sigma(x*A(i)+0)\r\n"),
       "'x' is not a valid floating point value (Line 2)\n"},
      {"run " + Write("noend.EqU", "Res(i+1)=sigma(1.0*Ein(i)+0)\r\n"),
       "An error ocourred. Did you compile a function ?\n"},
      {"run " + Write("nores.equ", "XEout(i+1)=sigma(1.0*Ein(i)+0)\r\n"),
       "The network signalled its end but has no result neuron (Eres)\n"},
  };
  for (const auto& c : cases) {
    const Outcome o = Cli(c.arguments);
    EXPECT_EQ(o.status, 2) << c.arguments;
    EXPECT_EQ(o.err, c.err) << c.arguments;
    EXPECT_EQ(o.out, "") << c.arguments;
  }
}

TEST_F(CliTest, UsageErrorsSayTheProblemAndGiveThatCommandsHelpWithStatusOne) {
  const std::string add = Example("addition.prv");
  const std::string limitTakes = "--limit takes a number of iterations up to 9223372036854775807";
  const std::string noDefinition = "needs a program (.PRV): an equation file has no definition";
  struct Case {
    std::string arguments, problem, command;  // command "": the program's own help
  };
  const Case cases[] = {
      {"", "no command", ""},
      {"frobnicate", "unknown command 'frobnicate'", ""},
      {"--frob", "unknown option '--frob'", ""},
      {"info", "info takes one file", "info"},
      {"info a b", "info takes one file", "info"},
      {"info -- a b", "info takes one file", "info"},
      {"info ''", "info takes one file", "info"},
      {"info -- ''", "info takes one file", "info"},
      {"run", "run takes a file", "run"},
      {"run --limit 100", "run takes a file", "run"},
      {"run " + add + " 1 2 --limit", limitTakes, "run"},
      {"run " + add + " 1 2 --limit x", limitTakes, "run"},
      {"run " + add + " 1 2 --limit=-5", limitTakes, "run"},
      {"run " + add + " 1 2 --limit 9223372036854775808", limitTakes, "run"},
      {"trace " + add + " 1 2 --token E --limit 9223372036854775808", limitTakes, "trace"},
      {"run " + add + " 1 2 --limit 100 --values", "--values takes a value", "run"},
      {"run " + add + " 1 2 --limit 100 --engine fast", "--engine takes macro, event, dense or reference",
       "run"},
      {"run " + add + " 1 2 --limit 100 --engine", "--engine takes macro, event, dense or reference",
       "run"},
      {"run " + add + " 1 2 --limit 100 --frob", "unknown option '--frob'", "run"},
      {"run " + add + " 1 2 ---limit 100", "unknown option '---limit'", "run"},
      {"run x.EQU 1 --check", "--check " + noDefinition + " to check against", "run"},
      {"run --check -- x.equ 1", "--check " + noDefinition + " to check against", "run"},
      {"equations", "equations takes a file and optionally -o OUT.EQU", "equations"},
      {"equations a b", "equations takes a file and optionally -o OUT.EQU", "equations"},
      {"equations a -x b", "unknown option '-x'", "equations"},
      {"graph a -o", "-o takes a file name", "graph"},
      {"trace " + add + " 1 2 --limit 100", "trace needs --token", "trace"},
      {"trace " + add + " 1 2 --limit 100 --token", "--token takes a value", "trace"},
      {"trace " + add + " 1 2 --token E --limit=x", limitTakes, "trace"},
      {"eval " + add + " 1 2 --bound x", "--bound takes a number of candidates", "eval"},
      {"eval sum.EQU 1 2", "eval " + noDefinition + " to evaluate", "eval"},
  };
  for (const auto& c : cases) {
    const Outcome o = Cli(c.arguments);
    EXPECT_EQ(o.status, 1) << c.arguments;
    EXPECT_EQ(o.out, "") << c.arguments;
    const Outcome help = Cli(c.command + " --help");
    ASSERT_EQ(help.status, 0) << c.command;
    EXPECT_EQ(o.err, "vantorb-cli: " + c.problem + "\n" + help.out) << c.arguments;
  }
}

// Each option's value as the tool words it, whatever form it comes in:
// flags take none, and a value may not be empty (an unset variable in a
// script must not send a file to standard output).
TEST_F(CliTest, OptionValuesAreRefusedInTheToolsOwnWords) {
  const std::string add = Example("addition.prv");
  const std::string limitTakes = "--limit takes a number of iterations up to 9223372036854775807";
  struct Case {
    std::string arguments, problem, command;
  };
  const Case cases[] = {
      {"run " + add + " 1 2 --limit=", limitTakes, "run"},
      {"run " + add + " 1 2 --limit ''", limitTakes, "run"},
      {"trace " + add + " 1 2 --token E --limit=", limitTakes, "trace"},
      {"run " + add + " 1 2 --engine=", "--engine takes macro, event, dense or reference", "run"},
      {"run " + add + " 1 2 --values=", "--values takes a value", "run"},
      {"run " + add + " 1 2 --values ''", "--values takes a value", "run"},
      {"eval " + add + " 1 2 --bound=", "--bound takes a number of candidates", "eval"},
      {"trace " + add + " 1 2 --token=", "--token takes a value", "trace"},
      {"trace " + add + " 1 2 --token ''", "--token takes a value", "trace"},
      {"trace " + add + " 1 2 --token E --csv ''", "--csv takes a file name", "trace"},
      {"trace " + add + " 1 2 --token E --vcd=", "--vcd takes a file name", "trace"},
      {"equations " + add + " -o ''", "-o takes a file name", "equations"},
      {"equations " + add + " --output=", "-o takes a file name", "equations"},
      {"graph " + add + " -o ''", "-o takes a file name", "graph"},
      {"run " + add + " 1 2 --stats=maybe", "--stats takes no value", "run"},
      {"run " + add + " 1 2 --stats=no", "--stats takes no value", "run"},
      {"run " + add + " 1 2 --check=x", "--check takes no value", "run"},
      {"run " + add + " 1 2 --help=x", "--help takes no value", "run"},
      {"run " + add + " 1 2 -hx", "-h takes no value", "run"},
      {"--help=", "--help takes no value", ""},
      {"--version=x", "--version takes no value", ""},
  };
  for (const auto& c : cases) {
    const Outcome o = Cli(c.arguments);
    EXPECT_EQ(o.status, 1) << c.arguments;
    EXPECT_EQ(o.out, "") << c.arguments;
    const Outcome help = Cli(c.command + " --help");
    EXPECT_EQ(o.err, "vantorb-cli: " + c.problem + "\n" + help.out) << c.arguments;
  }
  // Given twice, a flag is as given once.
  const Outcome twice = Cli("run --stats --check " + add + " 3 4 --check --stats --limit 100");
  EXPECT_EQ(twice.status, 0) << twice.err;
  EXPECT_NE(twice.out.find("\nwall time: "), std::string::npos);
  EXPECT_NE(twice.out.find("\ncheck: the definition gives 7 too\n"), std::string::npos);
}

// A refused ARG is an error of the computation like the file's: status 2
// and the message alone, whatever the refusal and the command.
TEST_F(CliTest, RefusedArgumentsAreErrorsWithStatusTwo) {
  const std::string add = Example("addition.prv");
  const std::string csv = (dir_ / "t.csv").string();
  struct Case {
    std::string arguments, err;
  };
  const Case cases[] = {
      {"run " + add + " 1 x --limit 100", "argument 'x' is not a natural number"},
      {"run " + add + " 1 -2 --limit 100", "argument '-2' is not a natural number"},
      {"run --limit 100 " + add + " -- 1 -2", "argument '-2' is not a natural number"},
      {"run --limit 100 " + add + " 1 -- --help", "argument '--help' is not a natural number"},
      {"eval " + add + " 1 1.5", "argument '1.5' is not a natural number"},
      {"trace " + add + " x 1 --token E", "argument 'x' is not a natural number"},
      {"run " + add + " 1 --limit 100", "add takes 2 arguments, 1 given"},
      {"run " + add + " --limit 100", "add takes 2 arguments, 0 given"},
      {"run " + add + " 1 2 3 --limit 100", "add takes 2 arguments, 3 given"},
      {"eval " + add + " 1", "add takes 2 arguments, 1 given"},
      // Values read from neurons hold arguments as limbs; kept as runs by
      // the engine, they may be far larger.
      {"run " + add + " 100000001 1 --limit 100 --engine dense",
       "The argument 100000001 is too large: at most 100000000 can be computed"},
      {"run " + add + " 100000001 1 --limit 100 --values E",
       "The argument 100000001 is too large: at most 100000000 can be computed"},
      {"run " + add + " 1000000000001 1 --limit 100",
       "The argument 1000000000001 is too large: at most 1000000000000 can be computed"},
      {"trace " + add + " 1 100000001 --token E --csv '" + csv + "'",
       "The argument 100000001 is too large: at most 100000000 can be computed"},
      {"eval " + add + " 9223372036854775808 1",
       "argument '9223372036854775808' is larger than 9223372036854775807"},
  };
  for (const auto& c : cases) {
    const Outcome o = Cli(c.arguments);
    EXPECT_EQ(o.status, 2) << c.arguments;
    EXPECT_EQ(o.err, c.err + "\n") << c.arguments;
    EXPECT_EQ(o.out, "") << c.arguments;
  }
  EXPECT_EQ(Files(), std::vector<std::string>{}) << "no trace file";
  const Outcome largest = Cli("eval " + add + " 9223372036854775807 0");
  EXPECT_EQ(largest.status, 0) << largest.err;
  EXPECT_EQ(largest.out, "result: 9223372036854775807\n");
}

TEST_F(CliTest, HugeArgumentsAreRefusedBeforeAnyMemoryIsTaken) {
  const Outcome o = Cli("run " + Example("addition.prv") + " 2000000000000 1");
  EXPECT_EQ(o.status, 2);
  EXPECT_EQ(o.err,
            "The argument 2000000000000 is too large: at most 1000000000000 can be computed\n");
}

// Arguments and results whose codes no neuron could hold as limbs, kept by
// the engine as runs: exact, in little memory, with the step-by-step
// iteration counts' closed forms.
TEST_F(CliTest, ValuesKeptAsRunsReachArgumentsNoNeuronCouldHold) {
  const struct {
    std::string arguments, out;
  } cases[] = {
      {"run " + Example("multiplication.prv") + " 1000000 1000000 --limit 20000000000000",
       "result: 1000000000000\niterations: 12000017000008\n"},
      {"run " + Example("predecessor.prv") + " 1000000000 --limit 8000000000",
       "result: 999999999\niterations: 7000000008\n"},
      // Stopped inside the leap, at exactly the limit.
      {"run " + Example("predecessor.prv") + " 1000000000 --limit 5000000000",
       "result: none\niterations: 5000000000\n"},
  };
  for (const auto& c : cases) {
    const Outcome o = Cli(c.arguments);
    EXPECT_EQ(o.out, c.out) << c.arguments;
  }
}

TEST_F(CliTest, AFailedWriteNamesTheFileAndKeepsTheOldOne) {
  const std::string out = (dir_ / "kept.EQU").string();
  std::ofstream(out) << "old contents\n";
  // A file size limit of one block stands for a full disk.
  const std::string command = "ulimit -f 1; '" + std::string(VANTORB_CLI) + "' equations " +
                              Example("division.prv") + " -o '" + out + "' 2>'" +
                              (dir_ / "err").string() + "'";
  const int raw = std::system(command.c_str());
  EXPECT_EQ(WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, 2);
  EXPECT_EQ(Slurp(dir_ / "err"), "Cannot write the file " + out + ": File too large\n");
  EXPECT_EQ(Slurp(out), "old contents\n");
  std::size_t files = 0;
  for ([[maybe_unused]] const auto& entry : fs::directory_iterator(dir_)) ++files;
  EXPECT_EQ(files, 2u) << "no temporary file is left behind";
  const Outcome noFolder = Cli("equations " + Example("addition.prv") + " -o '" +
                               (dir_ / "none" / "x.equ").string() + "'");
  EXPECT_EQ(noFolder.status, 2);
  EXPECT_NE(noFolder.err.find("No such file or directory"), std::string::npos);
}

TEST_F(CliTest, EvalAndCheckAgainstTheDefinition) {
  EXPECT_EQ(Cli("eval " + Example("factorial.prv") + " 10").out, "result: 3628800\n");
  const Outcome checked = Cli("run " + Example("power.prv") + " 2 3 --check --limit 100000");
  EXPECT_EQ(checked.status, 0) << checked.err;
  EXPECT_EQ(checked.out.rfind("result: 8\niterations: ", 0), 0u) << checked.out;
  EXPECT_NE(checked.out.find("\ncheck: the definition gives 8 too\n"), std::string::npos);
  const Outcome unbounded = Cli("eval " + Write("never.prv", "f M(C(U(2,2), S))") + " 1 --bound 50");
  EXPECT_EQ(unbounded.status, 2);
  EXPECT_EQ(unbounded.out, "");
  EXPECT_EQ(unbounded.err, "No value below 50 makes the minimized function 0\n");
}

TEST_F(CliTest, GraphWritesDot) {
  const Outcome toOut = Cli("graph " + Example("addition.prv"));
  EXPECT_EQ(toOut.status, 0) << toOut.err;
  EXPECT_EQ(toOut.out.rfind("digraph network {\n", 0), 0u);
  const std::string file = (dir_ / "add.dot").string();
  EXPECT_EQ(Cli("graph " + Example("addition.prv") + " -o '" + file + "'").status, 0);
  EXPECT_EQ(Slurp(file), toOut.out);
}

TEST_F(CliTest, TraceWritesCsvAndVcd) {
  const std::string program = Write("s.prv", "f S");
  const Outcome csv = Cli("trace " + program + " 2 --token E");
  EXPECT_EQ(csv.status, 0) << csv.err;
  EXPECT_EQ(csv.out, "iteration,XSEout_1_1,XSEres_1_3\n1,0.00000000,0.00000000\n"
                     "2,1.00000000,0.11110000\n");
  const std::string vcd = (dir_ / "s.vcd").string();
  const Outcome files = Cli("trace " + program + " 2 --token '*' --vcd '" + vcd + "'");
  EXPECT_EQ(files.out, "result: 3\niterations: 2\n");
  EXPECT_EQ(Slurp(vcd).rfind("$version Vantorb $end", 0), 0u);
  EXPECT_EQ(Cli("trace " + program + " 2").status, 1) << "a token is needed";
  // A trace the limit stopped has files and no result.
  const Outcome limited =
      Cli("trace " + Example("addition.prv") + " 2 2 --token E --limit 10 --vcd '" + vcd + "'");
  EXPECT_EQ(limited.status, 3);
  EXPECT_EQ(limited.out, "result: none\niterations: 10\n");
}

TEST_F(CliTest, TraceFilesAreTheKnownBytesWhetherStreamedOrWritten) {
  // Recorded before traces were streamed; every form must give them still.
  const std::string csv = Slurp(fs::path(VANTORB_TEST_DATA_DIR) / "trace-addition-1-2.csv");
  const std::string vcd = Slurp(fs::path(VANTORB_TEST_DATA_DIR) / "trace-addition-1-2.vcd");
  ASSERT_FALSE(csv.empty());
  const std::string trace = "trace " + Example("addition.prv") + " 1 2 --token '*' --limit 1000";
  const Outcome toOut = Cli(trace);
  EXPECT_EQ(toOut.status, 0) << toOut.err;
  EXPECT_EQ(toOut.out, csv);
  const Outcome toFiles = Cli(trace + " --csv '" + (dir_ / "t.csv").string() + "' --vcd '" +
                              (dir_ / "t.vcd").string() + "'");
  EXPECT_EQ(toFiles.status, 0) << toFiles.err;
  EXPECT_EQ(toFiles.out, "result: 3\niterations: 31\n");
  EXPECT_EQ(Slurp(dir_ / "t.csv"), csv);
  EXPECT_EQ(Slurp(dir_ / "t.vcd"), vcd);
}

TEST_F(CliTest, OutputThatCannotBeWrittenIsAnErrorWithStatusTwo) {
  const std::string add = Example("addition.prv");
  const std::string cases[] = {
      "info " + add,
      "equations " + add,
      "run " + add + " 2 2 --limit 100",
      "run " + add + " 2 2 --limit 3",  // status 3 gives way to the lost output
      "eval " + add + " 2 2",
      "graph " + add,
      "trace " + add + " 2 2 --token E --limit 100",
      // Far more than any buffer: the first failed write ends the run.
      "trace " + Example("multiplication.prv") + " 99 99 --token '*' --limit 100000",
      "--help",
      "run --help",
      "--version",
  };
  for (const auto& arguments : cases) {
    const Outcome o = Cli(arguments, "", "/dev/full");
    EXPECT_EQ(o.status, 2) << arguments;
    const std::string message = "Cannot write the standard output: No space left on device\n";
    ASSERT_GE(o.err.size(), message.size()) << arguments;
    EXPECT_EQ(o.err.substr(o.err.size() - message.size()), message) << arguments;
    EXPECT_EQ(o.err.find(message), o.err.size() - message.size()) << "said once: " << arguments;
  }
}

TEST_F(CliTest, AFailedTraceFileKeepsTheOldOneAndLeavesNoTemporaryFile) {
  const std::string csv = (dir_ / "kept.csv").string(), vcd = (dir_ / "kept.vcd").string();
  // A file size limit of one block stands for a full disk.
  const std::string command = "ulimit -f 1; '" + std::string(VANTORB_CLI) + "' trace " +
                              Example("multiplication.prv") + " 3 2 --token '*' --limit 10000" +
                              " --csv '" + csv + "' --vcd '" + vcd + "' 2>'" +
                              (dir_ / "stderr").string() + "'";
  std::ofstream(csv) << "old csv\n";
  std::ofstream(vcd) << "old vcd\n";
  const int raw = std::system(command.c_str());
  EXPECT_EQ(WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, 2);
  EXPECT_EQ(Slurp(dir_ / "stderr"), "Cannot write the file " + csv + ": File too large\n");
  EXPECT_EQ(Slurp(csv), "old csv\n");
  EXPECT_EQ(Slurp(vcd), "old vcd\n");
  EXPECT_EQ(Files(), (std::vector<std::string>{"kept.csv", "kept.vcd"}));
}

// /dev/stdout and its kind are descriptors the shell opened: written
// through as it opened them (">>" appends, a pipe stays a pipe), never
// replaced, never looked up by the text of their link ("pipe:[N]").
TEST_F(CliTest, OutputToADescriptorGoesWhereTheShellSentIt) {
  const std::string tool = "'" + std::string(VANTORB_CLI) + "' ";
  const std::string lines = Cli("equations " + Example("addition.prv")).out;
  const std::string csv = Cli("trace " + Example("addition.prv") + " 2 2 --token E").out;
  ASSERT_FALSE(lines.empty());
  ASSERT_FALSE(csv.empty());
  const fs::path red = dir_ / "red.txt", piped = dir_ / "piped", err = dir_ / "stderr";
  struct Case {
    std::string command;  // its standard output goes to red.txt or, piped, to "piped"
    std::string redText, pipedText;
  };
  const Case cases[] = {
      {tool + "equations " + Example("addition.prv") + " -o /dev/stdout >>'" + red.string() + "'",
       "old text\n" + lines, ""},
      {tool + "equations " + Example("addition.prv") + " -o /dev/stdout | cat >'" +
           piped.string() + "'",
       "old text\n", lines},
      {tool + "trace " + Example("addition.prv") + " 2 2 --token E --csv /dev/stdout | cat >'" +
           piped.string() + "'",
       "old text\n", csv + "result: 4\niterations: 31\n"},
  };
  for (const auto& c : cases) {
    std::ofstream(red) << "old text\n";
    std::ofstream(piped) << "";
    // The tool's own status, not the pipe's last command's.
    const std::string command = "{ " + c.command + " 2>>'" + err.string() + "'; echo $? >'" +
                                (dir_ / "status").string() + "'; }";
    ASSERT_EQ(std::system(command.c_str()), 0) << c.command;
    EXPECT_EQ(Slurp(dir_ / "status"), "0\n") << c.command;
    EXPECT_EQ(Slurp(err), "") << c.command;
    EXPECT_EQ(Slurp(red), c.redText) << c.command;
    EXPECT_EQ(Slurp(piped), c.pipedText) << c.command;
  }
}

// /dev/zero would never end and a pipe with no writer would wait for ever:
// both are refused before a byte is read.
TEST_F(CliTest, DevicesAndPipesAreRefusedAtOnceWithStatusTwo) {
  const std::string program = (dir_ / "program.prv").string(), net = (dir_ / "net.equ").string();
  ASSERT_EQ(mkfifo(program.c_str(), 0600), 0);
  ASSERT_EQ(mkfifo(net.c_str(), 0600), 0);
  struct Case {
    std::string arguments, file, reason;
  };
  const Case cases[] = {
      {"info /dev/zero", "/dev/zero", "it is a device, not a regular file"},
      {"run /dev/zero 1", "/dev/zero", "it is a device, not a regular file"},
      {"info '" + program + "'", program, "it is a pipe, not a regular file"},
      {"equations '" + net + "'", net, "it is a pipe, not a regular file"},
  };
  const fs::path out = dir_ / "stdout", err = dir_ / "stderr", status = dir_ / "status";
  for (const auto& c : cases) {
    // A writer waits on each pipe, so that a tool that waited for one reads
    // an empty file instead of hanging; readers held open until the writers
    // are gone let them go at the end.
    const std::string command =
        ": >'" + program + "' & : >'" + net + "' & '" + VANTORB_CLI + "' " + c.arguments +
        " >'" + out.string() + "' 2>'" + err.string() + "'; echo $? >'" + status.string() +
        "'; exec 3<>'" + program + "' 4<>'" + net + "'; wait";
    ASSERT_EQ(std::system(command.c_str()), 0) << c.arguments;
    EXPECT_EQ(Slurp(status), "2\n") << c.arguments;
    // An equation file's message may go on with its line.
    const std::string message = Slurp(err);
    EXPECT_EQ(message.rfind("Cannot open file " + c.file + ": " + c.reason, 0), 0u)
        << c.arguments << ": " << message;
    EXPECT_EQ(Slurp(out), "") << c.arguments;
  }
}

TEST_F(CliTest, ATokenNoNeuronNameContainsIsAnErrorAndWritesNothing) {
  const std::string csv = (dir_ / "t.csv").string(), vcd = (dir_ / "t.vcd").string();
  const std::string cases[] = {
      "run " + Example("addition.prv") + " 1 2 --values NOSUCH --limit 100",
      "run " + Example("addition.prv") + " 1 2 --values NOSUCH --limit 100 --stats --check",
      "trace " + Example("addition.prv") + " 1 2 --token NOSUCH --limit 100",
      "trace " + Example("addition.prv") + " 1 2 --token NOSUCH --limit 100 --csv '" + csv +
          "' --vcd '" + vcd + "'",
  };
  for (const auto& arguments : cases) {
    const Outcome o = Cli(arguments);
    EXPECT_EQ(o.status, 2) << arguments;
    EXPECT_EQ(o.err, "No neuron name contains NOSUCH\n") << arguments;
    EXPECT_EQ(o.out, "") << arguments;
  }
  EXPECT_EQ(Files(), std::vector<std::string>{});
}

TEST_F(CliTest, InterruptStopsARunAndSaysWhere) {
  const auto tool =
      Start({"run", Forever(), "1", "--limit", "9223372036854775807", "--values", "E"});
  EXPECT_EQ(tool->InterruptWhenCaught(), std::make_pair(130, 0));
  EXPECT_EQ(Slurp(dir_ / "stderr").rfind("Interrupted at iteration ", 0), 0u)
      << Slurp(dir_ / "stderr");
  const std::string out = Slurp(dir_ / "stdout");
  // No result, never an empty one; the iterations of the moment it stopped.
  EXPECT_EQ(out.rfind("result: none\niterations: ", 0), 0u) << out;
  // The values of the moment it stopped, after the iterations.
  const std::string values = "\nXMEout_1_8 = 0.00000000\nXMEres_1_12 = 0.00000000\n";
  ASSERT_GE(out.size(), values.size()) << out;
  EXPECT_EQ(out.substr(out.size() - values.size()), values) << out;
}

TEST_F(CliTest, InterruptedTraceLeavesItsFilesAsTheyWere) {
  const std::string csv = (dir_ / "t.csv").string();
  std::ofstream(csv) << "old\n";
  const auto tool = Start({"trace", Forever(), "1", "--token", "E", "--limit", "2000000000",
                           "--csv", csv, "--vcd", (dir_ / "t.vcd").string()});
  EXPECT_EQ(tool->InterruptWhenCaught(), std::make_pair(130, 0));
  EXPECT_EQ(Slurp(dir_ / "stderr").rfind("Interrupted at iteration ", 0), 0u)
      << Slurp(dir_ / "stderr");
  EXPECT_EQ(Slurp(dir_ / "stdout").rfind("result: none\niterations: ", 0), 0u)
      << Slurp(dir_ / "stdout");
  EXPECT_EQ(Slurp(csv), "old\n");
  EXPECT_EQ(Files(), (std::vector<std::string>{"forever.prv", "t.csv"}));
}

TEST_F(CliTest, InterruptDuringATracesSetUpLeavesNoFileAndSaysSo) {
  // Thousands of neurons, whose VCD header takes a while, in a network
  // that never answers.
  std::ofstream program(dir_ / "big.prv");
  program << "f0 S\n";
  for (int level = 1; level <= 10; ++level)
    program << "f" << level << " C(f" << level - 1 << ", f" << level - 1 << ")\n";
  program << "g M(C(U(2,2), f10))\n";
  program.close();
  const std::string vcd = (dir_ / "t.vcd").string();
  std::ofstream(vcd) << "old\n";
  const auto tool = Start({"trace", (dir_ / "big.prv").string(), "1", "--token", "*",
                           "--limit", "2000000000", "--vcd", vcd});
  // The set-up has begun once the new file is there beside the old one.
  ASSERT_TRUE(tool->WaitFor([&] { return Files().size() > 2; }));
  tool->Signal(SIGINT);
  EXPECT_EQ(tool->Wait(), std::make_pair(130, 0));
  EXPECT_EQ(Slurp(dir_ / "stderr").rfind("Interrupted at iteration ", 0), 0u)
      << Slurp(dir_ / "stderr");
  EXPECT_EQ(Slurp(vcd), "old\n");
  EXPECT_EQ(Files(), (std::vector<std::string>{"big.prv", "t.vcd"}));
}

TEST_F(CliTest, InterruptStopsAnEvaluationAtOnce) {
  // Stopped only by the step budget, seconds away.
  const auto tool = Start({"eval", Forever(), "1", "--bound", "1000000000000"});
  EXPECT_EQ(tool->InterruptWhenCaught(), std::make_pair(130, 0));
  EXPECT_EQ(Slurp(dir_ / "stderr"), "Interrupted while evaluating the definition\n");
  EXPECT_EQ(Slurp(dir_ / "stdout"), "");
}

TEST_F(CliTest, AnInterruptIgnoredFromTheStartStaysIgnored) {
  // As a background job of a script starts it.
  const auto tool =
      Start({"trace", Forever(), "1", "--token", "E", "--limit", "2000000000"}, true);
  // Rows on standard output: the run is under way.
  ASSERT_TRUE(tool->WaitFor([&] { return fs::file_size(dir_ / "stdout") > 0; }));
  EXPECT_TRUE(tool->Interrupt("SigIgn"));
  EXPECT_FALSE(tool->Interrupt("SigCgt"));
  tool->Signal(SIGINT);
  // SIGTERM, still caught, says it ended the run, not Ctrl-C.
  tool->Signal(SIGTERM);
  EXPECT_EQ(tool->Wait(), std::make_pair(143, 0));
  EXPECT_EQ(Slurp(dir_ / "stderr").rfind("Interrupted by SIGTERM at iteration ", 0), 0u)
      << Slurp(dir_ / "stderr");
}

// addition.prv swept over 0..3 and 1,2: rows in argument order, the last
// range fastest, whatever the number of workers.
const char* const kAdditionSweep =
    "x1,x2,result,iterations,status\n"
    "0,1,1,19,done\n0,2,2,31,done\n1,1,2,19,done\n1,2,3,31,done\n"
    "2,1,3,19,done\n2,2,4,31,done\n3,1,4,19,done\n3,2,5,31,done\n";

TEST_F(CliTest, SweepWritesARowPerTupleInArgumentOrder) {
  const std::string add = Example("addition.prv");
  struct Case {
    std::string arguments;
    int status;
    std::string out, err;
  };
  const Case cases[] = {
      {"sweep " + add + " 0..3 1,2 --limit 1000 --jobs 1", 0, kAdditionSweep, ""},
      {"sweep " + add + " 0..3 1,2 --limit 1000 --jobs 3 --engine event", 0, kAdditionSweep, ""},
      {"sweep " + add + " 0..3 1,2 --limit 1000", 0, kAdditionSweep, ""},
      // Runs the limit stops have no result; the others go on.
      {"sweep " + add + " 2 1,2 --limit 25 --jobs 2", 3,
       "x1,x2,result,iterations,status\n2,1,3,19,done\n2,2,,25,limit\n",
       "The iteration limit stopped 1 of 2 runs\n"},
      // A target of no arguments: one run.
      {"sweep " + Write("zero.prv", "f W") + " --limit 100", 0,
       "result,iterations,status\n0,2,done\n", ""},
  };
  for (const auto& c : cases) {
    const Outcome o = Cli(c.arguments);
    EXPECT_EQ(o.status, c.status) << c.arguments << ": " << o.err;
    EXPECT_EQ(o.out, c.out) << c.arguments;
    EXPECT_EQ(o.err, c.err) << c.arguments;
  }
  const std::string csv = (dir_ / "sweep.csv").string();
  const Outcome toFile = Cli("sweep " + add + " 0..3 1,2 --csv '" + csv + "' --limit 1000");
  EXPECT_EQ(toFile.status, 0) << toFile.err;
  EXPECT_EQ(toFile.out, "");
  EXPECT_EQ(Slurp(csv), kAdditionSweep);
}

TEST_F(CliTest, SweepRefusesBadRangesAndArityBeforeAnyOutput) {
  const std::string add = Example("addition.prv");
  const std::string csv = (dir_ / "old.csv").string();
  std::ofstream(csv) << "old\n";
  struct Case {
    std::string arguments;
    int status;
    std::string err;  // its first line
  };
  const Case cases[] = {
      {"sweep " + add + " 0..3", 2, "add takes 2 arguments, 1 given"},
      {"sweep " + add + " 0..3 1 2", 2, "add takes 2 arguments, 3 given"},
      {"sweep " + add + " x..3 1", 2, "range 'x..3' is not a number, A..B or a comma list"},
      {"sweep " + add + " 1 1,,2", 2, "range '1,,2' is not a number, A..B or a comma list"},
      {"sweep " + add + " 3..1 1", 2, "range '3..1' ends before it starts"},
      {"sweep " + add + " 0..99999 0..9999", 2,
       "the ranges make more than 100000000 tuples, the most a sweep takes"},
      {"sweep nowhere.prv 1", 2, "Cannot open file nowhere.prv: No such file or directory"},
      {"sweep " + add + " 1 2 --jobs 0", 1, "vantorb-cli: --jobs takes a number of workers from 1 to 1024"},
      {"sweep " + add + " 1 2 --jobs 1025", 1, "vantorb-cli: --jobs takes a number of workers from 1 to 1024"},
      {"sweep " + add + " 1 2 --engine fast", 1, "vantorb-cli: --engine takes macro, event, dense or reference"},
      {"sweep " + add + " 1 2 --limit x", 1, "vantorb-cli: --limit takes a number of iterations up to 9223372036854775807"},
      {"sweep", 1, "vantorb-cli: sweep takes a file"},
  };
  for (const auto& c : cases) {
    const Outcome o = Cli(c.arguments + " --csv '" + csv + "'");
    EXPECT_EQ(o.status, c.status) << c.arguments;
    EXPECT_EQ(o.err.substr(0, o.err.find('\n')), c.err) << c.arguments;
    EXPECT_EQ(o.out, "") << c.arguments;
    EXPECT_EQ(Slurp(csv), "old\n") << c.arguments;
  }
  const Outcome good = Cli("sweep " + add + " 1 1 --csv '" + csv + "' --jobs 2 --limit 100");
  EXPECT_EQ(good.status, 0) << good.err;
  EXPECT_EQ(Slurp(csv), "x1,x2,result,iterations,status\n1,1,2,19,done\n");
  // An argument too large for a run is refused before any run, naming
  // its range.
  const Outcome large = Cli("sweep " + Example("predecessor.prv") +
                            " 3,1000000000001,2 --jobs 1 --limit 1000");
  EXPECT_EQ(large.status, 2);
  EXPECT_EQ(large.err,
            "range '3,1000000000001,2': the argument 1000000000001 is too large: at "
            "most 1000000000000 can be computed\n");
  EXPECT_EQ(large.out, "");
}

TEST_F(CliTest, InterruptedSweepKeepsTheRowsDoneInItsFile) {
  // f(0) = 0 at once; f(1) never answers.
  std::ofstream(dir_ / "some.prv") << "f M(U(1,2))";
  const std::string csv = (dir_ / "sweep.csv").string();
  const auto tool = Start({"sweep", (dir_ / "some.prv").string(), "0,0,1,0", "--jobs", "1",
                           "--engine", "event", "--limit", "1000000000000", "--csv", csv});
  EXPECT_EQ(tool->InterruptWhenCaught(), std::make_pair(130, 0));
  const std::string err = Slurp(dir_ / "stderr");
  EXPECT_EQ(err.rfind("Interrupted after ", 0), 0u) << err;
  EXPECT_NE(err.find(" of 4 runs\n"), std::string::npos) << err;
  EXPECT_EQ(Slurp(dir_ / "stdout"), "");
  // A prefix of the tuples, in order: the first two done (if they were
  // reached), then the one cut short; never the one after it.
  const std::string written = Slurp(csv);
  const std::string header = "x1,result,iterations,status\n";
  ASSERT_EQ(written.rfind(header, 0), 0u) << written;
  std::istringstream rows(written.substr(header.size()));
  std::vector<std::string> lines;
  for (std::string line; std::getline(rows, line);) lines.push_back(line);
  ASSERT_LE(lines.size(), 3u) << written;
  for (std::size_t k = 0; k < lines.size(); ++k) {
    const std::vector<std::string> fields = CsvFields(lines[k]);
    ASSERT_EQ(fields.size(), 4u) << lines[k];
    EXPECT_EQ(fields[0], k < 2 ? "0" : "1") << written;
    if (fields[3] == "done") {
      EXPECT_EQ(fields[1], "0") << written;
    }
    if (fields[3] == "stopped") {
      EXPECT_EQ(fields[1], "") << written;
    }
    EXPECT_TRUE(fields[3] == "done" || (fields[3] == "stopped" && k + 1 == lines.size()))
        << written;
  }
  EXPECT_EQ(Files(), (std::vector<std::string>{"some.prv", "sweep.csv"}));
}

TEST_F(CliTest, EveryCommandHasItsHelpNamingItsOptions) {
  struct Case {
    std::string arguments, usage;
    std::vector<std::string> named;
  };
  const std::vector<std::string> program = {
      "\nCommands:\n", "\n  info ", "\n  equations ", "\n  run ", "\n  eval ", "\n  graph ",
      "\n  trace ", "\n  sweep ", "\n  -h, --help ", "\n      --version ", "\nExit status:\n",
      "2 error: the file, the program, the network, an ARG refused (not a natural number, too "
      "large, or not as many as the target takes)"};
  const Case cases[] = {
      {"--help", "Usage: vantorb-cli info FILE\n  or:  vantorb-cli equations", program},
      {"-h", "Usage: vantorb-cli info FILE\n  or:  vantorb-cli equations", program},
      {"info --help", "Usage: vantorb-cli info FILE\n", {"FILE", "-h, --help"}},
      {"equations -h", "Usage: vantorb-cli equations FILE [-o OUT.EQU]\n",
       {"-o, --output OUT.EQU"}},
      {"run --help", "Usage: vantorb-cli run FILE [ARG...] [--limit N]\n",
       {"--limit N", "--engine macro|event|dense|reference", "--stats", "--check", "--values TOKEN",
        "for a program only, as an equation file has no definition",
        "rules proved, leaps, iterations leapt, and of those the rules whose rounds grow: round rules proved, rounds leapt"}},
      // Help wins over whatever else the line holds.
      {"run nowhere.prv x --engine fast --help", "Usage: vantorb-cli run FILE", {"--check"}},
      {"eval --help", "Usage: vantorb-cli eval FILE [ARG...] [--bound N]\n",
       {"--bound N", "an equation file (.EQU) has no definition to evaluate",
        "an evaluation that takes more than 100000000 steps (rule applications) stops"}},
      {"graph --help", "Usage: vantorb-cli graph FILE [-o OUT.dot]\n", {"-o, --output OUT.dot"}},
      {"trace --help", "Usage: vantorb-cli trace FILE [ARG...] --token TOKEN [--csv OUT.csv]\n",
       {"--token TOKEN", "--csv OUT.csv", "--vcd OUT.vcd", "--limit N",
        "stops after N iterations (default 100000; 0: no limit)"}},
      {"sweep --help", "Usage: vantorb-cli sweep FILE [RANGE...] [--jobs N] [--limit N]\n",
       {"--jobs N", "--limit N", "--engine macro|event|dense|reference", "--csv OUT.csv",
        "x1,...,xn,result,iterations,status", "done, limit or stopped"}},
  };
  for (const auto& c : cases) {
    const Outcome o = Cli(c.arguments);
    EXPECT_EQ(o.status, 0) << c.arguments;
    EXPECT_EQ(o.err, "") << c.arguments;
    EXPECT_EQ(o.out.rfind(c.usage, 0), 0u) << c.arguments << ":\n" << o.out;
    // Descriptions are wrapped: their words are looked for in one line.
    std::istringstream words(o.out);
    std::string flowed;
    for (std::string word; words >> word;) flowed += " " + word;
    for (const auto& name : c.named)
      EXPECT_TRUE(o.out.find(name) != std::string::npos || flowed.find(name) != std::string::npos)
          << c.arguments << " names " << name;
  }
}

// The manual page shows each command's help indented by 7 columns; within
// 80, its lines may take 73. docs/cli.md is laid out as the page: the
// usage as the help has it, then a section per command with its synopsis
// as the page shows it (the usage without its "Usage: " column) and every
// option the command's help names.
TEST_F(CliTest, HelpLinesFitTheManualPageAndTheDocsShowTheHelp) {
  const std::string commands[] = {"info", "equations", "run", "eval", "graph", "trace", "sweep"};
  for (const std::string command : {"", "info", "equations", "run", "eval", "graph", "trace", "sweep"}) {
    std::istringstream help(Cli(command + " --help").out);
    for (std::string line; std::getline(help, line);)
      EXPECT_LE(line.size(), 73u) << command << ": " << line;
  }
  const std::string help = Cli("--help").out;
  const std::string last = "vantorb-cli --help | --version\n";
  ASSERT_NE(help.find(last), std::string::npos);
  const std::string usage = help.substr(0, help.find(last) + last.size());
  const fs::path source = fs::path(VANTORB_EXAMPLES_DIR).parent_path();
  const std::string page = Slurp(source / "docs" / "cli.md");
  EXPECT_NE(page.find("\n" + usage + "```\n"), std::string::npos) << "cli.md:\n" << usage;
  for (const std::string& command : commands) {
    const std::size_t start = page.find("\n### " + command + "\n");
    ASSERT_NE(start, std::string::npos) << "cli.md has no section for " << command;
    const std::size_t end = std::min(page.find("\n## ", start + 1), page.find("\n### ", start + 1));
    const std::string section = page.substr(start, end - start);
    std::istringstream lines(Cli(command + " --help").out);
    std::string synopsis, line, option;
    std::getline(lines, line);
    synopsis = line.substr(std::string("Usage: ").size()) + "\n";
    while (std::getline(lines, line) && line.rfind("       ", 0) == 0)
      synopsis += line.substr(7) + "\n";
    EXPECT_NE(section.find("```\n" + synopsis + "```\n"), std::string::npos)
        << command << "'s section has not the synopsis\n" << synopsis;
    bool options = false;
    do {
      if (line == "Options:") options = true;
      // "  -o, --output OUT.EQU  writes ...": the option up to two blanks.
      const std::size_t at = line.find_first_not_of(' ');
      if (!options || at == std::string::npos || line[at] != '-') continue;
      option = line.substr(at, line.find("  ", at) - at);
      if (option == "-h, --help") continue;  // told once for every command
      EXPECT_NE(section.find("`" + option + "`"), std::string::npos)
          << command << "'s section does not name " << option;
    } while (std::getline(lines, line));
  }
}

TEST_F(CliTest, VersionIsTheProjects) {
  const Outcome version = Cli("--version");
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out, std::string("vantorb-cli ") + VANTORB_VERSION + "\n");
}

TEST_F(CliTest, OptionsComeBeforeOrAfterTheOperandsAndDashDashEndsThem) {
  const std::string add = Example("addition.prv");
  const std::string checked = "result: 7\niterations: 55\ncheck: the definition gives 7 too\n";
  struct Case {
    std::string arguments;
    int status;
    std::string out;
  };
  const Case cases[] = {
      {"run " + add + " 3 4 --check --limit 1000", 0, checked},
      {"run --check " + add + " 3 4 --limit 1000", 0, checked},
      {"run --limit=1000 --check " + add + " 3 4", 0, checked},
      {"run " + add + " --check 3 --limit 1000 4", 0, checked},
      {"run --check --limit 1000 -- " + add + " 3 4", 0, checked},
      {"run --check --limit 1000 " + add + " 3 -- 4", 0, checked},
      {"run --engine=dense " + add + " 3 4 --check --limit=1000", 0, checked},
      {"run " + add + " 3 4 --engine reference --check --limit 1000", 0, checked},
      {"run --limit 1000 --limit=5 " + add + " 3 4", 3, "result: none\niterations: 5\n"},
      {"eval --bound=10 " + add + " 3 4", 0, "result: 7\n"},
      {"eval " + add + " 3 --bound 10 4", 0, "result: 7\n"},
  };
  for (const auto& c : cases) {
    const Outcome o = Cli(c.arguments);
    EXPECT_EQ(o.status, c.status) << c.arguments << ": " << o.err;
    EXPECT_EQ(o.out, c.out) << c.arguments;
  }
  const Outcome equations = Cli("equations " + add);
  EXPECT_EQ(Cli("equations --output='" + (dir_ / "a.equ").string() + "' " + add).status, 0);
  EXPECT_EQ(Slurp(dir_ / "a.equ"), equations.out);
  EXPECT_NE(equations.out, "");
  const Outcome trace = Cli("trace " + add + " 1 2 --token Eres --limit 1000");
  EXPECT_EQ(trace.status, 0) << trace.err;
  EXPECT_EQ(trace.out.rfind("iteration,", 0), 0u) << trace.out;
  EXPECT_EQ(Cli("trace --token=Eres --limit=1000 " + add + " -- 1 2").out, trace.out);

  // After "--", a file whose name starts with "-" is an operand.
  Write("-x.prv", "f S");
  const Outcome dashed = Cli("run --limit 100 -- -x.prv 2", "", "", true);
  EXPECT_EQ(dashed.status, 0) << dashed.err;
  EXPECT_EQ(dashed.out, "result: 3\niterations: 2\n");
}


// A network whose end neuron stays 0 while another neuron toggles: the
// macro engine proves the loop and leaps to the end of the iteration
// count, 2^63 - 1 iterations in a moment.
TEST_F(CliTest, ARunToTheCountsEndSaysSoAndItsRatesFit) {
  const std::string osc = Write("osc.equ",
                                "XEout(i+1)=sigma(0)\r\nXEres(i+1)=sigma(0)\r\n"
                                "A(i+1)=sigma(1.0*Ein(i)+-1.0*A(i)+1)\r\n");
  const std::string countEnd =
      "The iteration count reached its largest value, 9223372036854775807: the run stopped "
      "there\n";
  const Outcome o = Cli("run " + osc + " --stats");
  EXPECT_EQ(o.status, 3);
  EXPECT_EQ(o.err, countEnd);
  EXPECT_EQ(o.out.rfind("result: none\niterations: 9223372036854775807\n", 0), 0u) << o.out;
  // Rates beyond what an integer holds come in floating form.
  std::map<std::string, std::string> figures;
  std::istringstream lines(o.out);
  for (std::string line; std::getline(lines, line);)
    figures[line.substr(0, line.find(": "))] = line.substr(line.find(": ") + 2);
  for (const char* rate : {"iterations per second", "synapse evaluations per second"}) {
    ASSERT_EQ(figures.count(rate), 1u) << o.out;
    EXPECT_EQ(figures[rate].find('-'), std::string::npos) << rate << ": " << figures[rate];
  }
  EXPECT_GE(std::stod(figures["iterations per second"]), 1e18) << o.out;
  EXPECT_NE(figures["iterations per second"].find("e+"), std::string::npos) << o.out;
  // A limit, even the largest, stops the run as a limit; a sweep's run
  // without one says where it stopped too.
  const Outcome limited = Cli("run " + osc + " --limit 9223372036854775807");
  EXPECT_EQ(limited.status, 3);
  EXPECT_EQ(limited.err, "Iteraction limit exceeded.\n\r Computation Stoped!\n");
  const Outcome swept = Cli("sweep " + osc);
  EXPECT_EQ(swept.status, 3);
  EXPECT_EQ(swept.out, "result,iterations,status\n,9223372036854775807,limit\n");
  EXPECT_EQ(swept.err, "The iteration count reached its largest value in 1 of 1 run\n");
}

// Rows that went straight to a descriptor are never held back past the
// message, as standard output's are not.
TEST_F(CliTest, AnInterruptedTraceToADescriptorKeepsEveryRowItMade) {
  const auto tool = Start({"trace", Forever(), "1", "--token", "*", "--limit", "2000000000",
                           "--csv", "/dev/stdout"});
  // Rows on standard output: the run is under way.
  ASSERT_TRUE(tool->WaitFor([&] { return fs::file_size(dir_ / "stdout") > 0; }));
  tool->Signal(SIGINT);
  EXPECT_EQ(tool->Wait(), std::make_pair(130, 0));
  const std::string err = Slurp(dir_ / "stderr"), said = "Interrupted at iteration ";
  ASSERT_EQ(err.rfind(said, 0), 0u) << err;
  const std::string iteration = err.substr(said.size(), err.size() - said.size() - 1);
  const std::string out = Slurp(dir_ / "stdout");
  const std::string end = "\nresult: none\niterations: " + iteration + "\n";
  ASSERT_GT(out.size(), end.size());
  ASSERT_EQ(out.substr(out.size() - end.size()), end) << out.substr(out.size() - 200);
  const std::string rows = out.substr(0, out.size() - end.size());
  const std::string last = rows.substr(rows.rfind('\n') + 1);
  EXPECT_EQ(last.substr(0, last.find(',')), iteration);
}

// SIGTERM (kill, timeout) and SIGHUP (a closed terminal) end a command as
// Ctrl-C does: the old file stays or the rows done appear, no temporary
// file is left, and the status is the shell's for that signal.
TEST_F(CliTest, TerminationAndHangUpEndACommandAsCtrlCDoes) {
  std::ofstream(dir_ / "some.prv") << "f M(U(1,2))";  // f(0) = 0 at once; f(1) never answers
  const std::string csv = (dir_ / "t.csv").string(), swept = (dir_ / "sweep.csv").string();
  struct Case {
    int signal, status;
    std::string said;
  };
  for (const Case& c : {Case{SIGTERM, 143, "Interrupted by SIGTERM"},
                        Case{SIGHUP, 129, "Interrupted by SIGHUP"}}) {
    std::ofstream(csv) << "old\n";
    const auto trace = Start({"trace", Forever(), "1", "--token", "E", "--limit", "2000000000",
                              "--csv", csv, "--vcd", (dir_ / "t.vcd").string()});
    EXPECT_EQ(trace->InterruptWhenCaught(c.signal), std::make_pair(c.status, 0)) << c.said;
    EXPECT_EQ(Slurp(dir_ / "stderr").rfind(c.said + " at iteration ", 0), 0u)
        << Slurp(dir_ / "stderr");
    EXPECT_EQ(Slurp(csv), "old\n");
    EXPECT_EQ(Files(), (std::vector<std::string>{"forever.prv", "some.prv", "t.csv"}));

    const auto sweep = Start({"sweep", (dir_ / "some.prv").string(), "0,1", "--jobs", "1",
                              "--engine", "event", "--limit", "1000000000000", "--csv", swept});
    EXPECT_EQ(sweep->InterruptWhenCaught(c.signal), std::make_pair(c.status, 0)) << c.said;
    EXPECT_EQ(Slurp(dir_ / "stderr").rfind(c.said + " after ", 0), 0u) << Slurp(dir_ / "stderr");
    EXPECT_EQ(Slurp(swept).rfind("x1,result,iterations,status\n", 0), 0u) << Slurp(swept);
    EXPECT_EQ(Files(),
              (std::vector<std::string>{"forever.prv", "some.prv", "sweep.csv", "t.csv"}));
    fs::remove(swept);

    const auto eval = Start({"eval", Forever(), "1", "--bound", "1000000000000"});
    EXPECT_EQ(eval->InterruptWhenCaught(c.signal), std::make_pair(c.status, 0)) << c.said;
    EXPECT_EQ(Slurp(dir_ / "stderr"), c.said + " while evaluating the definition\n");
  }
}

// The tool on a terminal of its own for standard output and error: its
// exit status and everything it wrote there.
Outcome OnTerminal(std::vector<std::string> arguments) {
  arguments.insert(arguments.begin(), VANTORB_CLI);
  std::vector<char*> argv;
  for (auto& argument : arguments) argv.push_back(argument.data());
  argv.push_back(nullptr);
  int terminal = -1;
  const pid_t pid = forkpty(&terminal, nullptr, nullptr, nullptr);
  if (pid == 0) {
    execv(argv[0], argv.data());
    _exit(127);
  }
  Outcome seen;
  if (pid < 0) return seen;
  char block[4096];
  for (;;) {
    const ssize_t n = read(terminal, block, sizeof block);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;  // EIO once the tool is gone
    seen.out.append(block, static_cast<std::size_t>(n));
  }
  close(terminal);
  int raw = 0;
  waitpid(pid, &raw, 0);
  seen.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  return seen;
}

TEST_F(CliTest, ASweepOnATerminalClearsItsProgressLineBeforeEachRow) {
  std::ofstream(dir_ / "some.prv") << "f M(U(1,2))";  // f(0) = 0 at once; f(1) never answers
  // The first run, long enough for a progress line once it ends, which
  // the next row must not follow on its line.
  const Outcome o = OnTerminal({"sweep", (dir_ / "some.prv").string(), "1,0,0", "--jobs", "1",
                                "--engine", "event", "--limit", "100000"});
  EXPECT_EQ(o.status, 3) << o.out;
  const std::regex progress("\rrun [0-9]+ of 3 *");
  std::size_t lines = 0;
  for (auto match = std::sregex_iterator(o.out.begin(), o.out.end(), progress);
       match != std::sregex_iterator(); ++match, ++lines) {
    const std::size_t after = static_cast<std::size_t>(match->position() + match->length());
    EXPECT_TRUE(after == o.out.size() || o.out[after] == '\r') << o.out;
  }
  // Without its progress lines and their clearing, the rows and the
  // message, each on a line of its own (the terminal ends lines with CR
  // LF).
  EXPECT_EQ(std::regex_replace(o.out, std::regex("\rrun [0-9]+ of 3 *\r *\r"), ""),
            "x1,result,iterations,status\r\n1,,100000,limit\r\n0,0,7,done\r\n0,0,7,done\r\n"
            "The iteration limit stopped 1 of 3 runs\r\n");
  if (lines == 0) GTEST_SKIP() << "the first run ended before a progress line was due";
}

// A limit on the user's processes lets only some workers start: the sweep
// says so, with how many did, and nothing else.
TEST_F(CliTest, WorkersThatCannotAllStartAreNamedAndCounted) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to run as a user of its own";
  if (std::system("command -v setpriv >/dev/null 2>&1") != 0) GTEST_SKIP() << "needs setpriv";
  const std::string out = (dir_ / "stdout").string(), err = (dir_ / "stderr").string();
  // As nobody, with room for a few processes or threads of that user.
  const std::string command =
      "setpriv --reuid=65534 --regid=65534 --clear-groups bash -c 'ulimit -u 8 && exec \"$0\" "
      "\"$@\"' '" + std::string(VANTORB_CLI) + "' sweep " + Example("addition.prv") +
      " 0..99 1 --jobs 64 --limit 1000 >'" + out + "' 2>'" + err + "'";
  const int raw = std::system(command.c_str());
  EXPECT_EQ(WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, 2);
  const std::regex said(
      "The worker threads could not be started: [0-9]+ of 64 were "
      "\\(Resource temporarily unavailable\\)\n");
  EXPECT_TRUE(std::regex_match(Slurp(err), said)) << Slurp(err);
  EXPECT_EQ(Slurp(out), "");
}

}  // namespace
