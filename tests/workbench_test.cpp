// The window's commands without a screen: scripted answers to prompts and
// dialogs, and what each command shows and changes.

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <deque>
#include <filesystem>
#include <functional>
#include <new>
#include <optional>
#include <stdexcept>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "scratch_dir.hpp"
#include "waiting_writer.hpp"
#include "network/exceptions.hpp"
#include "fake_view.hpp"
#include "workbench/disk_text_files.hpp"
#include "workbench/workbench.hpp"

namespace vantorb {
namespace {

namespace fs = std::filesystem;
using Strings = std::vector<std::string>;

using vantorb::testing::FakeView;

// The disk, with files that refuse to be written.
class DiskFiles : public TextFiles {
 public:
  std::set<std::string> unwritable;
  std::string Read(const std::string& name) override {
    std::ifstream in(name, std::ios::binary);
    if (!in) throw NeuroException("Cannot read the file " + name);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }
  void Write(const std::string& name, const std::string& text) override {
    if (unwritable.count(name)) throw NeuroException("Cannot write the file " + name);
    std::ofstream(name, std::ios::binary) << text;
  }
};

class WorkbenchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    view_.bench = &bench_;
  }

  std::string Path(const std::string& name) { return (dir_ / name).string(); }
  std::string Put(const std::string& name, const std::string& text) {
    std::ofstream(Path(name), std::ios::binary) << text;
    return Path(name);
  }
  std::string Slurp(const std::string& path) { return files_.Read(path); }
  void Compile(const std::string& path) {
    view_.openChoices.push_back(path);
    bench_.Compile();
  }

  vantorb::testing::ScratchDir scratch_{"vantorb-bench"};
  const fs::path& dir_ = scratch_.Path();
  FakeView view_;
  DiskFiles files_;
  NParserInterface parser_;
  Workbench bench_{view_, files_, parser_};
};

TEST_F(WorkbenchTest, StartsOnANewFile) {
  EXPECT_EQ(view_.caption, " Vantorb - on a new file !");
  EXPECT_EQ(view_.tab, Tab::Program);
  EXPECT_FALSE(bench_.Modified());
  EXPECT_TRUE(bench_.Untitled());
  EXPECT_FALSE(bench_.Compiled());
  EXPECT_EQ(bench_.Info(), CompilerInfo{});
}

TEST_F(WorkbenchTest, UnsavedChangesPromptForEveryCommand) {
  struct Case {
    const char* command;
    Answer answer;
    bool goesOn;
  };
  const Case cases[] = {
      {"new", Answer::No, true},     {"new", Answer::Cancel, false},
      {"load", Answer::No, true},    {"load", Answer::Cancel, false},
      {"compile", Answer::No, true}, {"compile", Answer::Cancel, false},
      {"close", Answer::No, true},   {"close", Answer::Cancel, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.command) + (c.goesOn ? " no" : " cancel"));
    FakeView view;
    NParserInterface parser;
    Workbench bench(view, files_, parser);
    view.bench = &bench;
    view.Type("f S");
    view.answers.push_back(c.answer);
    bool closes = false;
    const std::string command = c.command;
    if (command == "new") bench.NewFile();
    if (command == "load") bench.LoadFile();
    if (command == "compile") bench.Compile();
    if (command == "close") closes = bench.Close();
    ASSERT_FALSE(view.shown.empty());
    EXPECT_EQ(view.shown[0], "warning: Changes not saved. Save now ?");
    if (command == "new") {
      EXPECT_EQ(view.editor.empty(), c.goesOn);
    } else if (command == "close") {
      EXPECT_EQ(closes, c.goesOn);
    } else {
      EXPECT_EQ(view.shown.size() > 1, c.goesOn) << "the open dialog follows";
    }
    EXPECT_EQ(bench.Modified(), !(command == "new" && c.goesOn));
  }
}

TEST_F(WorkbenchTest, EmptyEditorOrUnmodifiedTextNeverAsks) {
  view_.Type("x");
  view_.editor.clear();  // deleted again: modified, but no line left
  bench_.NewFile();
  EXPECT_TRUE(bench_.Close());
  view_.Type("f S");
  view_.answers.push_back(Answer::No);
  bench_.NewFile();
  view_.shown.clear();
  bench_.NewFile();
  EXPECT_TRUE(bench_.Close());
  EXPECT_TRUE(view_.shown.empty());
}

TEST_F(WorkbenchTest, YesSavesThenGoesOn) {
  const std::string file = Path("kept.prv");
  view_.Type("f S");
  view_.answers.push_back(Answer::Yes);
  view_.saveChoices.push_back(file);
  bench_.NewFile();
  EXPECT_EQ(view_.shown, (Strings{"warning: Changes not saved. Save now ?", "save:1"}));
  EXPECT_EQ(Slurp(file), "f S");
  EXPECT_EQ(view_.editor, "");
  EXPECT_EQ(view_.caption, " Vantorb - on a new file !");
  EXPECT_TRUE(bench_.Untitled());
}

