#include "compiler/function_tree.hpp"

#include "network/exceptions.hpp"

namespace vantorb {

TreeNodeHandle InMemoryTree::AddNode(std::optional<TreeNodeHandle> parent,
                                     const std::string& label) {
  if (parent && *parent >= nodes_.size())
    throw NeuroException("Unknown tree node " + std::to_string(*parent));
  const TreeNodeHandle handle = nodes_.size();
  nodes_.push_back({label, parent, {}});
  (parent ? nodes_[*parent].children : roots_).push_back(handle);
  return handle;
}

std::string InMemoryTree::Outline() const {
  std::string text;
  for (auto root : roots_) Outline(root, 0, text);
  return text;
}

void InMemoryTree::Outline(TreeNodeHandle node, int depth,
                           std::string& text) const {
  text.append(2 * depth, ' ');
  text += nodes_[node].label;
  text += '\n';
  for (auto child : nodes_[node].children) Outline(child, depth + 1, text);
}

}  // namespace vantorb
