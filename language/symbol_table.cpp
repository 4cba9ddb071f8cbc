#include "language/symbol_table.hpp"

#include "network/exceptions.hpp"

namespace vantorb {
namespace {
constexpr std::size_t kMaxText = 255;
}

SymbolTable::~SymbolTable() {
  while (!entries_.empty()) entries_.pop_back();
}

void SymbolTable::Add(std::unique_ptr<ProofObj> function) {
  ++addCount_;
  const std::string& name = function->Name();
  if (Find(name) != nullptr)
    throw SymbolTableException(
        ("Function " + name + " alredy declared").substr(0, kMaxText));
  index_.emplace(name, entries_.size());
  entries_.push_back(std::move(function));
}

ProofObj* SymbolTable::Find(std::string_view name) const {
  const auto it = index_.find(std::string(name));
  return it == index_.end() ? nullptr : entries_[it->second].get();
}

void SymbolTable::SetTarget(std::string_view name) {
  targetName_ = std::string(name.substr(0, kMaxText));
}

ProofObj* SymbolTable::GetTarget() const {
  if (!targetName_.empty()) return Find(targetName_);
  if (entries_.empty())
    throw NeuroCompilerException("The program declares no function");
  return entries_.back().get();
}

}  // namespace vantorb