TEST_F(WorkbenchTest, YesWithACancelledSaveKeepsTheText) {
  view_.Type("precious");
  for (int round = 0; round < 2; ++round) {
    view_.answers.push_back(Answer::Yes);
    view_.saveChoices.push_back(std::nullopt);
    if (round == 0) {
      bench_.NewFile();
    } else {
      EXPECT_FALSE(bench_.Close());
    }
    EXPECT_EQ(view_.editor, "precious");
    EXPECT_TRUE(bench_.Modified());
  }
}

TEST_F(WorkbenchTest, SaveOfUntitledTextAsksForAName) {
  view_.Type("f S");
  bench_.SaveFile();  // dialog cancelled
  EXPECT_EQ(view_.shown, Strings{"save:1"});
  EXPECT_TRUE(bench_.Untitled());
  EXPECT_TRUE(bench_.Modified());
  EXPECT_EQ(view_.caption, " Vantorb - on a new file !");

  const std::string file = Path("f.prv");
  view_.saveChoices.push_back(file);
  bench_.SaveFile();
  EXPECT_FALSE(bench_.Untitled());
  EXPECT_FALSE(bench_.Modified());
  EXPECT_EQ(view_.caption, " Vantorb - " + file);
  view_.Type("\ng Z");
  view_.shown.clear();
  bench_.SaveFile();  // titled: no dialog
  EXPECT_TRUE(view_.shown.empty());
  EXPECT_EQ(Slurp(file), "f S\ng Z");
}

TEST_F(WorkbenchTest, FailedSaveKeepsEverything) {
  const std::string file = Path("locked.prv");
  files_.unwritable.insert(file);
  view_.Type("f S");
  view_.saveChoices.push_back(file);
  bench_.SaveFile();
  EXPECT_EQ(view_.shown, (Strings{"save:1", "error:Cannot write the file " + file}));
  EXPECT_TRUE(bench_.Modified());
  EXPECT_TRUE(bench_.Untitled());
  EXPECT_EQ(view_.caption, " Vantorb - on a new file !");
  EXPECT_EQ(view_.editor, "f S");
}

TEST_F(WorkbenchTest, LoadAndSaveAs) {
  const std::string file = Put("p.prv", "a S\r\nb Z\r\n");
  view_.openChoices.push_back(file);
  bench_.LoadFile();
  EXPECT_EQ(view_.shown, Strings{"open:0"}) << "Load keeps the entry last used";
  EXPECT_EQ(view_.editor, "a S\nb Z\n");
  EXPECT_EQ(view_.caption, " Vantorb - " + file);
  EXPECT_FALSE(bench_.Modified());
  EXPECT_FALSE(bench_.Untitled());
  EXPECT_EQ(bench_.FileName(), file);

  const std::string copy = Path("copy.prv");
  view_.saveChoices.push_back(copy);
  bench_.SaveFileAs();
  EXPECT_EQ(view_.shown.back(), "save:0");
  EXPECT_EQ(view_.caption, " Vantorb - " + copy);
  EXPECT_EQ(Slurp(copy), "a S\nb Z\n");

  // A file that cannot be read names it and leaves the editor alone.
  view_.openChoices.push_back(Path("missing.prv"));
  bench_.LoadFile();
  EXPECT_EQ(view_.shown.back(), "error:Cannot read the file " + Path("missing.prv"));
  EXPECT_EQ(view_.editor, "a S\nb Z\n");
  EXPECT_EQ(view_.caption, " Vantorb - " + copy);
}

