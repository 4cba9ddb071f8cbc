#include "compiler/rule.hpp"

namespace vantorb {

void Rule::AddToTree(FunctionTreeNodes& nodes,
                     std::optional<TreeNodeHandle> parent) const {
  const auto node = nodes.AddNode(parent, Name());
  for (const auto& child : Children()) child->AddToTree(nodes, node);
}

}  // namespace vantorb
