#include "compiler/user_net.hpp"

#include <algorithm>
#include <charconv>

#include "network/exceptions.hpp"
#include "network/utils.hpp"

namespace vantorb {
namespace {

[[noreturn]] void SyntaxError(int lineNumber) {
  throw NeuroCompilerException(" Syntax error at line " +
                               std::to_string(lineNumber));
}

std::string WithoutBlanks(const std::string& line) {
  std::string text;
  for (char c : line)
    if (c != ' ') text += c;
  return text;
}

// Everything up to and including the first occurrence of `mark` is dropped;
// nothing when it does not occur.
void DropThrough(std::string& text, std::string_view mark) {
  const auto at = text.find(mark);
  if (at != std::string::npos) text.erase(0, at + mark.size());
}

// A number text from the file, "." turned into the program's separator.
std::string WithSeparator(const std::string& text) {
  return decimalSeparator == "." ? text : ReplaceFirst(text, ".", decimalSeparator);
}

// Reads a weight the way the program writes numbers, with decimalSeparator.
double ReadWeight(const std::string& text) {
  std::string plain = ReplaceFirst(text, decimalSeparator, ".");
  if (!plain.empty() && plain.front() == '+') plain.erase(0, 1);
  double value = 0;
  const char* end = plain.data() + plain.size();
  const auto [stop, error] = std::from_chars(plain.data(), end, value);
  if (plain.empty() || error != std::errc() || stop != end ||
      !Number::IsValidWeight(value))
    throw NeuroCompilerException("'" + text + "' is not a valid floating point value");
  return value;
}

// Number would read any other text, such as ".5", "1e-1" or "abc", as some
// other value, mostly 0. The integer part must also be one Number holds.
bool IsPlainDecimal(std::string_view text) {
  const auto point = text.find('.');
  if (!ParseDecimalInteger(text.substr(0, point), -Number::kMaxIntegerPart,
                           Number::kMaxIntegerPart))
    return false;
  if (point == std::string_view::npos) return true;
  const std::string_view fraction = text.substr(point + 1);
  return !fraction.empty() && std::all_of(fraction.begin(), fraction.end(), [](char c) {
    return c >= '0' && c <= '9';
  });
}

bool Contains(const std::string& text, std::string_view part) {
  return text.find(part) != std::string::npos;
}

}  // namespace

UserNet::UserNet(std::vector<std::string> lines, int& lineIndex)
    : Func("UserNet", 0, 0), lines_(std::move(lines)) {
  lineIndex = -1;
  ReadNeurons(lineIndex);
  ReadSynapses(lineIndex);
}

void UserNet::ReadNeurons(int& lineIndex) {
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    lineIndex = static_cast<int>(i);
    const auto at = lines_[i].find("(i");
    if (at == std::string::npos) SyntaxError(lineIndex + 1);
    Neuron* neuron = NewNeuron(lines_[i].substr(0, at));
    neuron->Reset();
    if (Contains(neuron->Name(), "Eout")) {
      outputs_.insert(outputs_.begin(), neuron);
    } else if (Contains(neuron->Name(), "Eres")) {
      outputs_.insert(outputs_.begin() + (outputs_.empty() ? 0 : 1), neuron);
    }
  }
}

void UserNet::ReadSynapses(int& lineIndex) {
  NeuronIndex byName;  // the first neuron of each name
  for (std::size_t n = 0; n < OwnNeurons().Count(); ++n)
    byName.emplace(OwnNeurons().Get(n)->Name(), OwnNeurons().Get(n));
  groups_.assign(1, NeuronList());  // group 0, the start, is no argument
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    lineIndex = static_cast<int>(i);
    std::string rest = WithoutBlanks(lines_[i]);
    const auto at = rest.find("(i");
    if (at == std::string::npos) SyntaxError(lineIndex + 1);
    rest.erase(0, at + 1);
    DropThrough(rest, "(");
    Neuron* target = OwnNeurons().Get(i);
    ReadTerms(rest, target, lineIndex + 1, byName);
    const auto close = rest.find(')');
    if (close == std::string::npos) SyntaxError(lineIndex + 1);
    const std::string bias = rest.substr(0, close);
    if (!IsPlainDecimal(bias))
      throw NeuroCompilerException("'" + bias + "' is not a valid bias value");
    target->SetBias(WithSeparator(bias));
  }
  SetArity(static_cast<std::int32_t>(groups_.size()) - 1);
}

void UserNet::ReadTerms(std::string& rest, Neuron* target, int lineNumber,
                        const NeuronIndex& byName) {
  while (Contains(rest, "+")) {
    const auto star = rest.find('*');
    if (star == std::string::npos) SyntaxError(lineNumber);
    const std::string weightAsWritten = rest.substr(0, star);
    const double weight = ReadWeight(WithSeparator(weightAsWritten));
    rest.erase(0, star + 1);
    const auto end = rest.find("(i)+");
    if (end == std::string::npos) SyntaxError(lineNumber);
    const std::string source = rest.substr(0, end);
    rest.erase(0, end + 4);

    const bool input = Contains(source, "Ein") || Contains(source, "Edata");
    // BuildNetwork links every input with weight 1; any other weight here
    // would be lost.
    if (input && weight != 1)
      throw NeuroCompilerException("'" + weightAsWritten + "*" + source +
                                   "' is not a valid input term: inputs are linked with weight 1");
    if (Contains(source, "Ein")) {
      groups_[0].push_back(target);
    } else if (const auto data = source.find("Edata"); data != std::string::npos) {
      const std::string digits = source.substr(data + 5);
      const auto k = ParseDecimalInteger(digits, INT32_MIN, INT32_MAX);
      if (!k) throw NeuroCompilerException("'" + digits + "' is not a valid integer value");
      if (*k < 0 || *k > kMaxGroups) SyntaxError(lineNumber);
      if (static_cast<std::size_t>(*k) >= groups_.size()) groups_.resize(*k + 1);
      groups_[*k].push_back(target);
    } else {
      const auto from = byName.find(source);
      if (from == byName.end()) SyntaxError(lineNumber);
      target->AddSynapse(from->second, weight);
    }
  }
}

std::unique_ptr<ProofObj> UserNet::Clone() const {
  int lineIndex = -1;
  return std::make_unique<UserNet>(lines_, lineIndex);
}

void UserNet::BuildNetwork(const NeuronList& inputs, NeuronList& outputs) {
  RequireInputs(inputs, groups_.size());
  for (std::size_t g = 0; g < groups_.size(); ++g)
    for (Neuron* neuron : groups_[g]) neuron->AddSynapse(inputs[g], 1);
  outputs.insert(outputs.end(), outputs_.begin(), outputs_.end());
}

void UserNet::AddToTree(FunctionTreeNodes& nodes,
                        std::optional<TreeNodeHandle> parent) const {
  nodes.AddNode(parent, Name());
}

NetworkSize UserNet::PlannedOwnSize() const {
  NetworkSize size;
  for (const auto& group : groups_) size.synapses += group.size();
  return size;
}

}  // namespace vantorb