// Every command that reads a file, on the disk: /dev/zero would never end
// and a pipe with no writer would wait for ever, so both are refused before
// a byte is read, and nothing changes.
TEST_F(WorkbenchTest, DevicesAndPipesAreRefusedByEveryCommandThatReads) {
  DiskTextFiles disk;
  Workbench bench(view_, disk, parser_);
  view_.bench = &bench;
  const std::string program = Put("p.prv", "f S\n");
  view_.openChoices.push_back(program);
  bench.LoadFile();
  const std::string pipe = Path("pipe.prv");
  ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
  struct Command {
    const char* name;
    std::function<void(const std::string&)> read;
    std::string shownAs;  // before the message
  };
  const auto choosing = [&](void (Workbench::*command)()) {
    return [&, command](const std::string& file) {
      view_.openChoices.push_back(file);
      (bench.*command)();
    };
  };
  const Command commands[] = {
      {"Load File", choosing(&Workbench::LoadFile), "error:Cannot read the file "},
      {"a recent file", [&](const std::string& f) { bench.OpenRecent(f); },
       "error:Cannot read the file "},
      {"the command line", [&](const std::string& f) { bench.OpenAtStart(f); },
       "error:Cannot read the file "},
      {"Compile", choosing(&Workbench::Compile), "errorwindow:Cannot open file "},
      {"Load Equations", choosing(&Workbench::LoadEquations), "errorwindow:Cannot open file "},
  };
  const std::pair<std::string, std::string> files[] = {
      {"/dev/zero", "it is a device, not a regular file"},
      {pipe, "it is a pipe, not a regular file"},
  };
  for (const auto& command : commands) {
    for (const auto& [file, reason] : files) {
      SCOPED_TRACE(std::string(command.name) + " of " + file);
      view_.shown.clear();
      {
        std::optional<vantorb::testing::WaitingWriter> writer;
        if (file == pipe) writer.emplace(pipe);
        command.read(file);
      }
      ASSERT_FALSE(view_.shown.empty());
      // An equation file's message may go on with its line.
      EXPECT_EQ(view_.shown.back().rfind(command.shownAs + file + ": " + reason, 0), 0u)
          << view_.shown.back();
      EXPECT_EQ(view_.editor, "f S\n");
      EXPECT_EQ(bench.FileName(), program);
      EXPECT_EQ(bench.Current(), nullptr);
    }
  }
  view_.bench = &bench_;
}

TEST(LooksLikeText, ControlCharactersOtherThanLineLayoutAreNotText) {
  using namespace std::string_literals;
  const std::pair<std::string, bool> cases[] = {
      {"", true},
      {"a S\r\nb Z\r\n", true},
      {"\tf S\f\ng Z", true},
      {"// Gr\xc3\xb6\xc3\x9f\xe2\x82\xac\nf S\n", true},  // UTF-8
      {"// Gr\xf6\xdf\xa4\nf S\n", true},                     // Latin-1
      {"a\x7f S", true},
      {"f S\0"s, false},
      {"\x7f" "ELF\x02\x01\x01\0"s, false},
      {"\x89PNG\r\n\x1a\n", false},
      {"\x1b[1mf S", false},
      {"f S\v", false},
      {"\x01", false},
      {"\x1f", false},
  };
  for (const auto& [bytes, text] : cases) EXPECT_EQ(LooksLikeText(bytes), text) << bytes;
}

// Load, a recent file and a file named at start ask before a file that is
// not text goes into the editor; No keeps everything.
TEST_F(WorkbenchTest, AFileThatIsNotTextLoadsOnlyWhenTheUserSaysSo) {
  using namespace std::string_literals;
  const std::string binary = Put("prog.bin", "\x7f" "ELF\x02\x01\0\0f S"s);
  const std::string question =
      "warning:" + binary +
      " does not look like a program: it holds bytes that are not text. Load it anyway?";
  for (const char* command : {"load", "recent", "start"}) {
    for (const Answer answer : {Answer::No, Answer::Yes}) {
      SCOPED_TRACE(std::string(command) + (answer == Answer::Yes ? " yes" : " no"));
      FakeView view;
      NParserInterface parser;
      Workbench bench(view, files_, parser);
      view.bench = &bench;
      view.openChoices.push_back(Put("before.prv", "f S"));
      bench.LoadFile();
      view.shown.clear();
      view.answers.push_back(answer);
      const std::string cmd = command;
      if (cmd == "load") {
        view.openChoices.push_back(binary);
        bench.LoadFile();
      } else if (cmd == "recent") {
        bench.OpenRecent(binary);
      } else {
        bench.OpenAtStart(binary);
      }
      ASSERT_FALSE(view.shown.empty());
      EXPECT_EQ(view.shown.back(), question);
      const bool loaded = answer == Answer::Yes;
      EXPECT_EQ(view.editor, loaded ? "\x7f" "ELF\x02\x01\0\0f S"s : "f S");
      EXPECT_EQ(bench.FileName(), loaded ? binary : Path("before.prv"));
      EXPECT_EQ(view.caption, " Vantorb - " + bench.FileName());
      EXPECT_EQ(view.remembered.back(), bench.FileName());
      EXPECT_FALSE(bench.Modified());
    }
  }
  // Text in any 8-bit encoding is not asked about.
  for (const std::string& text : {"// \xc3\xa9t\xc3\xa9\nf S\n"s, "// \xe9t\xe9\r\nf S\r\n"s}) {
    view_.shown.clear();
    view_.openChoices.push_back(Put("text.prv", text));
    bench_.LoadFile();
    EXPECT_EQ(view_.shown, Strings{"open:0"});
    EXPECT_EQ(view_.editor.substr(0, 3), "// ");
    EXPECT_EQ(bench_.FileName(), Path("text.prv"));
  }
}

