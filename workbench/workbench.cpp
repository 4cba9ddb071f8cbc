#include "workbench/workbench.hpp"

#include "compiler/interpreter.hpp"
#include "compiler/network_graph.hpp"
#include "network/equation_text.hpp"
#include "network/exceptions.hpp"
#include "network/text_lines.hpp"
#include "network/unary.hpp"

namespace vantorb {
namespace {

// The editor keeps "\n" line breaks whatever the file had.
std::string WithNewlines(std::string_view text) {
  std::string result;
  result.reserve(text.size());
  for (std::size_t pos = 0; pos < text.size();) {
    const LineAt at = LineFrom(text, pos);
    result += at.line;
    if (at.next > pos + at.line.size()) result += '\n';  // the line had an ending
    pos = at.next;
  }
  return result;
}

}  // namespace

bool LooksLikeText(std::string_view bytes) {
  for (const char c : bytes) {
    const auto u = static_cast<unsigned char>(c);
    if (u < 0x20 && u != '\t' && u != '\n' && u != '\f' && u != '\r') return false;
  }
  return true;
}

// Follows a compilation: the previous network goes once the file is open,
// and the browser is filled as the target is found. The information window
// waits for the report: a compilation that fails empties it.
class Workbench::BrowserFiller : public CompilationListener {
 public:
  explicit BrowserFiller(Workbench& workbench) : workbench_(workbench) {}
  void ProgramOpened() override {
    workbench_.InstallNetwork(nullptr);
    workbench_.compiled_ = false;
    opened_ = true;
  }
  void TargetFound(const ProofObj& target) override { workbench_.FillBrowser(target); }
  // Whether the earlier network went: the file was opened.
  bool Opened() const { return opened_; }

