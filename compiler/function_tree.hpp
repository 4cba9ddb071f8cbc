#pragma once
// FunctionTreeNodes: where a function tree shows itself. The function
// browser implements it with its tree view; InMemoryTree keeps the nodes as
// plain data for the tool and the tests.

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace vantorb {

using TreeNodeHandle = std::size_t;

class FunctionTreeNodes {
 public:
  virtual ~FunctionTreeNodes() = default;
  // Adds a node labelled `label` as the last child of `parent` (a top-level
  // node when there is none) and returns its handle.
  virtual TreeNodeHandle AddNode(std::optional<TreeNodeHandle> parent,
                                 const std::string& label) = 0;
};

class InMemoryTree : public FunctionTreeNodes {
 public:
  struct Node {
    std::string label;
    std::optional<TreeNodeHandle> parent;
    std::vector<TreeNodeHandle> children;
  };

  // Throws NeuroException for a parent handle it never gave out.
  TreeNodeHandle AddNode(std::optional<TreeNodeHandle> parent,
                         const std::string& label) override;

  const std::vector<Node>& Nodes() const { return nodes_; }
  // One line per node, depth first, indented by two blanks per level.
  std::string Outline() const;

 private:
  void Outline(TreeNodeHandle node, int depth, std::string& text) const;

  std::vector<Node> nodes_;
  std::vector<TreeNodeHandle> roots_;
};

}  // namespace vantorb