TEST_F(WorkbenchTest, TypingThenLoadNoThenCancelKeepsTheText) {
  view_.Type("draft");
  view_.answers.push_back(Answer::No);
  bench_.LoadFile();  // open dialog cancelled
  EXPECT_EQ(view_.editor, "draft");
  EXPECT_EQ(view_.tab, Tab::Program);
  view_.shown.clear();
  view_.answers.push_back(Answer::Cancel);
  bench_.NewFile();
  EXPECT_EQ(view_.shown, Strings{"warning: Changes not saved. Save now ?"});
}

// The window's unsaved-changes mark is told whenever a command sets the
// flag; the compile dialog starts on the editor's file when it has one.
TEST_F(WorkbenchTest, ModifiedMarkAndCompileSuggestionFollowTheEditor) {
  const std::string loaded = Put("loaded.prv", "l S\n"), locked = Path("locked.prv");
  files_.unwritable.insert(locked);
  struct Step {
    const char* label;
    std::function<void()> run;
    bool modified;
    std::string suggested;
  };
  auto save = [&](const std::string& file) { view_.saveChoices.push_back(file); };
  const Step steps[] = {
      {"typing", [&] { view_.Type("f S"); }, true, ""},
      {"a failed save", [&] { save(locked); bench_.SaveFile(); }, true, ""},
      {"save", [&] { save(Path("saved.prv")); bench_.SaveFile(); }, false, Path("saved.prv")},
      {"typing again", [&] { view_.Type("\ng Z"); }, true, ""},
      {"new", [&] { view_.answers.push_back(Answer::No); bench_.NewFile(); }, false, ""},
      {"load", [&] { view_.openChoices.push_back(loaded); bench_.LoadFile(); }, false, loaded},
      {"typing in it", [&] { view_.Type("x"); }, true, ""},
      {"save as", [&] { save(Path("as.prv")); bench_.SaveFileAs(); }, false, Path("as.prv")},
  };
  EXPECT_FALSE(view_.modifiedShown.has_value()) << "a new window starts unmarked";
  for (const auto& step : steps) {
    SCOPED_TRACE(step.label);
    step.run();
    EXPECT_EQ(view_.modifiedShown, std::optional<bool>(step.modified));
    EXPECT_EQ(bench_.Modified(), step.modified);
    if (step.modified) continue;  // Compile would ask to save first
    view_.openSuggested.clear();
    view_.openChoices.push_back(std::nullopt);
    bench_.Compile();
    EXPECT_EQ(view_.openSuggested, Strings{step.suggested});
  }
  view_.openSuggested.clear();
  view_.openChoices.push_back(std::nullopt);
  bench_.LoadFile();
  bench_.LoadEquations();
  EXPECT_EQ(view_.openSuggested, (Strings{"", ""})) << "only Compile suggests a file";
}

TEST_F(WorkbenchTest, CompileOfArityThreeFillsTheBrowser) {
  view_.values = {"4", "5", "6", "7", "8", "9"};
  const std::string file = Put("three.prv", "// three\nt C(U(1,3), U(2,3), U(1,2))\n");
  view_.shown.clear();
  Compile(file);
  EXPECT_EQ(view_.shown, (Strings{"open:1", "info"}));
  EXPECT_EQ(view_.names, (Strings{"X1", "X2", "X3"}));
  EXPECT_EQ(view_.values, (Strings{"4", "5", "6"})) << "typed values survive";
  EXPECT_EQ(view_.functionName, "t");
  EXPECT_EQ(view_.result, "0");
  EXPECT_EQ(view_.tab, Tab::Browser);
  EXPECT_EQ(view_.tree.Outline(), "t\n  C\n    U(1,3)\n    U(2,3)\n    U(1,2)\n");
  const auto& inputs = bench_.Current()->Io().inputNeurons;
  ASSERT_EQ(inputs.size(), 4u);
  EXPECT_EQ(inputs[0]->Name(), "Ein");
  EXPECT_EQ(inputs[3]->Name(), "Edata3");
  const CompilerInfo expected{"three.prv", "2", "t", "1", "17", "31"};
  EXPECT_EQ(view_.infoShown, expected);
  EXPECT_EQ(bench_.Info(), expected);
  EXPECT_TRUE(bench_.Compiled());

  view_.result = "42";
  Compile(Put("one.prv", "s S"));
  EXPECT_EQ(view_.names, Strings{"X1"});
  EXPECT_EQ(view_.values, Strings{"4"});
  EXPECT_EQ(view_.result, "0");
  Compile(Put("none.prv", "w W"));
  EXPECT_EQ(view_.names, Strings{""}) << "at least one row, unnamed";
}