 private:
  Workbench& workbench_;
  bool opened_ = false;
};

Workbench::Workbench(WorkbenchView& view, TextFiles& files,
                     NParserInterface& parser)
    : view_(view), files_(files), parser_(parser), simulator_(view, network_) {
  view_.SetCaption(kNewFileCaption, "");
  view_.ShowTab(Tab::Program);
}

void Workbench::RunCommand(const std::function<void()>& command) {
  if (simulator_.Deferring()) {
    simulator_.Defer([this, command] { RunCommand(command); });
    return;
  }
  RunTimerCommand(command);
}

void Workbench::RunTimerCommand(const std::function<void()>& command) {
  try {
    command();
  } catch (const std::exception& e) {
    view_.ShowErrorWindow(ErrorMessage(e));
  } catch (...) {
    view_.ShowErrorWindow(kUnexpectedError);
  }
}

void Workbench::InstallNetwork(std::unique_ptr<Network> next) {
  simulator_.LeaveNetwork();
  network_.Replace(std::move(next));
  simulator_.ForgetRun();
  const Network* installed = network_.Get();
  const bool defined = installed == nullptr || Interpreter::HasDefinition(installed->Target());
  view_.EnableCheckResult(defined, defined ? "" : kNoDefinitionToCheck);
  // Whoever installs a loaded network names its file afterwards.
  if (!networkFile_.empty()) {
    networkFile_.clear();
    ShowCaption();
  }
}

// The title names the editor's file, or says it holds a new one, and,
// while the network is a loaded equation file, that file after it: what
// Save writes and what Compute runs are then two different files, and an
// untitled editor must not read as if it held the equations.
void Workbench::ShowCaption() {
  const std::string program = untitled_ ? kNewFileCaption : kCaptionPrefix + fileName_;
  view_.SetCaption(program,
                   networkFile_.empty() ? std::string() : kNetworkCaptionSeparator + networkFile_);
}

void Workbench::SetModified(bool modified) {
  modified_ = modified;
  view_.ShowModified(modified);
}

bool Workbench::ConfirmUnsavedChanges() {
  if (!modified_ || view_.EditorText().empty()) return true;
  switch (view_.Message(MessageKind::Warning, kSavePrompt, Answers::YesNoCancel)) {
    case Answer::Yes:
      // A save that was cancelled or failed keeps the text: the command
      // stops rather than lose it.
      return SaveProgram();
    case Answer::No:
      return true;
    default:
      return false;
  }
}

void Workbench::NewFile() {
  if (!ConfirmUnsavedChanges()) return;
  view_.SetEditorText("");
  SetModified(false);
  untitled_ = true;
  ShowCaption();
  view_.ShowTab(Tab::Program);
}

void Workbench::LoadFile() {
  if (ConfirmUnsavedChanges()) {
    if (const auto file = view_.OpenFileDialog(kLastUsedFilter))
      ReadProgramFrom(*file);
  }
  view_.ShowTab(Tab::Program);
}

void Workbench::OpenAtStart(const std::string& fileName) {
  if (IsEquationFileName(fileName)) {
    LoadEquationsFrom(fileName);
  } else {
    ReadProgramFrom(fileName);
  }
}

namespace {

// The function objects in the order AddToTree shows them: each object, then
// the children it shows beneath it.
void InTreeOrder(const ProofObj& object, std::vector<const ProofObj*>& order) {
  order.push_back(&object);
  for (const auto& child : object.Children()) InTreeOrder(*child, order);
}

}  // namespace

void Workbench::DrawNetworkPicture() {
  const Network* network = network_.Get();
  if (network == nullptr || network->Target().NeuronCount() == 0) {
    view_.Message(MessageKind::Warning, kNoFileCompiled, Answers::Ok);
    return;
  }
  const ProofObj* target = &network->Target();
  std::vector<const ProofObj*> order;
  InTreeOrder(*target, order);
  const auto selected = view_.SelectedTreeNode();
  const ProofObj* shown = selected && *selected < order.size() ? order[*selected] : target;
  constexpr std::size_t kMostNeuronsDrawn = 1500;
  if (shown->NeuronCount() > kMostNeuronsDrawn) {
    view_.Message(MessageKind::Warning,
                  "The network of " + shown->Name() + " has " +
                      std::to_string(shown->NeuronCount()) +
                      " neurons, too many to draw here; choose a part of it in the tree, "
                      "or write it with vantorb-cli graph.",
                  Answers::Ok);
    return;
  }
  // A loaded network is known by its file's name.
  const bool loaded = IsEquationFileName(network->Report().fileName) && shown == target;
  view_.ShowNetworkPicture(loaded ? network->Report().fileName : shown->Name(),
                           NetworkDot(*shown, network->Io().InputList()));
}

void Workbench::CheckResult() {
  const NetworkRun& run = simulator_.Run();
  const ProofObj* target = run.RunFunction();
  if (target == nullptr || !simulator_.HasResult()) {
    view_.Message(MessageKind::Warning, "Compute a result first.", Answers::Ok);
    return;
  }
  if (!Interpreter::HasDefinition(*target)) {
    view_.Message(MessageKind::Warning, kNoDefinitionToCheck, Answers::Ok);
    return;
  }
  // The arguments the run was started with, whatever the grid holds now.
  std::vector<std::uint64_t> arguments;
  for (const std::string& text : run.Arguments())
    arguments.push_back(static_cast<std::uint64_t>(std::max<std::int64_t>(WideUnaryArgument(text), 0)));
  arguments.resize(static_cast<std::size_t>(target->Arity()), 0);
  const std::string computed = run.Result();
  std::optional<std::uint64_t> defined;
  std::string failure;
  const Interpreter* evaluating = nullptr;
  const bool ended = simulator_.RunResponsively(
      [&](const StopRequest& stop) {
        Interpreter interpreter(Interpreter::kDefaultSearchBound,
                                Interpreter::kDefaultStepBudget, stop);
        evaluating = &interpreter;
        try {
          defined = interpreter.Evaluate(*target, arguments);
        } catch (const NeuroException& e) {
          failure = e.what();
        }
        evaluating = nullptr;
      },
      [&evaluating] {
        return "Checking the result against the definition: " +
               std::to_string(evaluating ? evaluating->Steps() : 0) +
               " steps so far (Escape stops)";
      });
  if (!ended || (!defined && failure.empty())) {
    view_.ShowStatusMessage("Check result stopped before the definition gave a value.");
    return;
  }
  if (!failure.empty()) {
    view_.Message(MessageKind::Warning, "The result cannot be checked: " + failure + ".",
                  Answers::Ok);
    return;
  }
  const std::string value = std::to_string(*defined);
  if (value == computed) {
    view_.Message(MessageKind::Information, "The definition gives " + value + " too.",
                  Answers::Ok);
  } else {
    view_.Message(MessageKind::Warning,
                  "The network gave " + computed + ", the definition gives " + value + ".",
                  Answers::Ok);
  }
}

void Workbench::OpenRecent(const std::string& fileName) {
  if (ConfirmUnsavedChanges()) ReadProgramFrom(fileName);
  view_.ShowTab(Tab::Program);
}

bool Workbench::ReadProgramFrom(const std::string& fileName) {
  std::string text;
  try {
    text = files_.Read(fileName);
  } catch (const NeuroException& e) {
    // Offered again, it would only fail again.
    view_.ForgetFile(fileName);
    ShowFileError(e.what());
    return false;
  }
  if (!LooksLikeText(text) &&
      view_.Message(MessageKind::Warning,
                    fileName + " does not look like a program: it holds bytes that are not "
                               "text. Load it anyway?",
                    Answers::YesNo) != Answer::Yes)
    return false;
  view_.SetEditorText(WithNewlines(text));
  view_.MarkErrorLine(0);
  view_.RememberFile(fileName);
  fileName_ = fileName;
  untitled_ = false;
  ShowCaption();
  SetModified(false);
  return true;
}

bool Workbench::SaveProgram() {
  if (!untitled_) return WriteProgramTo(fileName_);
  const auto file = view_.SaveFileDialog(kProofFiles);
  return file && WriteProgramTo(*file);
}

void Workbench::SaveFileAs() {
  if (const auto file = view_.SaveFileDialog(kLastUsedFilter))
    WriteProgramTo(*file);
}

bool Workbench::WriteProgramTo(const std::string& fileName) {
  try {
    files_.Write(fileName, view_.EditorText());
  } catch (const NeuroException& e) {
    ShowFileError(e.what());
    return false;
  }
  const bool renamed = fileName != fileName_ || untitled_;
  fileName_ = fileName;
  untitled_ = false;
  if (renamed) ShowCaption();
  view_.RememberFile(fileName_);
  SetModified(false);
  return true;
}

bool Workbench::Close() {
  if (!ConfirmUnsavedChanges()) return false;
  simulator_.Shutdown();
  return true;
}

void Workbench::Compile() {
  if (!ConfirmUnsavedChanges()) return;
  // Most often the program compiled is the one being edited.
  const auto file = view_.OpenFileDialog(kProofFiles, untitled_ ? std::string() : fileName_);
  if (!file) return;
  BrowserFiller filler(*this);
  // The editor shows where the program it holds went wrong.
  const bool editorsFile = !untitled_ && *file == fileName_;
  if (editorsFile) view_.MarkErrorLine(0);
  try {
    std::unique_ptr<Network> built = CompileProgramFile(parser_, *file, &filler);
    const CompilationReport report = built->Report();
    InstallNetwork(std::move(built));
    view_.ShowTab(Tab::Browser);
    ShowReport(report);
  } catch (const std::exception& e) {
    if (editorsFile && parser_.lineNumber() > 0) view_.MarkErrorLine(parser_.lineNumber());
    view_.ShowErrorWindow(ErrorMessage(e));
    // A file that could not be opened changed nothing; one that failed took
    // the earlier network, and nothing of it stays on view.
    if (filler.Opened()) {
      info_ = CompilerInfo{};
      ClearBrowser();
    }
  }
  compiled_ = true;
}

// Only a compilation makes equations worth writing; after a failed one
// there is no network, and an empty file would look like a result.
void Workbench::GenerateEquationFile() {
  if (!compiled_) {
    view_.Message(MessageKind::Warning, kNoFileCompiled, Answers::Ok);
    return;
  }
  const Network* network = network_.Get();
  if (network == nullptr) {
    view_.Message(MessageKind::Warning, kCompilationFailed, Answers::Ok);
    return;
  }
  const auto file = view_.SaveFileDialog(kEquationFiles);
  if (!file) return;
  try {
    files_.Write(*file, EquationFileText(network->Equations()));
  } catch (const NeuroException& e) {
    ShowFileError(e.what());
  }
}

// A file that cannot be read changes nothing: the loaded network takes the
// place of the current one only once it is whole.
void Workbench::LoadEquations() {
  if (const auto file = view_.OpenFileDialog(kEquationFiles)) LoadEquationsFrom(*file);
}

void Workbench::LoadEquationsFrom(const std::string& fileName) {
  std::unique_ptr<Network> loaded;
  try {
    loaded = LoadEquationFile(fileName);
  } catch (const std::exception& e) {
    view_.ShowErrorWindow(ErrorMessage(e));
    return;
  }
  const CompilationReport report = loaded->Report();
  FillBrowser(loaded->Target());
  InstallNetwork(std::move(loaded));
  networkFile_ = fileName;
  ShowCaption();
  view_.ShowTab(Tab::Browser);
  ShowReport(report);
}

// Fills the compiler information window from a report and shows it: every
// field describes the network just installed, a loaded one as much as a
// compiled one.
void Workbench::ShowReport(const CompilationReport& report) {
  info_.fileName = report.fileName;
  info_.targetName = report.targetName;
  info_.statements = std::to_string(report.statements);
  info_.lines = std::to_string(report.lines);
  info_.neurons = std::to_string(report.neurons);
  info_.synapses = std::to_string(report.synapses);
  view_.ShowCompilerInfoWindow(info_);
}

void Workbench::ClearBrowser() {
  view_.ClearFunctionTree();
  view_.SetParameterNames({});
  view_.SetFunctionName("");
  view_.SetResult("");
  view_.ShowResultKind(ResultKind::NotComputed);
}

void Workbench::FillBrowser(const ProofObj& target) {
  target.AddToTree(view_.ClearFunctionTree(), std::nullopt);
  std::vector<std::string> names;
  // Appended piece by piece: GCC 12 at -O2 warns falsely (-Wrestrict) on a
  // literal added to a temporary string.
  for (std::int32_t k = 1; k <= target.Arity(); ++k) {
    names.emplace_back("X");
    names.back() += std::to_string(k);
  }
  view_.SetParameterNames(names);
  view_.SetFunctionName(target.Name());
  view_.SetResult("0");
  view_.ShowResultKind(ResultKind::NotComputed);
}

void Workbench::ShowFileError(const std::string& message) {
  view_.Message(MessageKind::Error, message, Answers::Ok);
}

}  // namespace vantorb
