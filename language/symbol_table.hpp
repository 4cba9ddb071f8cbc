#pragma once
// SymbolTable: the functions one program declares, in declaration order,
// with unique names (case counts), and the name of the target. It owns its
// entries and releases them last to first.

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "compiler/proof_obj.hpp"

namespace vantorb {

class SymbolTable {
 public:
  SymbolTable() = default;
  ~SymbolTable();
  SymbolTable(const SymbolTable&) = delete;
  SymbolTable& operator=(const SymbolTable&) = delete;

  // Counts the call, then enters the function unless its name is taken:
  // throws SymbolTableException "Function NAME alredy declared" then.
  void Add(std::unique_ptr<ProofObj> function);
  // The entry of that exact name, or null.
  ProofObj* Find(std::string_view name) const;
  void SetTarget(std::string_view name);
  // The entry named by the target name when one was set (null when none has
  // that name), else the last entry. Throws NeuroCompilerException when
  // there is neither a target name nor an entry.
  ProofObj* GetTarget() const;

  std::size_t Count() const { return entries_.size(); }
  std::size_t AddCount() const { return addCount_; }
  const std::string& TargetName() const { return targetName_; }
  ProofObj& Entry(std::size_t i) const { return *entries_.at(i); }

 private:
  std::vector<std::unique_ptr<ProofObj>> entries_;
  std::unordered_map<std::string, std::size_t> index_;
  std::size_t addCount_ = 0;
  std::string targetName_;
};

}  // namespace vantorb