TEST_F(WorkbenchTest, CompileFailuresShowTheErrorWindowAndResetTheInfo) {
  Compile(Put("good.prv", "f S"));
  ASSERT_EQ(bench_.Info().targetName, "f");
  struct Case {
    std::string text;
    std::string error;
  };
  const Case cases[] = {
      {"f S #target g", "Target function g was not defined"},
      {"f S\ng C(S)", "Composition must have at least 2 arguments"},
      {"f S\n\n)", " Syntax error at line 3"},
  };
  for (const auto& c : cases) {
    view_.shown.clear();
    Compile(Put("bad.prv", c.text));
    EXPECT_EQ(view_.shown, (Strings{"open:1", "errorwindow:" + c.error}));
    EXPECT_EQ(bench_.Info(), CompilerInfo{});
    EXPECT_TRUE(bench_.Compiled());
    EXPECT_FALSE(parser_.InputOpen());
  }
  view_.shown.clear();
  Compile(Path("absent.prv"));
  EXPECT_EQ(view_.shown.back(),
            "errorwindow:Cannot open file " + Path("absent.prv") + ": No such file or directory");
  view_.shown.clear();
  view_.openChoices.push_back(std::nullopt);
  bench_.Compile();
  EXPECT_EQ(view_.shown, Strings{"open:1"}) << "a cancelled dialog changes nothing";
}

TEST_F(WorkbenchTest, GenerateEquations) {
  bench_.GenerateEquationFile();
  EXPECT_EQ(view_.shown, Strings{"warning: No file compiled! "});
  Compile(Put("s.prv", "f S"));
  const std::string out = Path("s.EQU");
  view_.saveChoices.push_back(out);
  view_.shown.clear();
  bench_.GenerateEquationFile();
  EXPECT_EQ(view_.shown, Strings{"save:2"});
  EXPECT_EQ(Slurp(out),
            "XSin_1_0(i+1) = sigma( 1.0*Ein(i) + 0 )\r\n"
            "XSEout_1_1(i+1) = sigma( 1.0*XSin_1_0(i) + 0 )\r\n"
            "XSdata_1_2(i+1) = sigma( 1.0*Edata1(i) + 0 )\r\n"
            "XSEres_1_3(i+1) = sigma( 1.0*XSin_1_0(i) + 0.10*XSdata_1_2(i) + -0.9 )\r\n");
  // After a failed compilation there is no network: nothing is asked and
  // the file written before stays as it was.
  for (const char* program : {"// nothing", "f S\ng C(S)", "f S #target g"}) {
    SCOPED_TRACE(program);
    Compile(Put("bad.prv", program));
    view_.saveChoices.push_back(out);
    view_.shown.clear();
    bench_.GenerateEquationFile();
    EXPECT_EQ(view_.shown, Strings{std::string("warning:") + Workbench::kCompilationFailed});
    EXPECT_EQ(Slurp(out).substr(0, 9), "XSin_1_0(");
  }
}

TEST_F(WorkbenchTest, LoadEquations) {
  const std::string good = Put("s.equ",
                               "XSin_1_0(i+1) = sigma( 1.0*Ein(i) + 0 )\r\n"
                               "XSEout_1_1(i+1) = sigma( 1.0*XSin_1_0(i) + 0 )\r\n"
                               "XSdata_1_2(i+1) = sigma( 1.0*Edata1(i) + 0 )\r\n"
                               "XSEres_1_3(i+1) = sigma( 1.0*XSin_1_0(i) + 0.10*XSdata_1_2(i) + -0.9 )\r\n");
  // Whatever was compiled before, every field of the browser and the
  // information window describes the loaded network afterwards.
  const std::string before[] = {"f C(U(1,3), U(2,3), U(1,2))", "f S\ng C(S)"};
  for (const std::string& program : before) {
    SCOPED_TRACE(program);
    Compile(Put("a.prv", program));
    view_.values = {"4", "5", "6"};
    view_.result = "42";
    view_.openChoices.push_back(good);
    view_.shown.clear();
    bench_.LoadEquations();
    EXPECT_EQ(view_.shown, (Strings{"open:2", "info"}));
    EXPECT_EQ(view_.tree.Outline(), "UserNet\n");
    EXPECT_EQ(view_.functionName, "UserNet");
    EXPECT_EQ(view_.names, Strings{"X1"}) << "one Edata group";
    EXPECT_EQ(view_.values, Strings{"4"});
    EXPECT_EQ(view_.result, "0");
    EXPECT_EQ(view_.tab, Tab::Browser);
    const CompilerInfo expected{"s.equ", "4", "UserNet", "1", "4", "5"};
    EXPECT_EQ(bench_.Info(), expected);
    EXPECT_EQ(view_.infoShown, expected);
    ASSERT_NE(bench_.Current(), nullptr);
    EXPECT_EQ(bench_.Current()->Target().Name(), "UserNet");
  }

  std::string bad;
  for (int i = 0; i < 6; ++i) bad += "n" + std::to_string(i) + "(i+1)=sigma(0)\r\n";
  bad += "broken\r\n";
  view_.openChoices.push_back(Put("bad.equ", bad));
  view_.shown.clear();
  bench_.LoadEquations();
  EXPECT_EQ(view_.shown, (Strings{"open:2", "errorwindow: Syntax error at line 7"}));
  ASSERT_NE(bench_.Current(), nullptr);
  EXPECT_EQ(bench_.Current()->Target().Name(), "UserNet") << "nothing changed";
  // The loaded network is drawn, under its file's name.
  bench_.DrawNetworkPicture();
  EXPECT_EQ(view_.pictureTitle, "s.equ");
  EXPECT_NE(view_.pictureDot, "");
  EXPECT_EQ(bench_.Info(), (CompilerInfo{"s.equ", "4", "UserNet", "1", "4", "5"}));
}

