#include "workbench/qt/function_tree_model.hpp"

#include "network/exceptions.hpp"

namespace vantorb {

// Model indexes carry their node's handle + 1 as internal id.

void FunctionTreeModel::Clear() {
  beginResetModel();
  nodes_.clear();
  roots_.clear();
  endResetModel();
}

TreeNodeHandle FunctionTreeModel::AddNode(std::optional<TreeNodeHandle> parent,
                                          const std::string& label) {
  if (parent && *parent >= nodes_.size())
    throw NeuroException("Unknown tree node " + std::to_string(*parent));
  auto& siblings = parent ? nodes_[*parent].children : roots_;
  const int row = static_cast<int>(siblings.size());
  beginInsertRows(parent ? IndexOf(*parent) : QModelIndex(), row, row);
  const TreeNodeHandle handle = nodes_.size();
  nodes_.push_back({QString::fromStdString(label), parent, row, {}});
  (parent ? nodes_[*parent].children : roots_).push_back(handle);
  endInsertRows();
  return handle;
}

const std::vector<TreeNodeHandle>& FunctionTreeModel::ChildrenOf(
    const QModelIndex& parent) const {
  return parent.isValid() ? nodes_[parent.internalId() - 1].children : roots_;
}

QModelIndex FunctionTreeModel::IndexOf(TreeNodeHandle node) const {
  return createIndex(nodes_[node].row, 0, static_cast<quintptr>(node + 1));
}

QModelIndex FunctionTreeModel::index(int row, int column,
                                     const QModelIndex& parent) const {
  const auto& children = ChildrenOf(parent);
  if (column != 0 || row < 0 || row >= static_cast<int>(children.size()))
    return {};
  return IndexOf(children[row]);
}

QModelIndex FunctionTreeModel::parent(const QModelIndex& child) const {
  if (!child.isValid()) return {};
  const auto& parent = nodes_[child.internalId() - 1].parent;
  return parent ? IndexOf(*parent) : QModelIndex();
}

int FunctionTreeModel::rowCount(const QModelIndex& parent) const {
  if (parent.isValid() && parent.column() != 0) return 0;
  return static_cast<int>(ChildrenOf(parent).size());
}

QVariant FunctionTreeModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || role != Qt::DisplayRole) return {};
  return nodes_[index.internalId() - 1].label;
}

}  // namespace vantorb