// The title names what Save writes and, while they differ, what Compute
// runs: a loaded equation file stays in it until a compile replaces it,
// after the program's part (the editor's file, or a new file).
TEST_F(WorkbenchTest, TitleNamesTheLoadedEquationFile) {
  const std::string equations = Put("n.equ", "XSin_1_0(i+1) = sigma( 1.0*Ein(i) + 0 )\r\n"
                                             "XSEout_1_1(i+1) = sigma( 1.0*XSin_1_0(i) + 0 )\r\n");
  const std::string program = Put("p.prv", "f S");
  const std::string copy = Path("q.prv");
  const std::string withNetwork = std::string(" Vantorb - ") + program + "  \u2014  network: " + equations;
  struct Step {
    const char* what;
    std::function<void()> command;
    std::string caption;
    std::string program = {};  // the program's part, when not the whole
  };
  const Step steps[] = {
      {"load the program", [&] { view_.openChoices.push_back(program); bench_.LoadFile(); },
       " Vantorb - " + program},
      {"load equations", [&] { view_.openChoices.push_back(equations); bench_.LoadEquations(); },
       withNetwork, " Vantorb - " + program},
      {"a file that cannot be read", [&] { view_.openChoices.push_back(Path("none.equ")); bench_.LoadEquations(); },
       withNetwork, " Vantorb - " + program},
      {"save as", [&] { view_.saveChoices.push_back(copy); bench_.SaveFileAs(); },
       std::string(" Vantorb - ") + copy + "  \u2014  network: " + equations, " Vantorb - " + copy},
      {"compile", [&] { Compile(program); }, " Vantorb - " + copy},
      {"load equations again", [&] { view_.openChoices.push_back(equations); bench_.LoadEquations(); },
       std::string(" Vantorb - ") + copy + "  \u2014  network: " + equations, " Vantorb - " + copy},
      {"a failed compile", [&] { Compile(Put("bad.prv", ")")); }, " Vantorb - " + copy},
      {"new", [&] { bench_.NewFile(); }, " Vantorb - on a new file !"},
      {"load equations on a new file",
       [&] { view_.openChoices.push_back(equations); bench_.LoadEquations(); },
       " Vantorb - on a new file !  \u2014  network: " + equations, " Vantorb - on a new file !"},
  };
  for (const Step& step : steps) {
    step.command();
    EXPECT_EQ(view_.caption, step.caption) << step.what;
    EXPECT_EQ(view_.captionProgram, step.program.empty() ? step.caption : step.program) << step.what;
  }
}

// "vantorb FILE", as the desktop opens either file type: the extension
// decides, whatever its letter case.
TEST_F(WorkbenchTest, OpenAtStartLoadsEquationFilesAsTheTarget) {
  const std::string equations =
      "XSin_1_0(i+1) = sigma( 1.0*Ein(i) + 0 )\r\n"
      "XSEout_1_1(i+1) = sigma( 1.0*XSin_1_0(i) + 0 )\r\n";
  for (const char* name : {"s.EQU", "s.equ", "s.Equ"}) {
    SCOPED_TRACE(name);
    Workbench bench(view_, files_, parser_);
    view_.bench = &bench;
    view_.editor.clear();
    bench.OpenAtStart(Put(name, equations));
    ASSERT_NE(bench.Current(), nullptr);
    EXPECT_EQ(bench.Current()->Target().Name(), "UserNet");
    EXPECT_EQ(view_.tab, Tab::Browser);
    EXPECT_EQ(view_.editor, "") << "the editor keeps its program";
    EXPECT_EQ(view_.caption, " Vantorb - on a new file !  \u2014  network: " + Path(name));
    EXPECT_EQ(bench.Info().fileName, name);
  }
  for (const char* name : {"p.prv", "p.equ.prv", "equ"}) {
    SCOPED_TRACE(name);
    Workbench bench(view_, files_, parser_);
    view_.bench = &bench;
    bench.OpenAtStart(Put(name, "f S"));
    EXPECT_EQ(view_.editor, "f S");
    EXPECT_EQ(bench.Current(), nullptr);
  }
  view_.bench = &bench_;
}

// A program file that cannot be read leaves the recent files list, however
// it was asked for; one the user chose not to load stays.
TEST_F(WorkbenchTest, RecentFilesForgetAFileThatCannotBeRead) {
  const std::string missing = Path("missing.prv");
  bench_.OpenRecent(missing);
  bench_.OpenAtStart(missing);
  view_.openChoices.push_back(missing);
  bench_.LoadFile();
  EXPECT_EQ(view_.forgotten, Strings(3, missing));
  view_.answers.push_back(Answer::No);
  bench_.OpenRecent(Put("p.bin", std::string("f\0S", 3)));
  bench_.OpenRecent(Put("p.prv", "f S"));
  EXPECT_EQ(view_.forgotten.size(), 3u);
}

TEST_F(WorkbenchTest, CompileErrorsMarkTheEditorsLine) {
  const std::string file = Put("e.prv", "f S\n\ng C(S)\nh Z\n");
  view_.openChoices.push_back(file);
  bench_.LoadFile();
  EXPECT_EQ(view_.remembered, Strings{file});
  Compile(file);
  EXPECT_EQ(view_.errorLine, 3) << "the line whose \")\" made the check fail";
  Put("e.prv", "f S\n");
  Compile(file);
  EXPECT_EQ(view_.errorLine, 0);
  Compile(Put("other.prv", "\n)"));  // not the editor's file: no mark
  EXPECT_EQ(view_.errorLine, 0);
  view_.Type("x");
  view_.answers.push_back(Answer::No);
  bench_.OpenRecent(Put("r.prv", "r S"));
  EXPECT_EQ(view_.editor, "r S");
  EXPECT_EQ(view_.remembered.back(), Path("r.prv"));
}

TEST_F(WorkbenchTest, NetworkPictureOfTheSelectedFunction) {
  bench_.DrawNetworkPicture();
  EXPECT_EQ(view_.shown, Strings{"warning: No file compiled! "});
  Compile(Put("t.prv", "g S\nt C(U(1,1), g)\n"));
  bench_.DrawNetworkPicture();  // nothing selected: the whole target
  EXPECT_EQ(view_.pictureTitle, "t");
  EXPECT_NE(view_.pictureDot.find("label=\"U(1,1)\""), std::string::npos);
  // The tree shows t, C, U(1,1), g, S: node 3 is g and its successor only.
  EXPECT_EQ(view_.tree.Outline(), "t\n  C\n    U(1,1)\n    g\n      S\n");
  view_.selectedNode = 3;
  bench_.DrawNetworkPicture();
  EXPECT_EQ(view_.pictureTitle, "g");
  EXPECT_EQ(view_.pictureDot.find("U(1,1)"), std::string::npos);
  EXPECT_NE(view_.pictureDot.find("XSEres"), std::string::npos);
  // Too large a network is not drawn.
  std::string big = "f0 R(U(1,1), C(U(3,3), S))\n";  // 39 neurons, doubled 6 times
  for (int k = 1; k <= 6; ++k)
    big += "f" + std::to_string(k) + " C(f" + std::to_string(k - 1) + ", f" +
           std::to_string(k - 1) + ", U(1,2))\n";
  Compile(Put("big.prv", big));
  view_.selectedNode = std::nullopt;
  view_.pictureTitle.clear();
  view_.shown.clear();
  bench_.DrawNetworkPicture();
  EXPECT_EQ(view_.pictureTitle, "");
  ASSERT_EQ(view_.shown.size(), 1u);
  EXPECT_EQ(view_.shown[0].rfind("warning:The network of f6 has ", 0), 0u);
}

TEST_F(WorkbenchTest, TreeViewsAndWindows) {
  bench_.ExpandTree();
  EXPECT_TRUE(view_.expanded);
  bench_.CollapseTree();
  EXPECT_FALSE(view_.expanded);
  bench_.ShowAbout();
  bench_.ShowCompilerInfo();
  EXPECT_EQ(view_.shown, (Strings{"about", "info"}));
  EXPECT_EQ(view_.infoShown, CompilerInfo{});
}

// An error escaping a command ends that command only: it is shown in the
// error window, the editor keeps its text, and Finish and the timer work
// again afterwards.
TEST_F(WorkbenchTest, AnErrorEscapingACommandIsShownAndTheWindowGoesOn) {
  struct Case {
    const char* label;
    std::function<void()> fail;
    std::string shown;
  };
  const Case cases[] = {
      {"out of memory", [] { throw std::bad_alloc(); },
       "Not enough memory to finish the command; it was stopped."},
      {"a library error", [] { throw std::runtime_error("vector::reserve"); }, "vector::reserve"},
      {"not an exception class", [] { throw 42; }, Workbench::kUnexpectedError},
  };
  Compile(Put("endless.prv", "f M(C(U(2,2), S))"));
  view_.Type("precious");
  view_.values = {"1"};
  view_.stopAfterText = "9000000000000000000";  // far beyond any leap
  Simulator& sim = bench_.Sim();
  bench_.RunCommand([&] { sim.Compute(); });
  ASSERT_TRUE(sim.ComputePressed());
  for (const auto& c : cases) {
    for (const bool finish : {true, false}) {
      SCOPED_TRACE(std::string(c.label) + (finish ? " in Finish" : " in a long tick"));
      view_.stepSizeText = finish ? "1" : "1000000";
      sim.SpeedChanged();
      view_.onProcessEvents = c.fail;
      bench_.RunCommand([&] { finish ? sim.Finish() : sim.RunTimerTick(); });
      EXPECT_EQ(view_.shown.back(), "errorwindow:" + c.shown);
      EXPECT_EQ(view_.editor, "precious");
      EXPECT_TRUE(bench_.Modified());
      EXPECT_FALSE(sim.FinishPressed());
      EXPECT_FALSE(view_.finishPressed);
      // Not left busy: both go on.
      int events = 0;
      view_.onProcessEvents = [&] {
        if (++events == 2) sim.Interrupt();
      };
      const std::int64_t before = sim.Iteration();
      bench_.RunCommand([&] { finish ? sim.Finish() : sim.RunTimerTick(); });
      // A pass under way when the stop comes may take one more event (a
      // proof takes them apart from the frames) before it sees the stop.
      EXPECT_GE(events, 2);
      EXPECT_LE(events, 3);
      EXPECT_GT(sim.Iteration(), before);
      EXPECT_TRUE(sim.ComputePressed());
    }
  }
  view_.onProcessEvents = nullptr;
}

// After a failed compile nothing of the earlier network stays on view; a
// file that cannot be opened changes nothing; a new network starts the
// Simulator tab afresh.
TEST_F(WorkbenchTest, ViewsShowOnlyTheCurrentNetwork) {
  const auto runSome = [this] {
    view_.values = {"2"};
    view_.stepSizeText = "10";
    bench_.Sim().InspectIn();
    bench_.Sim().Compute();
    bench_.Sim().Step();
    bench_.Sim().StatusWindowClick();
    ASSERT_EQ(view_.result, "3");
    ASSERT_GT(bench_.Sim().StatusRowCount(), 0u);
    ASSERT_NE(view_.iterationText, "0");
  };
  const auto expectSimulatorEmpty = [this](const char* after) {
    EXPECT_EQ(view_.iterationText, "0") << after;
    EXPECT_EQ(bench_.Sim().StatusRowCount(), 0u) << after;
    EXPECT_EQ(view_.equationText, "") << after;
    EXPECT_FALSE(bench_.Sim().TracesLive()) << after;
  };
  Compile(Put("f.prv", "f S"));
  runSome();
  // A file that cannot be opened: the network, its views and its
  // information stay.
  Compile(Path("absent.prv"));
  EXPECT_NE(bench_.Current(), nullptr);
  EXPECT_EQ(bench_.Info().targetName, "f");
  EXPECT_EQ(view_.result, "3");
  EXPECT_FALSE(view_.tree.Nodes().empty());
  // A program that fails: nothing of the earlier network.
  Compile(Put("f.prv", "f S\ng C(S)"));
  EXPECT_EQ(bench_.Current(), nullptr);
  EXPECT_TRUE(view_.tree.Nodes().empty());
  EXPECT_EQ(view_.names, std::vector<std::string>{""});
  EXPECT_EQ(view_.functionName, "");
  EXPECT_EQ(view_.result, "");
  expectSimulatorEmpty("a failed compile");
  // A recompile that works starts the Simulator tab afresh too.
  Compile(Put("f.prv", "f S"));
  runSome();
  Compile(Put("f.prv", "f S"));
  expectSimulatorEmpty("a recompile");
  EXPECT_EQ(view_.result, "0");
}

// The common path of a student: a program that works, then an edit that
// does not compile, then Compute.
TEST_F(WorkbenchTest, ComputeAfterAFailedCompileFindsNoNetwork) {
  Compile(Put("f.prv", "f S"));
  view_.values = {"2"};
  Compile(Put("f.prv", "f S\ng C(S)"));
  EXPECT_EQ(bench_.Current(), nullptr);
  view_.shown.clear();
  bench_.Sim().Compute();
  EXPECT_EQ(view_.shown, Strings{"error:An error ocourred. Did you compile a function ?"});
  Compile(Put("f.prv", "f S"));
  bench_.Sim().Compute();
  view_.stepSizeText = "10";
  bench_.Sim().SpeedChanged();
  bench_.Sim().Step();
  EXPECT_EQ(view_.result, "3");
}

}  // namespace
}  // namespace vantorb
